#pragma once

#include "core/jvlink/localjvlink.h"

#include <functional>

#include <QDialog>

class QLabel;
class QLineEdit;

namespace velmora::gui {

/** Asks the user for a folder, starting at `current`; empty when cancelled. */
using FolderPicker = std::function<QString(QWidget *parent, const QString &current)>;

/** The folder dialog of the platform. */
FolderPicker PlatformFolderPicker();

/**
 * The settings dialog of the local JV-Link, shown by JVSetUIProperties: the source
 * folder of the race data (with a browse button) and the service key.
 */
class JVLinkSettingsDialog : public QDialog
{
    Q_OBJECT

  public:
    JVLinkSettingsDialog(const LocalJVLinkSettings &settings, FolderPicker pickFolder, QWidget *parent = nullptr);

    LocalJVLinkSettings settings() const;

    /**
     * Refuses an empty service key and a source folder that does not exist (unless it
     * is the one the dialog opened with), naming the fault in the dialog's ErrorLabel.
     */
    void accept() override;

  private:
    /** What keeps the settings from being taken, or empty. */
    QString problem() const;

    QLineEdit *m_source = nullptr;     // SourceFolderEdit
    QLineEdit *m_serviceKey = nullptr; // ServiceKeyEdit
    QLabel *m_error = nullptr;         // ErrorLabel
    FolderPicker m_pickFolder;
    QString m_initialSource;
};

/** A settings dialog for LocalJVLink::setSettingsDialog that shows JVLinkSettingsDialog over `parent`. */
LocalJVLink::SettingsDialog JVLinkSettingsDialogOver(std::function<QWidget *()> parent, FolderPicker pickFolder);

} // namespace velmora::gui
