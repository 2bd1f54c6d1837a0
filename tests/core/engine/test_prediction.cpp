#include "core/engine/prediction.h"
#include "core/testcard.h"
#include "core/text/sjis.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::MakeCard;
using test::RaceShape;

/** The marks in the order X, Y, A, B, C, D, E, F. */
std::array<int, 8> MarkArray(const Marks &m)
{
    return {m.x, m.y, m.a, m.b, m.c, m.d, m.e, m.f};
}

/** Partners or their brackets as the rules number them, with an unused 0 first. */
std::array<int, 6> Numbers(const Slots<std::int32_t, 5> &values)
{
    return {0, values[1], values[2], values[3], values[4], values[5]};
}

/** The texts of the six bets, with an unused empty text first. */
std::array<std::string, 7> Texts(const Slots<Bet, 6> &bets)
{
    std::array<std::string, 7> texts;
    for (int k = 1; k <= 6; ++k)
        texts[static_cast<size_t>(k)] = BetText(bets[k]);
    return texts;
}

IndexSign SignOf(const char *text)
{
    return std::string_view(text) == "-" ? IndexSign::Minus : IndexSign::Plus;
}

/** Ten races: the two of the worked example first, eight ordinary ones after. */
RaceCard ExampleDay()
{
    std::vector<RaceShape> races = {{1200, 16}, {1800, 12}};
    for (int r = 3; r <= 10; ++r)
        races.push_back({1600, 14});
    return MakeCard(races);
}

TEST(Prediction, WorkedExampleOfTwoRaces)
{
    const RaceCard card = ExampleDay();
    Prediction p;
    ComputePrediction(card, p);

    const RacePrediction &one = p.races[1];
    const RacePrediction &two = p.races[2];
    EXPECT_EQ(one.score, 96.0f);
    EXPECT_EQ(two.score, 108.0f);
    EXPECT_EQ(one.index, 0.8888889f);
    EXPECT_EQ(two.index, 1.125f);
    EXPECT_EQ(one.fieldSize, 16);
    EXPECT_EQ(one.xValue, 3.0f);
    EXPECT_EQ(two.xValue, -4.0f);
    EXPECT_EQ(IndexSignText(one.sign), "-");
    EXPECT_EQ(IndexSignText(two.sign), "+");

    // Race 1 is the first race (sign "-"), race 2 a middle race (sign "+").
    const std::array<int, 8> race1 = MarkArray(one.marks);
    EXPECT_EQ(race1, (std::array<int, 8>{3, 6, 4, 5, 2, 1, 4, 9}));
    const std::array<int, 8> race2 = MarkArray(two.marks);
    EXPECT_EQ(race2, (std::array<int, 8>{8, 11, 9, 10, 7, 1, 4, 11}));

    EXPECT_EQ(one.axisHorse, 4);
    EXPECT_EQ(one.coverHorse, 2);
    EXPECT_EQ(GradeText(one.grade), "A");
    EXPECT_EQ(one.coverPartner, 3);
    EXPECT_EQ(Numbers(one.axisPartners), (std::array<int, 6>{0, 4, 9, 8, 2, 3}));
    EXPECT_EQ(one.axisBracket, 2);
    EXPECT_EQ(one.coverBracket, 1);
    EXPECT_EQ(one.coverPartnerBracket, 2);
    EXPECT_EQ(Numbers(one.axisPartnerBrackets), (std::array<int, 6>{0, 2, 5, 4, 1, 2}));
    EXPECT_EQ(Texts(one.quinellaBets),
              (std::array<std::string, 7>{"", " 0 -  4", " 4 -  9", " 4 -  8", " 2 -  4", " 2 -  3", " 3 -  4"}));
    EXPECT_EQ(Texts(one.bracketBets),
              (std::array<std::string, 7>{"", " 0 -  2", " 2 -  5", " 2 -  4", " 1 -  2", " 1 -  2", " 2 -  2"}));

    std::vector<std::string> quinella, bracket;
    for (int k = 1; k <= 6; ++k) {
        AddBetToList(quinella, one.quinellaBets[k]);
        AddBetToList(bracket, one.bracketBets[k]);
    }
    EXPECT_EQ(quinella, (std::vector<std::string>{" 4 -  9", " 4 -  8", " 2 -  4", " 2 -  3", " 3 -  4"}));
    EXPECT_EQ(bracket, (std::vector<std::string>{" 2 -  5", " 2 -  4", " 1 -  2", " 2 -  2"}));
}

struct XCase
{
    const char *what;
    RaceShape race1, race2;
    float x1, x2;
};

