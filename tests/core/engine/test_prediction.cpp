#include "core/engine/prediction.h"
#include "core/testcard.h"
#include "core/text/sjis.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::MakeCard;
using test::RaceShape;

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

    EXPECT_EQ(p.RaceScore[1], 96.0f);
    EXPECT_EQ(p.RaceScore[2], 108.0f);
    EXPECT_EQ(p.RaceIndex[1], 0.8888889f);
    EXPECT_EQ(p.RaceIndex[2], 1.125f);
    EXPECT_EQ(p.FieldSize[1], 16);
    EXPECT_EQ(p.XValue[1], 3.0f);
    EXPECT_EQ(p.XValue[2], -4.0f);
    EXPECT_EQ(p.IndexSign[1], "-");
    EXPECT_EQ(p.IndexSign[2], "+");

    // Race 1 is the first race (sign "-"), race 2 a middle race (sign "+").
    const std::array<int, 8> race1 = {p.MarkX[1], p.MarkY[1], p.MarkA[1], p.MarkB[1],
                                      p.MarkC[1], p.MarkD[1], p.MarkE[1], p.MarkF[1]};
    EXPECT_EQ(race1, (std::array<int, 8>{3, 6, 4, 5, 2, 1, 4, 9}));
    const std::array<int, 8> race2 = {p.MarkX[2], p.MarkY[2], p.MarkA[2], p.MarkB[2],
                                      p.MarkC[2], p.MarkD[2], p.MarkE[2], p.MarkF[2]};
    EXPECT_EQ(race2, (std::array<int, 8>{8, 11, 9, 10, 7, 1, 4, 11}));

    EXPECT_EQ(p.AxisHorse[1], 4);
    EXPECT_EQ(p.CoverHorse[1], 2);
    EXPECT_EQ(p.ConfidenceGrade[1], "A");
    EXPECT_EQ(p.CoverPartner[1], 3);
    EXPECT_EQ(p.AxisPartners[1], (std::array<int, 6>{0, 4, 9, 8, 2, 3}));
    EXPECT_EQ(p.AxisBracket[1], 2);
    EXPECT_EQ(p.CoverBracket[1], 1);
    EXPECT_EQ(p.CoverPartnerBracket[1], 2);
    EXPECT_EQ(p.AxisPartnerBrackets[1], (std::array<int, 6>{0, 2, 5, 4, 1, 2}));
    EXPECT_EQ(p.QuinellaBets[1],
              (std::array<std::string, 7>{"", " 0 -  4", " 4 -  9", " 4 -  8", " 2 -  4", " 2 -  3", " 3 -  4"}));
    EXPECT_EQ(p.BracketBets[1],
              (std::array<std::string, 7>{"", " 0 -  2", " 2 -  5", " 2 -  4", " 1 -  2", " 1 -  2", " 2 -  2"}));

    std::vector<std::string> quinella, bracket;
    for (int k = 1; k <= 6; ++k) {
        AddBetToList(quinella, p.QuinellaBets[1][k]);
        AddBetToList(bracket, p.BracketBets[1][k]);
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
    EXPECT_EQ(p.XValue[1], c.x1);
    EXPECT_EQ(p.XValue[2], c.x2);
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
        p.FieldSize[r] = n;
        p.RaceIndex[r] = index;
        p.IndexSign[r] = sign;
    }
    return p;
}

TEST(Marks, XIsTheNumberOfTheFieldEqualToTheXValueModuloItsSize)
{
    const std::vector<std::pair<float, int>> cases = {{0, 16}, {16, 16}, {17, 1}, {-1, 15}, {-16, 16}, {33, 1}};
    for (const auto &[x, mark] : cases) {
        Prediction p = MarkInputs(3, 16, 1.0f, "+");
        p.XValue[2] = x;
        ComputeMarks(p, 3);
        EXPECT_EQ(p.MarkX[2], mark) << "X value " << x;
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
        p.XValue[c.race] = c.x;
        ComputeMarks(p, 3);
        EXPECT_EQ((std::array<int, 4>{p.MarkY[c.race], p.MarkA[c.race], p.MarkB[c.race], p.MarkC[c.race]}), c.yabc)
            << "race " << c.race << " sign " << c.sign << " X " << c.x;
    }

    // A field of three: Y of X = 3 in the first race with "-" folds to 0 and names no horse.
    Prediction small = MarkInputs(3, 3, 1.0f, "-");
    small.XValue[1] = 3;
    ComputeMarks(small, 3);
    EXPECT_EQ(small.MarkY[1], 0);
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
        EXPECT_EQ((std::array<int, 3>{p.MarkD[2], p.MarkE[2], p.MarkF[2]}), c.def) << "index " << c.index;
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
        p.FieldSize[r] = n;
        p.IndexSign[r] = c.sign;
        p.MarkX[r] = c.x;
        p.MarkA[r] = c.a;
        p.MarkB[r] = c.b;
        p.MarkC[r] = c.c;
        p.MarkD[r] = c.d;
        p.MarkE[r] = c.e;
        p.MarkF[r] = c.f;
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
        EXPECT_EQ(p.AxisHorse[2], c.axis);
        EXPECT_EQ(p.CoverHorse[2], c.cover);
        EXPECT_EQ(p.ConfidenceGrade[2], c.grade);
    }
}

