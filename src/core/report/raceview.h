#pragma once

#include "core/report/session.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

/** Columns of the runner grid. */
enum GridColumn
{
    kColBracket = 0,
    kColHorse = 1,
    kColName = 2,
    kColHidden = 3,
    kColSexAge = 4,
    kColWeight = 5,
    kColMark = 6,
    kColMarkD = 7,
    kColMarkE = 8,
    kColMarkF = 9,
    kColFinish = 10,
    kColPopularity = 11,
    kGridColumns = 12
};

using GridRow = std::array<std::string, kGridColumns>;

/**
 * What the race tab view shows for one race, as CP932 texts: computed from the
 * session without any window, so that the view, the race print and the tests
 * share one source.
 */
struct RaceViewTexts
{
    std::string heading;                       ///< race number and name, shown with a shadow
    std::string dateLine;                      ///< date, racecourse, meeting and day, shown with a shadow
    std::string fieldSize;                     ///< field size beside the grid: "16頭"
    std::string conditionLine;                 ///< race type, conditions, track, distance, weight rule
    std::vector<GridRow> grid;                 ///< one row per registered runner
    std::string axis;                          ///< axis horse (beside "軸：")
    std::string cover;                         ///< cover horse (beside "押え：")
    std::string grade;                         ///< confidence grade (beside "勝負度：")
    std::vector<std::string> computerQuinella; ///< the computed quinella bets
    std::vector<std::string> computerBracket;  ///< the computed bracket-quinella bets
    std::string userPanel;                     ///< the user's axis horse and bracket
    std::vector<std::string> userQuinella;     ///< the user's quinella bets
    std::vector<std::string> userBracket;      ///< the user's bracket-quinella bets
    /** The hidden diagnostic texts: score, index, field size, X value, marks, partners. */
    std::array<std::string, 18> diagnostics;
};

/** The view of race r when its tab is chosen. */
RaceViewTexts RaceView(const Session &session, int race);

/**
 * The view of race 1 right after a load, which the loader fills by its own rules:
 * one blank after "R" in the heading, the loader's date line, the bracket as a plain
 * number, every bracket bet listed whatever the field size, no user lists.
 */
RaceViewTexts LoadedRaceView(const Session &session);

/** The tab captions of a loaded course-day: "1 R" … for races 1..RaceCount. */
std::vector<std::string> TabCaptions(const RaceCard &card);

/** The colour of a bracket cell (RGB), or nothing for a value outside 1..8. */
std::optional<unsigned> BracketColour(int bracket);

} // namespace velmora
