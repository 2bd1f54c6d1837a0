#pragma once

#include "core/report/session.h"

#include <string>
#include <vector>

namespace velmora {

/** What a click on a runner shows besides the all-races box it rewrites. CP932 texts. */
struct UserPrediction
{
    std::string title;                 ///< UserPredictionPopup's title: "3R[軸]:馬7:枠4"
    std::vector<std::string> quinella; ///< the user's quinella bets, in the popup and the race view
    std::vector<std::string> bracket;  ///< the user's bracket-quinella bets, in the popup and the race view
    std::string panel;                 ///< the user's axis horse and bracket in the race view
};

/**
 * The user makes the runner in grid row `row` (0-based; -1 when the click hit no
 * row) the axis horse of race r: stores the axis, copies the computed bets of all
 * races into the all-races boxes first if a load has not been copied yet, then
 * replaces race r's box by the user's bets (blue), paired with the six partners
 * the engine chose.
 */
UserPrediction MakeUserPrediction(Session &session, int race, int row);

} // namespace velmora