void PrintTo(const XCase &c, std::ostream *os)
{
    *os << c.what;
}

class WholeXValue : public testing::TestWithParam<XCase>
{};

TEST_P(WholeXValue, OfTheFirstTwoRaces)
{
    const XCase &c = GetParam();
    std::vector<RaceShape> races = {c.race1, c.race2};
    for (int r = 3; r <= 10; ++r)
        races.push_back({1600, 14});
    const RaceCard card = MakeCard(races);
    Prediction p;
    ComputeRaceValues(card, p);
    EXPECT_EQ(p.races[1].xValue, c.x1);
    EXPECT_EQ(p.races[2].xValue, c.x2);
}

INSTANTIATE_TEST_SUITE_P(
    Prediction, WholeXValue,
    testing::Values(
        // 16 and 16 runners, index 0.9: 16 x 0.9 / 3 = 4.8 becomes 5; index 1.11 gives 5.93, which becomes 6.
        XCase{"equal fields", {900, 16}, {1000, 16}, 5.0f, 6.0f},
        // Field ratio exactly 2 (and 0.5 seen from the other race) doubles the difference.
        XCase{"ratio 2 and 0.5", {2000, 8}, {1000, 16}, -16.0f, 16.0f},
        // Ratio 1.9 (and 0.526) does not.
        XCase{"ratio 1.9", {1900, 10}, {1000, 19}, -9.0f, 9.0f},
        // Index exactly 0.5 is not divided by 3; index 2 is tripled.
        XCase{"index 0.5 and 2", {1000, 10}, {2000, 10}, 2.0f, 20.0f},
        // The float nearest 1.9 lies below the extended 1.9: not tripled (6.33 becomes 6, not 19).
        XCase{"index float 1.9", {1900, 10}, {1000, 10}, 6.0f, 2.0f},
        // X of the float nearest 2.6 (2.5999999) drops its fraction.
        XCase{"x 2.6", {1300, 12}, {2000, 12}, 2.0f, 6.0f}),
    [](const testing::TestParamInfo<XCase> &info) {
        std::string name = info.param.what;
        for (char &c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

/** A prediction with the values the mark stage reads, for races 1..count. */
Prediction MarkInputs(int count, int n, float index, const char *sign)
{
    Prediction p;
    for (int r = 1; r <= count; ++r) {
        p.races[r].fieldSize = n;
        p.races[r].index = index;
        p.races[r].sign = SignOf(sign);
    }
    return p;
}

TEST(Marks, XIsTheNumberOfTheFieldEqualToTheXValueModuloItsSize)
{
    const std::vector<std::pair<float, int>> cases = {{0, 16}, {16, 16}, {17, 1}, {-1, 15}, {-16, 16}, {33, 1}};
    for (const auto &[x, mark] : cases) {
        Prediction p = MarkInputs(3, 16, 1.0f, "+");
        p.races[2].xValue = x;
        ComputeMarks(p, 3);
        EXPECT_EQ(p.races[2].marks.x, mark) << "X value " << x;
    }
}

TEST(Marks, DirectionOfYABCAndFoldingIntoTheField)
{
    struct Case
    {
        int race;
        const char *sign;
        float x;
        std::array<int, 4> yabc;
    };
    const Case cases[] = {
        {1, "-", 5, {8, 6, 7, 4}},    // first race, "-": upwards
        {2, "-", 5, {2, 4, 3, 6}},    // middle race, "-": downwards
        {3, "-", 5, {8, 6, 7, 4}},    // last race, "-": upwards
        {2, "+", 15, {2, 16, 1, 14}}, // middle "+", X = n - 1: Y 18 and B 17 fold
        {2, "-", 1, {14, 16, 15, 2}}, // middle "-", X = 1: Y -2, A 0, B -1 fold
        {1, "+", 2, {15, 1, 16, 3}},  // first race "+": downwards
    };
    for (const Case &c : cases) {
        Prediction p = MarkInputs(3, 16, 1.0f, c.sign);
        p.races[c.race].xValue = c.x;
        ComputeMarks(p, 3);
        const Marks &m = p.races[c.race].marks;
        EXPECT_EQ((std::array<int, 4>{m.y, m.a, m.b, m.c}), c.yabc)
            << "race " << c.race << " sign " << c.sign << " X " << c.x;
    }

    // A field of three: Y of X = 3 in the first race with "-" folds to 0 and names no horse.
    Prediction small = MarkInputs(3, 3, 1.0f, "-");
    small.races[1].xValue = 3;
    ComputeMarks(small, 3);
    EXPECT_EQ(small.races[1].marks.y, 0);
}

TEST(Marks, DEAndFFromTheIndex)
{
    struct Case
    {
        float index;
        int n;
        std::array<int, 3> def;
    };
    const Case cases[] = {
        {0.8888889f, 16, {1, 4, 9}}, {1.125f, 12, {1, 4, 11}},
        {0.59f, 16, {16, 2, 5}}, // below 0.6: D = n; E = 2 + 16 = 18 folds to 2; F = 3 + 18 = 21 folds to 5
        {0.6f, 16, {1, 3, 7}},   // 0.6 is the first index with D = 1
        {1.0f, 9, {1, 4, 7}},    // F = 10 folds onto D = 1 and moves on by 6
        {1.0f, 5, {1, 4, 5}},    // F = 10 folds to 0, which becomes n
    };
    for (const Case &c : cases) {
        Prediction p = MarkInputs(3, c.n, c.index, "+");
        ComputeMarks(p, 3);
        const Marks &m = p.races[2].marks;
        EXPECT_EQ((std::array<int, 3>{m.d, m.e, m.f}), c.def) << "index " << c.index;
    }
}

/** Bet-stage inputs for race 2 of three: marks, sign and a field with one horse per bracket. */
struct BetCase
{
    const char *sign;
    int x, a, b, c, d, e, f;
};

Prediction RunBets(const BetCase &c, int n = 8)
{
    const RaceCard card = MakeCard({{1600, n}, {1600, n}, {1600, n}});
    Prediction p;
    for (int r = 1; r <= 3; ++r) {
        RacePrediction &race = p.races[r];
        race.fieldSize = n;
        race.sign = SignOf(c.sign);
        race.marks.x = c.x;
        race.marks.a = c.a;
        race.marks.b = c.b;
        race.marks.c = c.c;
        race.marks.d = c.d;
        race.marks.e = c.e;
        race.marks.f = c.f;
    }
    ComputeBets(card, p);
    return p;
}

TEST(Bets, AxisCoverAndGrade)
{
    struct Case
    {
        BetCase marks;
        int axis, cover;
        const char *grade;
    };
    const Case cases[] = {
        {{"-", 1, 2, 3, 4, 1, 5, 6}, 1, 2, "A"}, // X alone in {D, E, F}
        {{"-", 1, 2, 3, 4, 2, 5, 6}, 2, 4, "A"}, // A alone
        {{"-", 1, 2, 3, 4, 2, 3, 6}, 2, 4, "B"}, // A and B
        {{"-", 1, 2, 3, 4, 1, 2, 6}, 2, 4, "B"}, // X and A
        {{"-", 1, 2, 3, 4, 5, 6, 7}, 2, 4, "C"}, // none
        {{"+", 1, 2, 3, 4, 1, 5, 6}, 2, 4, "C"}, // "+" never takes X as axis
        {{"+", 1, 2, 3, 4, 2, 5, 6}, 2, 4, "B"}, // "+" with A alone: B, never A
    };
    for (const Case &c : cases) {
        const Prediction p = RunBets(c.marks);
        EXPECT_EQ(p.races[2].axisHorse, c.axis);
        EXPECT_EQ(p.races[2].coverHorse, c.cover);
        EXPECT_EQ(GradeText(p.races[2].grade), c.grade);
    }
}

TEST(Bets, PartnersStepAroundTheFieldAndOffSharedBrackets)
{
    // "-": cover partner = D stepped up; stepping up from n - 1 (and from n) gives 1.
    Prediction p = RunBets({"-", 1, 2, 3, 4, 7, 5, 6});
    EXPECT_EQ(p.races[2].coverPartner, 1);
    p = RunBets({"-", 1, 2, 3, 4, 8, 5, 6});
    EXPECT_EQ(p.races[2].coverPartner, 1);
    // Partners 3 and 4 step down from F and E; stepping down from 1 gives n.
    p = RunBets({"-", 1, 2, 3, 4, 7, 1, 6});
    EXPECT_EQ(Numbers(p.races[2].axisPartners), (std::array<int, 6>{0, 1, 6, 5, 8, 1}));
    // "+": the directions are exchanged.
    p = RunBets({"+", 3, 2, 3, 4, 1, 5, 6});
    EXPECT_EQ(p.races[2].coverPartner, 8);
    EXPECT_EQ(Numbers(p.races[2].axisPartners), (std::array<int, 6>{0, 5, 6, 7, 6, 3}));

    // 16 runners, two per bracket: a partner sharing its origin's bracket moves on once.
    p = RunBets({"-", 3, 4, 5, 2, 1, 4, 9}, 16);
    EXPECT_EQ(p.races[2].coverPartner, 3);                                               // 2 shares bracket 1 with 1
    EXPECT_EQ(Numbers(p.races[2].axisPartners), (std::array<int, 6>{0, 4, 9, 8, 2, 3})); // 3 shares bracket 2 with 4
}

TEST(Bets, APartnerEqualToTheAxisMakesBothTextsOfItsSlotVoid)
{
    const Prediction p = RunBets({"-", 1, 5, 3, 4, 2, 5, 6}, 12);
    ASSERT_EQ(p.races[2].axisHorse, 5);
    EXPECT_EQ(BetText(p.races[2].quinellaBets[1]), " 0 -  5");
    EXPECT_EQ(BetText(p.races[2].bracketBets[1]).substr(0, 2), " 0");
    std::vector<std::string> list;
    EXPECT_FALSE(AddBetToList(list, p.races[2].quinellaBets[1]));
    EXPECT_TRUE(list.empty());
}

TEST(Bets, MarksOfZeroHaveNoBracket)
{
    // In a field of three, marks can fold to 0; horse 0 has bracket 0 and its bet is void.
    const Prediction p = RunBets({"-", 1, 2, 3, 0, 3, 3, 3}, 3);
    ASSERT_EQ(p.races[2].coverHorse, 0);
    EXPECT_EQ(p.races[2].coverBracket, 0);
}

TEST(BetText, WritesEachNumberAsPrintfWould)
{
    for (const auto &[smaller, larger] : std::vector<std::pair<int, int>>{
             {0, 3}, {1, 2}, {3, 12}, {9, 10}, {10, 18}, {0, 0}, {99, 99}, {100, 101}, {-1, 4}, {-12, 3}}) {
        EXPECT_EQ(BetText({smaller, larger}), Format("%2d - %2d", smaller, larger)) << smaller << " " << larger;
    }
    EXPECT_EQ(BetText({3, 12}), " 3 - 12");
}

TEST(AddBetToList, AppendsOnlyValidNewBets)
{
    std::vector<std::string> list;
    EXPECT_TRUE(AddBetToList(list, Bet{10, 12}));
    EXPECT_FALSE(AddBetToList(list, Bet{10, 12}));
    EXPECT_FALSE(AddBetToList(list, Bet{0, 4}));
    EXPECT_FALSE(AddBetToList(list, Bet{-1, 4}));
    EXPECT_TRUE(AddBetToList(list, Bet{2, 2}));
    EXPECT_EQ(list, (std::vector<std::string>{"10 - 12", " 2 -  2"}));
}

} // namespace
} // namespace velmora

namespace velmora {
namespace {

TEST(Prediction, BetsOnNumbersOutsideTheFieldAreVoid)
{
    // Hostile distances drive the marks far from the field: the cover partner of race 2
    // lands below 1. No bet may name a horse that does not run.
    std::vector<test::RaceShape> races;
    const int distances[] = {1, 30, 900, 9999};
    for (int r = 0; r < 12; ++r)
        races.push_back({distances[r % 4], 6});
    const RaceCard card = test::MakeCard(races);
    Prediction p;
    ComputePrediction(card, p);

    bool outside = false;
    for (int r = 1; r <= 12; ++r) {
        const RacePrediction &race = p.races[r];
        outside = outside || race.coverPartner < 1 || race.coverPartner > race.fieldSize;
        for (int k = 1; k <= 6; ++k) {
            const std::string bet = BetText(race.quinellaBets[k]);
            // Read with sign: a number below 1 must not pass as a void bet's "0".
            const int low = std::atoi(bet.substr(0, 2).c_str());
            const int high = std::atoi(bet.substr(5, 2).c_str());
            if (low == 0)
                continue; // void: no list shows it
            EXPECT_GE(low, 1) << r << "R " << bet;
            EXPECT_LE(high, race.fieldSize) << r << "R " << bet;
            EXPECT_EQ(bet, BetText({low, high}));
            const std::string bracket = BetText(race.bracketBets[k]);
            if (std::atoi(bracket.substr(0, 2).c_str()) != 0) {
                EXPECT_GE(std::atoi(bracket.substr(0, 2).c_str()), 1);
                EXPECT_LE(std::atoi(bracket.substr(5, 2).c_str()), 8);
            }
        }
    }
    EXPECT_TRUE(outside) << "the case no longer reaches outside the field: choose harsher distances";
}

} // namespace
} // namespace velmora
