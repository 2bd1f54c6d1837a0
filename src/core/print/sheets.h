#pragma once

#include "core/print/page.h"
#include "core/report/raceview.h"
#include "core/report/session.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora {

/** What the race print reads: the texts the main window shows for the selected race (CP932). */
struct RaceSheetSource
{
    std::string dateLine;  ///< date, racecourse, meeting and day
    std::string heading;   ///< race number and name
    std::string condition; ///< race type, conditions, track, distance, weight rule
    std::vector<GridRow> grid;
    std::string grade;                     ///< confidence grade
    std::string axis;                      ///< axis horse
    std::string cover;                     ///< cover horse
    std::vector<std::string> quinella;     ///< the computed quinella bets
    std::vector<std::string> bracket;      ///< the computed bracket-quinella bets
    std::vector<std::string> userQuinella; ///< the user's quinella bets
    std::vector<std::string> userBracket;  ///< the user's bracket-quinella bets
    int fieldSize = 0;                     ///< FieldSize of the race
    bool isYear2005OrLater = false;
    int userAxisHorse = 0;
    int userAxisBracket = 0;
};

/** The race print's source for race r as its tab shows it. */
RaceSheetSource RaceSheetSourceOf(const Session &session, const RaceViewTexts &view, int race);

/**
 * The race prediction print: heading, runner table with brackets and marks, the
 * computed bets and the user's. Nothing when the grid has fewer than 5 rows.
 */
std::optional<Page> RaceSheet(const RaceSheetSource &source);

/** The message of a race that cannot be printed, and its caption. */
inline const char *const kCannotPrint = "この画面は印刷できません。";
inline const char *const kCannotPrintCaption = "印刷不可";

/**
 * The all-races bets print: for each of `tabCount` races its grade, the user's axis
 * when its bets are the user's, and its quinella and bracket-quinella lists, as the
 * all-races boxes of the session hold them. `heading` is the all-races window's title.
 */
Page AllRacesSheet(const Session &session, int tabCount, const std::string &heading);

} // namespace velmora
