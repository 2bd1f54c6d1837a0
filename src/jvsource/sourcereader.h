#pragma once

// Plain C++ (no Qt, no Windows headers): the local JV-Link of the program and the test
// JV-Link COM server built with MinGW both serve a source folder through this reader.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::jvsource {

/** JV-Link's result codes as the emulators return them. */
namespace code {
constexpr int Ok = 0;
constexpr int NoData = -1; ///< JVOpen/JVRTOpen: nothing to serve; JVRead: the end of a file
constexpr int Downloading = -3;
constexpr int SidMissing = -101;
constexpr int SidTooLong = -102;
constexpr int SidLeadingBlank = -103;
constexpr int BadDataspec = -111;
constexpr int BadFromTime = -112;
constexpr int BadKey = -114;
constexpr int BadOption = -115;
constexpr int BadOptionForDataspec = -116;
constexpr int NotInitialised = -201;
constexpr int StillOpen = -202;
constexpr int NotOpen = -203;
constexpr int BadSettings = -211;
constexpr int NoServiceKey = -303;
constexpr int BadFileContent = -403;
constexpr int DownloadFailed = -502;
constexpr int FileNotFound = -503;
} // namespace code

/** Larger files are not JV-Data: they are never listed, and reading them whole would only waste memory. */
constexpr std::uint64_t kMaxSourceFileSize = 256ULL * 1024 * 1024;

/** A file of the source folder as the emulator lists it. */
struct ListedFile
{
    std::string name;               ///< the file's name, UTF-8
    std::string path;               ///< where the emulator reads it, UTF-8
    std::uint64_t size = 0;         ///< bytes
    std::string modified;           ///< its modification time, local, to the second: yyyymmddhhnnss
    std::int64_t modifiedMsecs = 0; ///< the same to the millisecond since 1970 (UTC), for the emulator's cache
};

/** A file an open serves. */
struct ServedFile : ListedFile
{
    std::string stamp; ///< yyyymmddhhnnss: from the file's own name, else its modification time
    bool cachedAtOpen = false;
    std::size_t downloadRank = 0; ///< among the files this open downloads, 0-based, in serving order

    /**
     * The name of its copy in the cache: stamp, size and name, so that a source file
     * that changes is downloaded as a new copy.
     */
    std::string cacheName() const;
};

/**
 * What an emulator gives the reader: its own file access, settings and cache.
 * prepareCache() and copyIntoCache() run on the download thread, the others on
 * the thread that calls the reader.
 */
class SourceAccess
{
  public:
    virtual ~SourceAccess() = default;

    /**
     * What an open needs beyond its arguments (service key, source folder):
     * code::Ok, or the code the open returns.
     */
    virtual int checkSource() = 0;
    /** The files of the source folder that may be served, in the order files of one stamp are served. */
    virtual std::vector<ListedFile> listFiles() = 0;
    /** Reads a source file whole; false when it cannot be read. */
    virtual bool readFile(const std::string &path, std::string &bytes) = 0;
    /** Whether the cache holds the file's copy as the source holds the file now. */
    virtual bool isCached(const ServedFile &file) = 0;
    /** Makes the cache ready for copies; false when it cannot hold any. */
    virtual bool prepareCache() = 0;
    /** Copies the file into the cache, whole or not at all. */
    virtual bool copyIntoCache(const ServedFile &file) = 0;
    /** Reads the file's copy in the cache whole; false when it cannot be read. */
    virtual bool readCached(const ServedFile &file, std::string &bytes) = 0;
};

/**
 * Serves a source folder as JV-Link serves its data: JVInit's checks, the choice of
 * the files of an open, the download phase's counts, the records of each file in
 * turn with a file switch after each file, and the end.
 *
 * A file named "<dataspec>_<yyyymmdd>_<yyyymmddhhnnss>.jvd" (or with "_<anything>"
 * before ".jvd") holds data of `dataspec` ("RACE" or "0B12") for meeting date
 * yyyymmdd with that time stamp; any other file holds "RACE" data, stamped with its
 * modification time, its meeting dates read from its records (positions 12-19).
 *
 * Records are handed out as the file's bytes, each up to and with its CR LF (a
 * file's last record also when it has none). Not thread-safe, except that download() runs
 * on a thread of the emulator's own while the other calls go on; the emulator stops
 * and joins that thread before close() and before the reader is destroyed.
 */