TEST(Bets, PartnersStepAroundTheFieldAndOffSharedBrackets)
{
    // "-": cover partner = D stepped up; stepping up from n - 1 (and from n) gives 1.
    Prediction p = RunBets({"-", 1, 2, 3, 4, 7, 5, 6});
    EXPECT_EQ(p.CoverPartner[2], 1);
    p = RunBets({"-", 1, 2, 3, 4, 8, 5, 6});
    EXPECT_EQ(p.CoverPartner[2], 1);
    // Partners 3 and 4 step down from F and E; stepping down from 1 gives n.
    p = RunBets({"-", 1, 2, 3, 4, 7, 1, 6});
    EXPECT_EQ(p.AxisPartners[2], (std::array<int, 6>{0, 1, 6, 5, 8, 1}));
    // "+": the directions are exchanged.
    p = RunBets({"+", 3, 2, 3, 4, 1, 5, 6});
    EXPECT_EQ(p.CoverPartner[2], 8);
    EXPECT_EQ(p.AxisPartners[2], (std::array<int, 6>{0, 5, 6, 7, 6, 3}));

    // 16 runners, two per bracket: a partner sharing its origin's bracket moves on once.
    p = RunBets({"-", 3, 4, 5, 2, 1, 4, 9}, 16);
    EXPECT_EQ(p.CoverPartner[2], 3);                                      // 2 shares bracket 1 with 1
    EXPECT_EQ(p.AxisPartners[2], (std::array<int, 6>{0, 4, 9, 8, 2, 3})); // 3 shares bracket 2 with 4
}

TEST(Bets, APartnerEqualToTheAxisMakesBothTextsOfItsSlotVoid)
{
    const Prediction p = RunBets({"-", 1, 5, 3, 4, 2, 5, 6}, 12);
    ASSERT_EQ(p.AxisHorse[2], 5);
    EXPECT_EQ(p.QuinellaBets[2][1], " 0 -  5");
    EXPECT_EQ(p.BracketBets[2][1].substr(0, 2), " 0");
    std::vector<std::string> list;
    EXPECT_FALSE(AddBetToList(list, p.QuinellaBets[2][1]));
    EXPECT_TRUE(list.empty());
}

TEST(Bets, MarksOfZeroHaveNoBracket)
{
    // In a field of three, marks can fold to 0; horse 0 has bracket 0 and its bet is void.
    const Prediction p = RunBets({"-", 1, 2, 3, 0, 3, 3, 3}, 3);
    ASSERT_EQ(p.CoverHorse[2], 0);
    EXPECT_EQ(p.CoverBracket[2], 0);
}

TEST(BetText, WritesEachNumberAsPrintfWould)
{
    for (const auto &[smaller, larger] : std::vector<std::pair<int, int>>{
             {0, 3}, {1, 2}, {3, 12}, {9, 10}, {10, 18}, {0, 0}, {99, 99}, {100, 101}, {-1, 4}, {-12, 3}}) {
        EXPECT_EQ(BetText(smaller, larger), Format("%2d - %2d", smaller, larger)) << smaller << " " << larger;
    }
    EXPECT_EQ(BetText(3, 12), " 3 - 12");
}

TEST(AddBetToList, AppendsOnlyValidNewBets)
{
    std::vector<std::string> list;
    EXPECT_TRUE(AddBetToList(list, "10 - 12"));
    EXPECT_FALSE(AddBetToList(list, "10 - 12"));
    EXPECT_FALSE(AddBetToList(list, " 0 -  4"));
    EXPECT_FALSE(AddBetToList(list, "  -  4"));
    EXPECT_TRUE(AddBetToList(list, " 2 -  2"));
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
        outside = outside || p.CoverPartner[r] < 1 || p.CoverPartner[r] > p.FieldSize[r];
        for (int k = 1; k <= 6; ++k) {
            const std::string &bet = p.QuinellaBets[r][k];
            // Read with sign: a number below 1 must not pass as a void bet's "0".
            const int low = std::atoi(bet.substr(0, 2).c_str());
            const int high = std::atoi(bet.substr(5, 2).c_str());
            if (low == 0)
                continue; // void: no list shows it
            EXPECT_GE(low, 1) << r << "R " << bet;
            EXPECT_LE(high, p.FieldSize[r]) << r << "R " << bet;
            EXPECT_EQ(bet, BetText(low, high));
            const std::string &bracket = p.BracketBets[r][k];
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
