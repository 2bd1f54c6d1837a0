#pragma once

#include "core/store/racecard.h"
#include "gen/jvdatagen.h"

#include <vector>

namespace velmora::test {

/** Distance and registered runners of one race of a hand-made card. */
struct RaceShape
{
    int distance;
    int runners;
};

/**
 * A race card filled as the loader would fill it: RA records with distance and
 * runner count, SE records with JRA brackets (or the brackets given).
 */
inline RaceCard MakeCard(const std::vector<RaceShape> &races, const std::vector<std::vector<int>> &brackets = {})
{
    RaceCard card;
    card.clear();
    const QDate date(2005, 3, 12);
    for (size_t i = 0; i < races.size(); ++i) {
        const int r = static_cast<int>(i) + 1;
        card.RaceRecords[i + 1] = gen::RecordBuilder::Race()
                                      .setKey('7', date, date, "06", 2, 5, r)
                                      .setNumber(ra::Weekday, 1)
                                      .setNumber(ra::Distance, races[i].distance)
                                      .setNumber(ra::Registered, races[i].runners)
                                      .bytes();
        for (int s = 1; s <= races[i].runners && s <= kMaxRunners; ++s) {
            const int bracket =
                i < brackets.size() ? brackets[i].at(static_cast<size_t>(s - 1)) : gen::JraBracket(s, races[i].runners);
            card.RunnerRecords[i + 1][static_cast<size_t>(s)] = gen::RecordBuilder::Runner()
                                                                    .setKey('7', date, date, "06", 2, 5, r)
                                                                    .setNumber(se::Bracket, bracket)
                                                                    .setNumber(se::HorseNumber, s)
                                                                    .bytes();
        }
    }
    card.RaceCount = static_cast<int>(races.size());
    card.IsYear2005OrLater = true;
    return card;
}

} // namespace velmora::test