class SourceReader
{
  public:
    explicit SourceReader(SourceAccess &access)
        : m_access(access)
    {}

    SourceReader(const SourceReader &) = delete;
    SourceReader &operator=(const SourceReader &) = delete;

    /** JVInit: `sid` is the software ID as CP932 bytes. */
    int init(std::string_view sid);
    bool isInitialised() const { return m_initialised; }

    /** What JVOpen reports besides its result. */
    struct OpenCounts
    {
        int readCount = 0;
        int downloadCount = 0;
        std::string lastFileTimestamp; ///< the stamp of the last file served; empty when none
    };

    /**
     * JVOpen: the files of `dataspec` ("RACE" only) stamped after `fromTime`
     * (yyyymmddhhnnss); option 1 all of them, option 2 those with meetings within
     * six days of `today` (yyyymmdd). With a download count above 0 the emulator
     * runs download() on a thread.
     */
    int open(std::string_view dataspec, std::string_view fromTime, int option, std::string_view today,
             OpenCounts &counts);
    /** JVRTOpen: the "0B12" files of the meeting date `key` (yyyymmdd), whatever their stamps, read straight from the
     * source. */
    int openRealTime(std::string_view dataspec, std::string_view key);

    /**
     * Copies the files of the open that the cache lacks, in serving order, `delay`
     * each (the time a download takes, so that progress can be seen), and returns
     * early when `stop` is set; a cache that cannot be prepared or a copy that fails
     * fails the download.
     */
    void download(std::chrono::milliseconds delay, const std::atomic<bool> &stop);

    /** JVStatus: the files downloaded so far, or an error. */
    int status() const;

    /**
     * JVRead: the next record into `record` (its length is the result), code::NoData
     * at the end of each file, 0 at the end; -3 while the next file is still being
     * downloaded. `file` is set to the file a record, a file switch or a file's load
     * error concerns, and left alone otherwise.
     */
    int read(std::string &record, const ServedFile *&file);

    /** The file the next read loads from its copy or the source, and its 0-based place; null when none. */
    const ServedFile *fileToLoad(std::size_t *place = nullptr) const;
    /** The open's file of that name; null when none. */
    const ServedFile *findFile(std::string_view name) const;
    /** JVSkip: the rest of the file being read is skipped. */
    void skipFile();
    /** JVClose: forgets the open. The emulator has stopped its download first. */
    void close();

  private:
    enum class State
    {
        Closed,
        Open,     ///< JVOpen succeeded: downloading and reading
        RealTime, ///< JVRTOpen succeeded: reading straight from the source
    };

    std::vector<ServedFile> scan(std::string_view dataspec, std::string_view meeting);
    bool hasMeetingWithin(const std::string &path, std::string_view today);
    bool isCached(const ServedFile &file) const;
    void start(State state, std::vector<ServedFile> files);

    SourceAccess &m_access;
    bool m_initialised = false;
    State m_state = State::Closed;
    std::vector<ServedFile> m_files; ///< unchanged while a download runs
    std::size_t m_fileIndex = 0;     ///< the file being read
    std::string m_fileBytes;         ///< its bytes, once loaded
    bool m_fileLoaded = false;
    std::size_t m_recordOffset = 0; ///< the next record within the file
    std::atomic<int> m_downloaded{0};
    std::atomic<bool> m_downloadFailed{false};
};

/** Whether `meeting` lies within six days either side of `today` (both yyyymmdd); false when either is no date. */
bool IsWithinAWeek(std::string_view meeting, std::string_view today);

/** Whether `stamp` is a time yyyymmddhhnnss (a real date, hours below 24, minutes and seconds below 60). */
bool IsValidStamp(std::string_view stamp);

} // namespace velmora::jvsource
