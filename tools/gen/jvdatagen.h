#pragma once

#include "core/codes/jvdata.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <QDate>
#include <QString>

namespace velmora::gen {

/**
 * A JV-Data record under construction: a fixed-length CP932 byte string that
 * starts as blanks with its CR LF in place; fields are written at their 1-based
 * layout positions. Used by tests to build exact records, and by the generator.
 */
class RecordBuilder
{
  public:
    /** A record of the given type ("RA", "SE", "HR") and full length (CR LF included). */
    RecordBuilder(std::string_view type, int length);

    static RecordBuilder Race();   ///< RA, 1272 bytes
    static RecordBuilder Runner(); ///< SE, 555 bytes
    static RecordBuilder Payout(); ///< HR, 719 bytes

    /** Writes CP932 bytes at the field, cut or padded with half-width blanks to its length. */
    RecordBuilder &set(FieldPos field, std::string_view bytes);
    /** Writes a number with leading zeros in the field's width. */
    RecordBuilder &setNumber(FieldPos field, long long value);
    /** Writes UTF-8 text converted to CP932, padded with full-width blanks to the field's length. */
    RecordBuilder &setText(FieldPos field, std::string_view utf8);

    /** Sets data kind, creation date, meeting date, course, meeting, meeting day and race number. */
    RecordBuilder &setKey(char dataKind, QDate created, QDate meetingDate, std::string_view course, int meeting,
                          int meetingDay, int race);

    const std::string &bytes() const { return m_bytes; }
    operator const std::string &() const { return m_bytes; }

  private:
    std::string m_bytes;
};

/** One runner as generated. */
struct RunnerSpec
{
    int horse = 0;    ///< horse number 1..18
    int bracket = 0;  ///< bracket number 1..8, as JRA assigns them
    std::string name; ///< UTF-8
    int sex = 1;      ///< 1 牡, 2 牝, 3 ｾﾝ
    int age = 3;
    int weightTenths = 560;
    int finish = 0;     ///< finishing position, 0 = not yet run
    int popularity = 0; ///< win popularity rank, 0 = unknown
};

/** One race as generated. */
struct RaceSpec
{
    int race = 0;              ///< race number 1..12
    std::string name;          ///< UTF-8 race name; empty for an ordinary race, which JV-Data leaves unnamed
    std::string shortName6;    ///< UTF-8 short names of a named race (the 10-character one is the
    std::string shortName3;    ///< name when it fits, else the 6-character one)
    char grade = ' ';          ///< grade code: blank for an ordinary race, "E" special, "L", "C", "B", "A"
    int youngestCondition = 0; ///< the condition of the youngest age group that may run
    int postTime = 0;          ///< hhmm
    int distance = 0;          ///< metres
    int registered = 0;        ///< registered runners
    std::string raceType;      ///< race type code, "11".."24"
    int weightRule = 3;        ///< 1..4
    int conditions[4] = {};    ///< age-condition codes for 2-, 3-, 4-, 5-year-olds and up
    std::string track;         ///< track code, "10".."59"
    std::vector<RunnerSpec> runners;
};

/** One course-day as generated: its races and the records that describe it. */
struct CourseDay
{
    QDate date;
    std::string course;  ///< two-character course code, "01".."10"
    int meeting = 1;     ///< 回
    int meetingDay = 1;  ///< 日
    int weekdayCode = 1; ///< 1 土, 2 日, 3 祝 ...
    bool withResults = true;
    std::vector<RaceSpec> races;

    std::vector<std::string> raceRecords;   ///< RA, one per race, in race order
    std::vector<std::string> runnerRecords; ///< SE, race by race, horse order
    std::vector<std::string> payoutRecords; ///< HR, one per race that has been run

    /** The course-day name "yyyy年mm月dd日" + course name, as CP932 bytes. */
    std::string name() const;
    /** The same name in UTF-8 (the base name of its files on disk). */
    std::string nameUtf8() const;
};

/** Options of a generated course-day. */
struct CourseDayOptions
{
    QDate date;
    std::string course = "06";
    int races = 12;
    bool withResults = true;
    int meeting = 0;    ///< 0: derived from the date
    int meetingDay = 0; ///< 0: derived from the date
};

/**
 * Well-formed synthetic RA, SE and HR records. Deterministic for a seed:
 * the same seed and options always give the same bytes.
 */
class Generator
{
  public:
    explicit Generator(std::uint64_t seed);

    CourseDay courseDay(const CourseDayOptions &options);

    /** A weekend: Saturday and Sunday of the week of `saturday`, two or three racecourses a day. */
    std::vector<CourseDay> weekend(QDate saturday);

  private:
    std::mt19937_64 m_random;
};

/** Bracket number of horse `horse` in a field of `runners`, as JRA assigns them. */
int JraBracket(int horse, int runners);

/**
 * Writes the three course-day files of `day` into `dataDir` exactly as an import
 * of its records would leave them: race and payout files of 12 slots, runner file
 * of 216 slots, each line its kind's width, CR LF after every line. The payout
 * file is written only when the day has payout records; without them a payout
 * file of an earlier card of the same course-day is removed, since it belongs to
 * races the new files no longer hold. The folder is created when missing.
 * Returns false on a write error, and, writing nothing, when a record is not a
 * whole record of its kind, belongs to another course-day or has no slot
 * (race 1..12, horse 1..18).
 */
bool WriteCourseDayFiles(const CourseDay &day, const QString &dataDir);

/**
 * Lays out `weeks` race weekends ending with the weekend of `lastSaturday`, oldest
 * first, as course-day files with results and payouts in `dataDir`. The weekend k
 * weeks before the last is made by Generator(seed + k), so each weekend comes out
 * the same whatever the number of weeks, and the last one is the weekend that
 * Generator(seed) makes. Returns the number of course-days written, or -1 after a
 * write error.
 */
int WriteWeeks(const QString &dataDir, std::uint64_t seed, QDate lastSaturday, int weeks);

/** Writes records (each with its CR LF) one after another into a file; false on error. */
bool WriteRecordFile(const QString &path, const std::vector<std::string> &records);

} // namespace velmora::gen
