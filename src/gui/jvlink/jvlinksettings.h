#pragma once

#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/jvlinkchoice.h"
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
 * The settings dialog of the local JV-Link, shown by JVSetUIProperties: which JV-Link
 * is in use (JVLinkInUseLabel), the source folder of the race data (with a browse
 * button) and the service key.
 */
class JVLinkSettingsDialog : public QDialog
{
    Q_OBJECT

  public:
    JVLinkSettingsDialog(const LocalJVLinkSettings &settings, FolderPicker pickFolder, QWidget *parent = nullptr,
                         const QString &inUse = JVLinkChoice().description());

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

/**
 * A settings dialog for LocalJVLink::setSettingsDialog that shows JVLinkSettingsDialog over
 * `parent`, saying `inUse` (JVLinkChoice::description).
 */
LocalJVLink::SettingsDialog JVLinkSettingsDialogOver(std::function<QWidget *()> parent, FolderPicker pickFolder,
                                                     QString inUse);

/**
 * What the settings button shows when the real JV-Link is reached through the bridge:
 * which JV-Link is in use (JVLinkInUseLabel) and a button (OpenJVLinkButton) that
 * opens JV-Link's own settings dialog. Its result is that of the last JV-Link dialog
 * shown, 0 when none was.
 */
class JVLinkBridgeDialog : public QDialog
{
    Q_OBJECT

  public:
    JVLinkBridgeDialog(const QString &inUse, std::function<int()> openJVLinkDialog, QWidget *parent = nullptr);

    int jvlinkResult() const { return m_result; }

  private:
    std::function<int()> m_openJVLinkDialog;
    int m_result = 0;
};

/**
 * A settings dialog for BridgeJVLink::setSettingsDialog that shows JVLinkBridgeDialog over
 * `parent`, saying what `inUse` returns when it opens (the bridge in use may have changed).
 */
BridgeJVLink::SettingsDialog JVLinkBridgeDialogOver(std::function<QWidget *()> parent, std::function<QString()> inUse);

/**
 * The owner of JV-Link's dialogs for BridgeJVLink::setDialogOwner: on Windows the native
 * window of `window()` (the window the person works in), after letting the bridge's
 * process come to the foreground so that the dialogs open in front of it. Elsewhere
 * (WSL) Velmora's windows are no Windows windows: 0.
 */
BridgeJVLink::DialogOwner JVLinkDialogOwner(std::function<QWidget *()> window);

} // namespace velmora::gui
