#pragma once

#include "core/jvlink/jvlink.h"
#include "core/jvlink/readloop.h"
#include "core/store/racedayfiles.h"

#include <array>
#include <functional>
#include <map>
#include <string_view>

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velmora {

class SettingsFile;

/**
 * What an import shows and asks of its window. The import window implements it
 * with its controls; the command line prints; tests record.
 */
class ImportView
{
  public:
    virtual ~ImportView() = default;
    /** The status line: what the import is doing now. */
    virtual void setProgressText(const QString &text) = 0;
    virtual void setDownloadProgress(int position, int maximum) = 0;
    virtual void setReadProgress(int position, int maximum) = 0;
    virtual void clearCreated() = 0;
    /** One line per stored record. */
    virtual void addCreated(const QString &line) = 0;
    /** Whether the view shows those lines: when not, the import does not make them. */
    virtual bool showsCreated() const { return true; }
    /** The default beep, then an information box with an OK button. */
    virtual void showMessage(const QString &text) = 0;
    virtual void beep() = 0;
    /** The busy cursor while JV-Link works. */
    virtual void setBusy(bool busy) = 0;
    /** The from-date picker moved to the time stamp of the data just read. */
    virtual void setFromDate(const QDateTime &from) = 0;
    /** Lets the window handle pending events between records (cancel, repainting). */
    virtual void processEvents() = 0;
};

/** A view that shows nothing, for imports that run where no one watches (benchmarks, checks). */
class SilentImportView : public ImportView
{
  public:
    void setProgressText(const QString &) override {}
    void setDownloadProgress(int, int) override {}
    void setReadProgress(int, int) override {}
    void clearCreated() override {}
    void addCreated(const QString &) override {}
    bool showsCreated() const override { return false; }
    void showMessage(const QString &) override {}
    void beep() override {}
    void setBusy(bool) override {}
    void setFromDate(const QDateTime &) override {}
    void processEvents() override {}
};

/** What an import did with the records it read. */
struct ImportCounts
{
    std::array<int, 3> stored{};        ///< by FileKind: records whose file was written
    std::array<int, 3> unwritten{};     ///< by FileKind: records kept whose file could not be written
    std::map<QString, int> refused;     ///< by reason
    int otherTypes = 0;                 ///< records of types the program does not keep
    std::map<QString, bool> courseDays; ///< course-days that took records: true when the import created them

    int totalRefused() const;
    int totalUnwritten() const;
};

/** The records stored per kind and refused per reason, as lines of text (the command line prints them). */
QStringList ImportRecordLines(const ImportCounts &counts);

/** What an import did, for the end of the import window's list: the course-days created or updated, then the records.
 */
QStringList ImportSummary(const ImportCounts &counts);

/**
 * The import of race data through JV-Link, without a window: the start, the
 * download polling, the read loop that stores every wanted record, cancel and
 * close. The window's button, timer and event loop drive it step by step.
 *
 * Records are stored buffered (RaceDayStore::setBuffered): the files of the
 * records read are written at every file switch of JV-Link and when the import
 * ends, whether it completes, is cancelled or fails. The import window is modal,
 * so no reader sees the files in between.
 */
class DataImport
{
  public:
    DataImport(JVLink &jvlink, RaceDayStore &store, SettingsFile &settings, ImportView &view, bool &importCancelled);

    /** The clock for "now", which LastTime never passes (tests set it). */
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    /** How the download polling and the read loop wait for JV-Link, and when they give up. */
    void setPatience(JVLinkPatience patience) { m_patience = std::move(patience); }
    /**
     * Where the person asks for older data than this week's meetings, for the message of
     * an import with option 2 that found nothing (the import window's words by default).
     */
    void setNormalDataHint(QString hint) { m_normalDataHint = std::move(hint); }

    /** The from-date of the next import: the stored LastTime, or `now` minus 8 days. */
    static QDateTime StoredFromDate(const SettingsFile &settings, const QDateTime &now);
    /** The notice shown before an import starts. */
    static QString StartNotice(const QDateTime &from);

    /**
     * Starts an import from `from` with option 1 (normal data) or 2 (this week's
     * meetings). Does nothing while an import runs. When files must be downloaded
     * it returns with downloading() true and the caller polls every 10 ms;
     * otherwise the whole import has run when it returns.
     */
    void start(const QDateTime &from, int option);

    /** One download poll (JVStatus); runs the read loop once every file is there. */
    void poll();

    /** The user confirmed the cancel: stops the download or the read loop. */
    void cancel();

    /** How the last import ended. */
    enum class Outcome
    {
        NotRun,
        NothingNew, ///< JV-Link had no newer data
        Completed,  ///< every record was read
        Cancelled,
        Failed, ///< a JV-Link or file-system error ended it
    };
    Outcome outcome() const { return m_outcome; }

    bool running() const { return m_running; }
    bool downloading() const { return m_downloading; }

    int ReadCount() const { return m_readCount; }
    int DownloadCount() const { return m_downloadCount; }
    int ImportFromDate() const { return m_importFromDate; }
    const ImportCounts &counts() const { return m_counts; }
    /** The LastTime this import stored ("yyyy/mm/dd hh:nn:ss"), or empty. */
    const QString &storedLastTime() const { return m_storedLastTime; }
    /** The import completed but its LastTime could not be saved in the settings file (it was said). */
    bool lastTimeSaveFailed() const { return m_lastTimeSaveFailed; }
    /** JVClose failed at the end of the import (it was said). */
    bool closeFailed() const { return m_closeFailed; }

  private:
    Outcome readLoop();
    bool storeRecord(const std::string &record);
    bool flushStore();
    void reportWriteFailure(const StoreResult &result);
    void refuse(const QString &reason);
    void giveUp(const QString &message);
    void close();
    void finish(Outcome end);
    void storeLastTime();
    void countWritten();

    JVLink &m_jvlink;
    RaceDayStore &m_store;
    SettingsFile &m_settings;
    ImportView &m_view;
    bool &m_importCancelled;

    Outcome m_outcome = Outcome::NotRun;
    bool m_running = false;
    bool m_downloading = false;
    int m_readCount = 0;
    int m_downloadCount = 0;
    int m_importFromDate = 0;
    QString m_lastFileTimestamp;
    QString m_storedLastTime;
    bool m_lastTimeSaveFailed = false;
    bool m_closeFailed = false;
    int m_lastDownloaded = 0; ///< the download count JVStatus gave last
    ImportCounts m_counts;
    std::array<int, 3> m_kept{};          ///< records handed to the store and kept, by FileKind
    std::array<int, 3> m_writtenBefore{}; ///< the store's written records when the import started
    std::function<QDateTime()> m_clock;
    JVLinkPatience m_patience = JVLinkPatience::Default();
    StallWatch m_downloadWatch{m_patience};
    QString m_normalDataHint;
};

} // namespace velmora
