#pragma once

#include "core/jvlink/jvlink.h"
#include "jvsource/sourcereader.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <QDateTime>
#include <QString>

namespace velmora {

/** What the local component keeps in its own settings file. */
struct LocalJVLinkSettings
{
    QString sourceFolder; ///< where the JV-Data files are served from
    QString serviceKey;   ///< must not be empty for JVOpen and JVRTOpen
};

/**
 * A JVLink that really serves data on machines without the service's component.
 *
 * It serves files of JV-Data records (CP932, CR LF after each record) from a
 * source folder through jvsource::SourceReader, which says how files are named,
 * chosen and read. JVOpen("RACE") copies the chosen files not yet in its cache
 * into the cache on a background thread; JVStatus counts the copies; JVRead hands
 * out the records of each file in stamp order, their bytes unchanged.
 * JVRTOpen("0B12", yyyymmdd) serves that date's "0B12" files. Only regular files
 * are read, never more than 256 MiB, and never by waiting on a pipe.
 *
 * Its settings (source folder, service key) live in the file "JVLink.ini" of its
 * home folder, which also holds the cache.
 */
class LocalJVLink : public JVLink, private jvsource::SourceAccess
{
  public:
    /**
     * `home` holds the settings file and the cache. `defaultSource` is the source
     * folder until the settings name another one.
     */
    LocalJVLink(QString home, QString defaultSource);
    ~LocalJVLink() override;

    LocalJVLink(const LocalJVLink &) = delete;
    LocalJVLink &operator=(const LocalJVLink &) = delete;

    int JVInit(const QString &sid) override;
    int JVSetUIProperties() override;
    int JVOpen(const QString &dataspec, const QString &fromTime, int option, int &readCount, int &downloadCount,
               QString &lastFileTimestamp) override;
    int JVStatus() override;
    int JVRead(std::string &record, int &size, QString &fileName) override;
    int JVRTOpen(const QString &dataspec, const QString &key) override;
    int JVCancel() override;
    int JVClose() override;
    QString lastErrorDetail() const override { return m_errorDetail; }

    /** The settings as stored (defaults when nothing is stored). */
    LocalJVLinkSettings settings() const;
    /** Stores the settings; false when the settings file cannot be written. */
    bool setSettings(const LocalJVLinkSettings &settings);
    /** Serves from `folder` for this run only, leaving the stored settings alone. */
    void setSourceOverride(const QString &folder);

    /**
     * The settings dialog that JVSetUIProperties shows: it edits the settings and
     * returns false when the user cancelled. Without one, JVSetUIProperties fails.
     */
    using SettingsDialog = std::function<bool(LocalJVLinkSettings &settings)>;
    void setSettingsDialog(SettingsDialog dialog) { m_dialog = std::move(dialog); }

    /**
     * Lays out a source folder that does not exist yet (the bundled sample for a new
     * user); called with the folder and the present moment before the first open.
     */
    using SourceMaker = std::function<bool(const QString &folder, const QDateTime &now)>;
    void setSourceMaker(SourceMaker maker) { m_sourceMaker = std::move(maker); }

    /** The time a download of one file takes (default 40 ms), so that progress can be seen. */
    void setDownloadDelay(std::chrono::milliseconds delay) { m_downloadDelay = delay; }
    /** The clock for "today" and "now" (tests set it). */
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    /** The folder the files are served from now. */
    QString sourceFolder() const;
    QString cacheFolder() const;

  private:
    // jvsource::SourceAccess: the source folder and the cache on this machine.
    int checkSource() override;
    std::vector<jvsource::ListedFile> listFiles() override;
    bool readFile(const std::string &path, std::string &bytes) override;
    bool isCached(const jvsource::ServedFile &file) override;
    bool prepareCache() override;
    bool copyIntoCache(const jvsource::ServedFile &file) override;
    bool readCached(const jvsource::ServedFile &file, std::string &bytes) override;

    bool ensureSource();
    void stopDownload();
    QString cachedPath(const jvsource::ServedFile &file) const;
    /** After an open that found nothing: names the source folder when it holds no files at all. */
    void explainNoData();

    QString m_home;
    QString m_defaultSource;
    QString m_sourceOverride;
    SettingsDialog m_dialog;
    SourceMaker m_sourceMaker;
    std::chrono::milliseconds m_downloadDelay{40};
    std::function<QDateTime()> m_clock;

    QString m_errorDetail;
    jvsource::SourceReader m_reader{*this};
    std::thread m_downloader;
    std::atomic<bool> m_stopDownload{false};
};

/**
 * The factory of the program: "JVDTLab.JVLink" gives a LocalJVLink whose home is
 * `appFolder`/JVLink and whose default source is `appFolder`/JVLink/source;
 * `configure` (when given) completes each one (settings dialog, source maker).
 */
JVLinkFactory LocalJVLinkFactory(const QString &appFolder, std::function<void(LocalJVLink &)> configure = {});

} // namespace velmora
