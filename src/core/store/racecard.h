#pragma once

#include "core/store/courseday.h"

#include <array>
#include <string>
#include <vector>

#include <QString>

namespace velmora {

constexpr int kMaxRaces = 12;   ///< race slots of a course-day
constexpr int kMaxRunners = 18; ///< runner slots of a race
constexpr int kMaxBrackets = 8; ///< bracket numbers run 1..8
constexpr int kMinRacesToCompute = 10;

/**
 * The loaded course-day: the records of its three files, indexed as the files
 * count them (race slot 1..12, runner slot 1..18; index 0 is unused). Every
 * record is a CP932 byte string of its full length with its CR LF; slots not
 * filled from the files are blanks.
 */
struct RaceCard
{
    std::array<std::string, kMaxRaces + 1> RaceRecords;
    std::array<std::array<std::string, kMaxRunners + 1>, kMaxRaces + 1> RunnerRecords;
    std::array<std::string, kMaxRaces + 1> PayoutRecords;
    int RaceCount = 0;              ///< race slots whose year field is filled
    bool IsYear2005OrLater = false; ///< from the course-day (CourseDay::isYear2005OrLater)

    /** Fills every record with blanks and resets the counts. */
    void clear();
    /** Registered runners of race r (record positions 882-883). */
    int registeredRunners(int race) const;
    /** Bracket number of runner slot `horse` of race r, or 0 outside 1..18. */
    int bracketOf(int race, int horse) const;
};

/** How a load ended. */
enum class LoadStatus
{
    Loaded,       ///< at least 10 races, ready to compute
    FewRaces,     ///< fewer than 10 filled race slots: nothing to compute
    FilesMissing, ///< the race-day or the runner file does not exist
    Incomplete,   ///< a listed runner has no bracket number
    ZeroDivisor,  ///< a race 1..RaceCount has no distance or no registered runners
    Damaged,      ///< a file could not be read or does not hold whole records
};

/** The outcome of LoadCourseDay: the status and the message to show (empty for Loaded and FewRaces). */
struct LoadResult
{
    LoadStatus status = LoadStatus::Loaded;
    QString message;
    bool computable() const { return status == LoadStatus::Loaded; }
    /**
     * Why a course-day cannot be computed, for lists of days left out: the message, or
     * for FewRaces one that counts the races of the `card` it was loaded into.
     */
    QString reason(const RaceCard &card) const;
};

/**
 * Loads course-day `day` from `dataDir` into `card`: reads the race-day and runner
 * files as fixed records, counts the filled races, matches the payout records to their
 * races by date, course and race number. The card holds the new records after any
 * status but FilesMissing and Damaged (which leave it cleared). Files that are not
 * whole records of their kind give Damaged with a message naming the file, never a
 * partial read.
 */
LoadResult LoadCourseDay(const QString &dataDir, const CourseDay &day, RaceCard &card);

/**
 * The meeting date of course-day `day` in `dataDir` as 8 bytes yyyymmdd: positions
 * 12-19 of race slot 1's record, read from the first record of the race-day file
 * alone (a cheap look before a full load). Empty when that record cannot be read.
 */
std::string CourseDayDate(const QString &dataDir, const CourseDay &day);

/**
 * The course-days of the race-day files (regular files, or links to them, named
 * "*.jvRA", not hidden) in `dataDir`, latest first. Names that are not valid UTF-8
 * are listed too (CourseDay::Unreadable), so that callers can name them as left out.
 */
std::vector<CourseDay> ListCourseDays(const QString &dataDir);

/** Why a course-day of ListCourseDays that is not readable is left out, in Japanese. */
QString UnreadableNameReason();

/** The readable course-days of ListCourseDays, latest first. */
std::vector<CourseDay> LoadableCourseDays(const QString &dataDir);

} // namespace velmora
