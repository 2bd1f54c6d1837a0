#include "core/report/userprediction.h"

#include "core/engine/prediction.h"
#include "core/text/sjis.h"

#include <algorithm>

namespace velmora {

UserPrediction MakeUserPrediction(Session &session, int r, int row)
{
    const auto slot = static_cast<size_t>(r);
    const Prediction &p = session.prediction;
    const int axis = row + 1;
    const int axisBracket = axis == 0 ? 0 : session.card.bracketOf(r, axis);
    session.UserAxisHorse[slot] = axis;
    session.UserAxisBracket[slot] = axisBracket;

    // The other races' boxes must be complete before this race's box is replaced.
    RefreshAllRaces(session);

    const std::array<std::pair<int, int>, 6> partners = {{
        {p.AxisPartners[slot][1], p.AxisPartnerBrackets[slot][1]},
        {p.AxisPartners[slot][2], p.AxisPartnerBrackets[slot][2]},
        {p.AxisPartners[slot][3], p.AxisPartnerBrackets[slot][3]},
        {p.AxisPartners[slot][4], p.AxisPartnerBrackets[slot][4]},
        {p.CoverPartner[slot], p.CoverPartnerBracket[slot]},
        {p.AxisPartners[slot][5], p.AxisPartnerBrackets[slot][5]},
    }};

    UserPrediction shown;
    shown.title = std::to_string(r) + Sj("R[軸]:馬") + std::to_string(axis) + Sj(":枠") + std::to_string(axisBracket);
    shown.panel = Sj("[軸]:馬") + Format("%2d", axis) + Sj("  :枠") + Format("%2d", axisBracket);

    RaceBets &bets = session.allRaces.races[slot];
    bets.panel = p.ConfidenceGrade[slot] + Sj(":馬") + Format("%2d", axis) + Sj(":枠") + Format("%2d", axisBracket);
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
        const std::string horseBet = BetText(horseLow, horseHigh);
        if (AddBetToList(shown.quinella, horseBet))
            bets.quinella.push_back(horseBet);
        if (brackets) {
            const std::string bracketBet = BetText(bracketLow, bracketHigh);
            if (AddBetToList(shown.bracket, bracketBet))
                bets.bracket.push_back(bracketBet);
        }
    }
    return shown;
}

} // namespace velmora
