#pragma once

#include "core/jvlink/localjvlink.h"

#include <functional>

#include <QDialog>

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

  private:
    QLineEdit *m_source = nullptr;
    QLineEdit *m_serviceKey = nullptr;
    FolderPicker m_pickFolder;
};

/** A settings dialog for LocalJVLink::setSettingsDialog that shows JVLinkSettingsDialog over `parent`. */
LocalJVLink::SettingsDialog JVLinkSettingsDialogOver(std::function<QWidget *()> parent, FolderPicker pickFolder);

} // namespace velmora::gui
