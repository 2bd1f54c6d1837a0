#pragma once

#include <string>
#include <string_view>

namespace velmora {

/**
 * The heading texts of a race, built from its RA record (CP932 bytes, positions
 * as the record layout counts them). Results are CP932 byte strings.
 */

/** "yyyy年mm月dd日(曜)" + course name + "nn回nn日", the day of week from the code table. */
std::string DateLine(std::string_view raceRecord);

/**
 * The date line as the loader shows it for race 1: the same, except that a
 * day-of-week code outside 1..8 gives no text at all.
 */
std::string LoaderDateLine(std::string_view raceRecord);

/**
 * The course-day and its meeting, the date line without its day of week:
 * "yyyy年mm月dd日" + course name + "nn回nn日" ("2026年11月29日東京05回08日").
 */
std::string MeetingDayTitle(std::string_view raceRecord);

/**
 * " " + race number + " R   " + the 60-byte race name (an ordinary race's title where the
 * name is blank, RaceNameOf): the race tab's heading.
 */
std::string HeadingLine(std::string_view raceRecord);

/** The loader's heading of race 1: one blank after "R" instead of three. */
std::string LoaderHeadingLine(std::string_view raceRecord);

/** The age-condition text chosen by the race type (empty for other types). */
std::string ConditionText(std::string_view raceRecord);

/** Race type, condition, track, distance "ﾒｰﾄﾙ" and "(" weight rule ") ". */
std::string ConditionLine(std::string_view raceRecord);

} // namespace velmora
