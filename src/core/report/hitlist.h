#pragma once

#include "core/engine/prediction.h"
#include "core/store/racecard.h"

#include <string>
#include <vector>

namespace velmora {

/**
 * The hit list: for every race 1..RaceCount its name, grade and axis, then per bet
 * kind (quinella, bracket quinella, wide) a line of the official payouts and a line
 * of the computed bets, each bet marked " 的中 " when a payout entry has its
 * combination. Lines are CP932 byte strings, blanks kept; the first is the date line.
 */
std::vector<std::string> HitList(const RaceCard &card, const Prediction &prediction);

} // namespace velmora
