#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace velmora {

struct RecordHeader;

/** The three kinds of course-day file. */
enum class FileKind
{
    Race,   ///< ".jvRA": RA records, one line per race slot (12)
    Runner, ///< ".jvSEr": SE records, 18 lines per race (216)
    Payout, ///< ".jvHR": HR records
};

/** Far above any course-day file: a larger one is not ours and is not read into memory. */
constexpr qint64 kMaxCourseDayFileSize = 64LL * 1024 * 1024;

/** Fixed facts of a file kind. */
struct FileKindInfo
{
    const char *extension;  ///< ".jvRA", ".jvSEr", ".jvHR"
    const char *recordType; ///< "RA", "SE", "HR"
    int recordLength;       ///< bytes of a record as delivered, CR LF included
    int lineWidth;          ///< bytes of a stored line, CR LF excluded
    int slotLines;          ///< lines of a file that a slot update creates
};

const FileKindInfo &KindInfo(FileKind kind);

/** The file kind for a record type ("RA", "SE", "HR"), if it is one of them. */
std::optional<FileKind> KindOfRecordType(std::string_view type);

/**
 * The course-day file name of a record: "yyyy年mm月dd日" + CourseName(course code)
 * + extension, as CP932 bytes, built from record positions 12-21 as they stand.
 * The caller must have checked the record (CheckRecord) before using the name
 * for a path.
 */
std::string RaceDayFileName(std::string_view record, std::string_view extension);

/** What became of a record handed to the store. */
enum class StoreStatus
{
    Stored,
    WrongLength,    ///< not exactly its kind's length with CR LF at the end, or a line break inside
    WrongType,      ///< record type does not match the file kind
    BadDate,        ///< meeting date (12-19) is not a date of eight digits
    BadCourse,      ///< course code (20-21) is not two letters or digits
    NoCourseName,   ///< course code without a racecourse name, which would name a file with blanks
    BadRaceNumber,  ///< race number (26-27) outside 1..12
    BadHorseNumber, ///< horse number (29-30) of a runner outside 1..18
    NewerStored,    ///< the slot holds a record created later (positions 4-11) than this one
    WriteFailed,    ///< the file could not be read or written; see the error text
};

/** A short Japanese reason for a status, for import summaries and messages. */
QString StoreStatusText(StoreStatus status);

/** The outcome of one store call: stored, refused with a reason, or failed with the path and error. */
struct StoreResult
{
    StoreStatus status = StoreStatus::Stored;
    QString path;  ///< the file concerned (when one was computed)
    QString error; ///< the file system's error text for WriteFailed

    bool stored() const { return status == StoreStatus::Stored; }
};

/** Checks that a record may be stored as the given kind; Stored when it may. */
StoreStatus CheckRecord(std::string_view record, FileKind kind);
/** The same for a record whose header has been read. */
StoreStatus CheckRecord(std::string_view record, const RecordHeader &header, FileKind kind);

/**
 * The course-day files of one data folder.
 *
 * Each store call reads the whole file, puts the record in, and replaces the file
 * atomically (unless buffered, below) (temporary file and rename in the data folder), so a failed or
 * interrupted write leaves the previous file as it was. Records that do not fit
 * the layout are refused before any path is built, so nothing is ever written
 * outside the data folder. Every line written is exactly its kind's width.
 */
class RaceDayStore
{
  public:
    explicit RaceDayStore(QString dataDir);
    /** Writes what is still buffered; errors are lost here, so buffered callers flush() themselves. */
    ~RaceDayStore();

    RaceDayStore(const RaceDayStore &) = delete;
    RaceDayStore &operator=(const RaceDayStore &) = delete;

    const QString &dataDir() const { return m_dataDir; }

    /** The full path of the file of `kind` for a checked record. */
    QString filePath(std::string_view record, FileKind kind) const;

    /**
     * Slot update: stores the record (minus its CR LF) at its fixed line: race number - 1
     * for race-day and payout files, (race number - 1) x 18 + horse number - 1 for runner
     * files. A new file starts as the kind's full count of blank slots; an existing file
     * with too few lines is padded with blank slots first. A record older than the one in
     * its slot is refused (NewerStored) and changes nothing: results are never replaced by
     * the race card they came after. Records of the same day replace each other, and a
     * slot without a creation date (blank, or zeros from a keyed update) takes any record.
     */
    StoreResult PutSlotRecord(std::string_view record, FileKind kind);

    /**
     * Keyed update: writes "000000000" over record positions 3-11, then replaces the line
     * with the same race key (positions 12-27) or adds the record. Race-day files are then
     * laid out by race number (line k holds race k, blank slots where a race is missing),
     * which is what the loader relies on. Payout files fill a blank slot before they grow
     * and are sorted ascending without regard to letter case (blank lines first).
     */
    StoreResult PutKeyedRecord(std::string_view record, FileKind kind);

    /**
     * Buffered mode keeps the files it touches in memory and writes them only at
     * flush(): an import whose window no reader can pass stores a year of records
     * with one write per file instead of one per record. Leaving the mode flushes.
     */
    void setBuffered(bool buffered);
    bool buffered() const { return m_buffered; }
    /** Files changed in memory and not yet written. */
    size_t pendingFiles() const { return m_files.size(); }

    /**
     * Writes every file changed since the last flush. A file that cannot be written stays
     * in memory and the others are written all the same; the result names the first
     * file that failed and its error.
     */
    StoreResult flush();

    /**
     * Records by FileKind whose file has been written since the store was made: a
     * buffered record counts only once the flush that writes its file succeeds.
     */
    const std::array<int, 3> &writtenRecords() const { return m_written; }

  private:
    struct FileLines
    {
        std::vector<std::string> lines;
        bool exists = false;
        bool changed = false;
        std::array<int, 3> pending{}; ///< records put in since the last write, by FileKind
    };

    StoreResult update(std::string_view record, FileKind kind, bool keyed);
    bool write(const QString &path, FileLines &file, QString &error);

    QString m_dataDir;
    bool m_buffered = false;
    std::map<QString, FileLines> m_files; ///< buffered files by path
    std::array<int, 3> m_written{};
};

/** Splits file bytes into lines at LF, dropping a CR before it; a final empty piece is not a line. */
std::vector<std::string> SplitLines(std::string_view bytes);

} // namespace velmora
