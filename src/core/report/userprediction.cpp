#include "core/report/userprediction.h"

#include "core/engine/prediction.h"
#include "core/text/sjis.h"

#include <algorithm>

namespace velmora {

UserPrediction MakeUserPrediction(Session &session, int r, int row)
{
    const auto slot = static_cast<size_t>(r);
    const int axis = row + 1;
    const int axisBracket = axis == 0 ? 0 : session.card.bracketOf(r, axis);
    session.UserAxisHorse[slot] = axis;
    session.UserAxisBracket[slot] = axisBracket;

    // The other races' boxes must be complete before this race's box is replaced.
    RefreshAllRaces(session);

    const RacePrediction &predicted = session.prediction.races[r];
    const std::array<std::pair<int, int>, 6> partners = {{
        {predicted.axisPartners[1], predicted.axisPartnerBrackets[1]},
        {predicted.axisPartners[2], predicted.axisPartnerBrackets[2]},
        {predicted.axisPartners[3], predicted.axisPartnerBrackets[3]},
        {predicted.axisPartners[4], predicted.axisPartnerBrackets[4]},
        {predicted.coverPartner, predicted.coverPartnerBracket},
        {predicted.axisPartners[5], predicted.axisPartnerBrackets[5]},
    }};

    UserPrediction shown;
    shown.title = std::to_string(r) + Sj("R[軸]:馬") + std::to_string(axis) + Sj(":枠") + std::to_string(axisBracket);
    shown.panel = Sj("[軸]:馬") + Format("%2d", axis) + Sj("  :枠") + Format("%2d", axisBracket);

    RaceBets &bets = session.allRaces.races[slot];
    bets.panel = RaceBoxPanel(predicted.grade, axis, axisBracket);
    bets.quinella.clear();
    bets.bracket.clear();
    bets.user = true;

    const bool brackets = ShowsBracketBets(session.card, r);
    for (const auto &[partner, partnerBracket] : partners) {
        int horseLow = std::min(axis, partner);
        const int horseHigh = std::max(axis, partner);
        int bracketLow = std::min(axisBracket, partnerBracket);
        const int bracketHigh = std::max(axisBracket, partnerBracket);
        // The user clicked the partner itself: no bet.
        if (axis == partner) {
            horseLow = 0;
            bracketLow = 0;
        }
        if (AddBetToList(shown.quinella, Bet{horseLow, horseHigh}))
            bets.quinella.push_back(shown.quinella.back());
        if (brackets && AddBetToList(shown.bracket, Bet{bracketLow, bracketHigh}))
            bets.bracket.push_back(shown.bracket.back());
    }
    return shown;
}

} // namespace velmora
