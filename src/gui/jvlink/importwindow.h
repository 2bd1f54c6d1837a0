#pragma once

#include "core/jvlink/dataimport.h"
#include "core/settings/appfolderlock.h"
#include "core/settings/settingsfile.h"
#include "core/store/racedayfiles.h"

#include <memory>

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

class QDateTimeEdit;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

namespace velmora::gui {

struct GuiContext;

/**
 * How the desktop program's loops over JV-Link wait: each pause handles the window
 * events meanwhile, so that cancel and repainting work while JV-Link downloads.
 */
JVLinkPatience WindowPatience();

/**
 * The import window "ＪＶデータ取込": imports race data through JV-Link into the
 * data folder, with download and read progress, cancel, and the from-date that the
 * last import stored. Drives the GUI-free DataImport step by step: its start button,
 * its 10 ms download timer and the event processing between records.
 */
class ImportWindow : public QDialog, private ImportView
{
    Q_OBJECT

  public:
    ImportWindow(JVLink &jvlink, GuiContext &context, bool &importCancelled, QWidget *parent = nullptr);
    ~ImportWindow() override;

    const DataImport &import() const { return *m_import; }

    /**
     * Closing (title bar, Escape) while an import runs asks the cancel question
     * first; on Yes the import is cancelled and the window closes once it has ended.
     */
    void reject() override;

  private Q_SLOTS:
    void startImport();
    /** Asks whether to cancel the running import, and cancels it on Yes. */
    void askToCancel();
    /** JV-Link's own settings dialog (service key, where it keeps its files). */
    void openJVLinkSettings();
    /** One tick of the download polling. */
    void pollDownload();

  private:
    bool confirmCancel();
    void cancelImport();
    void setImportRunning(bool running);
    void importEnded();
    void flushCreated();

    // ImportView
    void setProgressText(const QString &text) override;
    void setDownloadProgress(int position, int maximum) override;
    void setReadProgress(int position, int maximum) override;
    void clearCreated() override;
    void addCreated(const QString &line) override;
    void showMessage(const QString &text) override;
    void beep() override;
    void setBusy(bool busy) override;
    void setFromDate(const QDateTime &from) override;
    void processEvents() override;

    JVLink &m_jvlink;
    GuiContext &m_context;
    SettingsFile m_settings;
    RaceDayStore m_store;
    std::unique_ptr<DataImport> m_import;
    std::unique_ptr<AppFolderLock> m_lock; ///< held from the start of an import to its end

    bool m_cancelPending = false;  ///< cancel confirmed, the read loop not yet stopped
    bool m_closeWhenEnded = false; ///< closing was asked for while the import ran
    QStringList m_pendingCreated;  ///< lines of the list of stored records not yet shown
    QElapsedTimer m_sinceFlush;    ///< since that list last received lines

    QToolButton *m_settingsButton = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_progress = nullptr;       ///< the status line
    QProgressBar *m_download = nullptr; ///< files downloaded
    QProgressBar *m_read = nullptr;     ///< files read
    QListWidget *m_created = nullptr;   ///< one line per stored record
    QDateTimeEdit *m_from = nullptr;    ///< the from-date of the import
    QRadioButton *m_normal = nullptr;   ///< "通常データ"
    QRadioButton *m_thisWeek = nullptr; ///< "今週開催データ"
    QLabel *m_lastTime = nullptr;       ///< hidden: the stored from-date as text
    QTimer *m_timer = nullptr;          ///< download polling, every 10 ms
};

} // namespace velmora::gui
