#pragma once

#include <string>
#include <string_view>

namespace velmora {

/**
 * Titles of races. JV-Data names special races only: an ordinary race leaves its
 * name and short names blank, and race cards call it by its race type and class
 * ("２歳新馬", "３歳以上１勝クラス", "障害４歳以上未勝利"). All texts are CP932
 * bytes; widths are bytes.
 */

/**
 * The title of an ordinary race as race cards give it, from the RA record's race
 * type (617-618), the condition of its youngest age group (623-634) and its meeting
 * date (12-19): the age part ("２歳", "３歳以上", "障害４歳以上", "アラブ系３歳";
 * ages of 2000 and before one year higher, as counted then) followed by the class
 * ("新馬", "未出走", "未勝利", "オープン", "１勝クラス" … from June 2019, "５００万下"
 * … before). Empty when the codes name no race type or no class.
 */
std::string OrdinaryRaceTitle(std::string_view raceRecord);

/** Whether a text field holds nothing but half-width and full-width blanks. */
bool IsBlankText(std::string_view field);

/**
 * CP932 text made exactly `width` bytes wide, as a full-width field of a record
 * holds it: cut between characters (never inside a double-byte one), then padded
 * with full-width blanks, and a half-width blank for a last odd byte.
 */
std::string FitToField(std::string_view text, size_t width);

/**
 * The race name as it is shown (60 bytes): the stored name (33-92) as it stands,
 * or, where it is blank, the ordinary race title fitted to the field's width. A
 * blank name whose codes give no title stays as stored.
 */
std::string RaceNameOf(std::string_view raceRecord);

/**
 * The 6-character short name as it is shown (12 bytes): the stored one (593-604),
 * or, where it and the race name are blank, the ordinary race title; a title longer
 * than the field drops its age part (keeping "障害"), and is cut only when still too
 * long. A named race keeps its stored short name, blank or not.
 */
std::string RaceShortNameOf(std::string_view raceRecord);

} // namespace velmora
