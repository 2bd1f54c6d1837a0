#include "core/report/hitlist.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/racetitle.h"
#include "core/report/payouts.h"
#include "core/report/racetexts.h"
#include "core/report/session.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <array>

namespace velmora {
namespace {

/** "<<…結果>>  " followed by each paid entry: its combination and "%8d円　　". */
std::string PayoutLine(const std::string &payout, const hr::PayoutTable &table, const char *heading)
{
    static const std::string &yen = Sj("円　　");
    std::string line;
    // A paid entry takes at most 8 + 8 + 6 bytes: one allocation for the line.
    line.reserve(Sj(heading).size() + static_cast<size_t>(table.entries) * 24);
    line += Sj(heading);
    for (int entry = 1; entry <= table.entries; ++entry) {
        // Paid: a payout above 0 and a combination (most entries have neither, and
        // their combination is not read).
        const int paid = FieldValue(Field(payout, hr::EntryPayout(table, entry)));
        if (paid <= 0)
            continue;
        const std::string_view combination = Field(payout, hr::EntryCombination(table, entry));
        if (TrimBlanks(combination).empty())
            continue;
        line += FormatCombination(combination);
        line += RightAligned(paid, 8);
        line += yen;
    }
    return line;
}

/** The six bets, each followed by " 的中 " when an entry has its combination, else by blanks. */
std::string HitLine(const std::string &payout, const hr::PayoutTable &table, const Slots<Bet, 6> &bets)
{
    static const std::string &hit = Sj(" 的中 ");
    static const std::string &miss = Sj(" 　　 ");
    std::array<CombinationNumbers, 8> paid{};
    const auto entries = std::min(static_cast<size_t>(table.entries), paid.size());
    for (size_t entry = 0; entry < entries; ++entry)
        paid[entry] = ReadCombination(Field(payout, hr::EntryCombination(table, static_cast<int>(entry) + 1)));
    std::string line;
    line.reserve(bets.size() * (7 + hit.size()));
    for (const Bet &bet : bets) {
        if (bet.isVoid())
            continue;
        const bool hits = std::any_of(paid.begin(), paid.begin() + static_cast<std::ptrdiff_t>(entries),
                                      [&](const CombinationNumbers &combination) {
                                          return combination.count == 2 && combination.numbers[0] == bet.low &&
                                                 combination.numbers[1] == bet.high;
                                      });
        const std::string *mark = hits ? &hit : &miss;
        line += BetText(bet);
        line += *mark;
    }
    return line;
}

} // namespace

std::vector<std::string> HitList(const RaceCard &card, const Prediction &p)
{
    static const std::string &raceOpen = Sj("【"), &raceClose = Sj("R】"), &grade = Sj("勝負度"), &horse = Sj(":馬"),
                             &bracket = Sj(":枠");
    std::vector<std::string> lines;
    lines.reserve(1 + static_cast<size_t>(card.RaceCount) * 8);
    lines.push_back(DateLine(card.RaceRecords[1]));
    for (int r = 1; r <= card.RaceCount; ++r) {
        const std::string &race = card.RaceRecords[static_cast<size_t>(r)];
        const std::string &payout = card.PayoutRecords[static_cast<size_t>(r)];
        const RacePrediction &predicted = p.races[r];
        lines.push_back(raceOpen + RightAligned(r, 2) + raceClose + RaceNameOf(race));
        lines.push_back(grade + GradeText(predicted.grade) + horse + RightAligned(predicted.axisHorse, 2) + bracket +
                        RightAligned(predicted.axisBracket, 2));
        lines.push_back(PayoutLine(payout, hr::Quinella, "<<馬連結果>>  "));
        lines.push_back(HitLine(payout, hr::Quinella, predicted.quinellaBets));
        // No bracket quinella is sold for small fields since 2005.
        if (!ShowsBracketBets(card, r)) {
            lines.push_back(Sj("<<枠連結果>>  "));
            lines.emplace_back();
        } else {
            lines.push_back(PayoutLine(payout, hr::BracketQuinella, "<<枠連結果>>  "));
            lines.push_back(HitLine(payout, hr::BracketQuinella, predicted.bracketBets));
        }
        lines.push_back(PayoutLine(payout, hr::Wide, "<<ﾜｲﾄﾞ結果>>  "));
        lines.push_back(HitLine(payout, hr::Wide, predicted.quinellaBets));
    }
    return lines;
}

} // namespace velmora
