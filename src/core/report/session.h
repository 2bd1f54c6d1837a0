#pragma once

#include "core/engine/prediction.h"
#include "core/store/racecard.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QString>

namespace velmora {

/**
 * The bets of one race box of the all-races window: the store of each race's
 * current bets, computed (black) or the user's (blue). Texts are CP932.
 */
struct RaceBets
{
    std::string caption;               ///< " 1 R" … " 12 R"
    std::string panel;                 ///< grade and axis: "A:馬 4:枠 2"
    std::vector<std::string> quinella; ///< the quinella list
    std::vector<std::string> bracket;  ///< the bracket-quinella list
    bool user = false;                 ///< the lists hold a user prediction (shown in blue)
};

/** The twelve race boxes of the all-races window, indexed by race slot 1..12. */
struct AllRacesBets
{
    std::array<RaceBets, kMaxRaces + 1> races;
    /**
     * A load computed bets that the boxes have not taken yet: set by every load that
     * computes, cleared once the computed bets are copied in (RefreshAllRaces), so that
     * they are copied once per load and a user prediction made since stays.
     */
    bool pendingComputedBets = false;

    /** Every box back to its caption, empty black lists and an empty panel. */
    void reset();
};

/**
 * The user's axis horse of each race whose box holds the user's prediction, indexed by
 * race slot 1..12: the horse number, or 0 for a click below the runners; nothing for a
 * race that shows the computed bets.
 */
using UserAxes = std::array<std::optional<int>, kMaxRaces + 1>;

/**
 * Everything the program knows of the loaded course-day: the race card, the
 * prediction, the user's axis horses and the all-races bets. The desktop program's
 * presenter owns one; the command-line tool makes one per command.
 */
struct Session
{
    CourseDay courseDay; ///< the loaded course-day, null before the first load
    RaceCard card;
    Prediction prediction;
    std::array<int, kMaxRaces + 1> UserAxisHorse{};
    std::array<int, kMaxRaces + 1> UserAxisBracket{};
    AllRacesBets allRaces;
    /** Set by the import's cancel; the read loops of the import and the result fetch stop on it. */
    bool ImportCancelled = false;

    Session()
    {
        card.clear();
        allRaces.reset();
    }
};

/**
 * Loads course-day `day` into the session as a click on the data list does: the
 * race card; then, when it can be computed, the all-races boxes reset, the load
 * marked as not yet copied (AllRacesBets::pendingComputedBets) and the prediction
 * computed. A day of fewer than 10 races leaves the prediction and the boxes as they were.
 */
LoadResult LoadIntoSession(Session &session, const QString &dataDir, const CourseDay &day);

/** The user's axis horses of the races whose boxes hold the user's prediction (blue). */
UserAxes UserAxesOf(const Session &session);

/**
 * Makes the user's prediction again on every race 1..RaceCount that `axes` gives an
 * axis horse, paired by the session's computation: after a reload of a course-day whose
 * files changed, its races show what the user had made of them.
 */
void RestoreUserAxes(Session &session, const UserAxes &axes);

/** The panel of a race box: grade, ":馬", the axis horse in "%2d", ":枠", its bracket in "%2d" ("A:馬 4:枠 2"). */
std::string RaceBoxPanel(Grade grade, int axisHorse, int axisBracket);

/** Whether race r's bracket-quinella bets are shown: more than 8 runners, or data before 2005. */
bool ShowsBracketBets(const RaceCard &card, int race);

/**
 * Appends race r's six computed quinella bets to `quinella`, and, when the race
 * shows bracket bets, its six bracket-quinella bets to `bracket`, each through
 * AddBetToList (void and repeated bets are dropped): the lists of a race box, as
 * texts or as the bets themselves.
 */
void AddComputedBets(const RaceCard &card, const Prediction &prediction, int race, std::vector<std::string> &quinella,
                     std::vector<std::string> &bracket);
void AddComputedBets(const RaceCard &card, const Prediction &prediction, int race, std::vector<Bet> &quinella,
                     std::vector<Bet> &bracket);

/**
 * Copies every race's computed bets into the all-races lists when a load has not
 * been copied yet (AllRacesBets::pendingComputedBets), sets each panel to grade and
 * axis, and clears the flag. Lists that already hold bets keep them.
 */
void RefreshAllRaces(Session &session);

} // namespace velmora
