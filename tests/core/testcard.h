#pragma once

#include "core/engine/prediction.h"
#include "core/store/racecard.h"
#include "gen/jvdatagen.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
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

/** Ten races of 12 runners, race 3 of 8, in a 2005 file: a day whose third race sells no bracket quinella. */
inline RaceCard TenRacesThirdOfEight()
{
    std::vector<RaceShape> races(10, {1600, 12});
    races[2] = {1200, 8};
    return MakeCard(races);
}

/** The grade written "A", "B" or "C". */
inline Grade GradeOf(const char *text)
{
    return *text == 'A' ? Grade::A : *text == 'B' ? Grade::B : Grade::C;
}

/** Six bets written as lists show them (" 3 -  5"), after an unused first text. */
inline Slots<Bet, 6> Bets(const std::array<std::string, 7> &texts)
{
    Slots<Bet, 6> bets;
    for (int k = 1; k <= 6; ++k) {
        const std::string &text = texts[static_cast<size_t>(k)];
        bets[k] = {std::stoi(text.substr(0, 2)), std::stoi(text.substr(5, 2))};
    }
    return bets;
}

/** A prediction of races 1..count, each graded "B" with axis horse 3 in bracket 3 and six void bets. */
inline Prediction VoidBets(int count)
{
    Prediction p;
    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = p.races[r];
        race.grade = Grade::B;
        race.axisHorse = 3;
        race.axisBracket = 3;
        for (int k = 1; k <= 6; ++k)
            race.quinellaBets[k] = race.bracketBets[k] = Bet{0, 3};
    }
    return p;
}

/**
 * Writes a course-day of the generator with the seed into `dataDir` as an import
 * would, and returns its name.
 */
inline QString WriteGeneratedDay(const QString &dataDir, std::uint64_t seed, QDate date, const char *course,
                                 int races = 12, bool withResults = true)
{
    gen::CourseDayOptions options;
    options.date = date;
    options.course = course;
    options.races = races;
    options.withResults = withResults;
    const gen::CourseDay day = gen::Generator(seed).courseDay(options);
    EXPECT_TRUE(gen::WriteCourseDayFiles(day, dataDir));
    return QString::fromStdString(day.nameUtf8());
}

} // namespace velmora::test
