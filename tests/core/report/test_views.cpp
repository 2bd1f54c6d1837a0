#include "core/report/confidencegraph.h"
#include "core/report/raceview.h"
#include "core/report/userprediction.h"
#include "core/testcard.h"
#include "core/text/sjis.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using gen::RecordBuilder;

std::vector<std::string> Utf8(const std::vector<std::string> &texts)
{
    std::vector<std::string> out;
    for (const std::string &text : texts)
        out.push_back(SjisToUtf8(text));
    return out;
}

/** Twelve races of 16 runners, computed as a load computes them. */
class Views : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_session.card = test::MakeCard(std::vector<test::RaceShape>(12, {1600, 16}));
        m_session.allRaces.reset();
        m_session.allRaces.pendingComputedBets = true;
        ComputePrediction(m_session.card, m_session.prediction);
    }

    void setRace(int race, const std::function<void(RecordBuilder &)> &edit)
    {
        RecordBuilder builder = RecordBuilder::Race();
        builder.set({1, 1270}, std::string_view(m_session.card.RaceRecords[race]).substr(0, 1270));
        edit(builder);
        m_session.card.RaceRecords[race] = builder.bytes();
    }

    Session m_session;
};

TEST_F(Views, ConditionLineFollowsTheRaceType)
{
    setRace(1, [](RecordBuilder &r) {
        r.set(ra::RaceType, "13")
            .setNumber(ra::Condition3, 5)
            .setNumber(ra::Condition4, 10)
            .setNumber(ra::Condition5, 10);
        r.set(ra::Track, "17").setNumber(ra::Distance, 1600).set(ra::WeightRule, "4");
    });
    EXPECT_EQ(SjisToUtf8(RaceView(m_session, 1).conditionLine),
              "サラ系３歳以上　 3歳 500万下  4歳1000万下  5歳1000万下 芝右1600ﾒｰﾄﾙ(定量) ");

    setRace(2, [](RecordBuilder &r) { r.set(ra::RaceType, "14").setNumber(ra::Condition4, 999); });
    EXPECT_EQ(SjisToUtf8(RaceView(m_session, 2).conditionLine), "サラ系４歳以上　 オープン    1600ﾒｰﾄﾙ() ");

    setRace(3, [](RecordBuilder &r) { r.set(ra::RaceType, "13").setNumber(ra::Condition3, 701); });
    EXPECT_EQ(SjisToUtf8(RaceView(m_session, 3).conditionLine), "サラ系３歳以上　 新馬        1600ﾒｰﾄﾙ() ");
}

TEST_F(Views, HeadingsOfTheTabAndOfTheLoader)
{
    setRace(1, [](RecordBuilder &r) { r.setText(ra::RaceName, "３歳未勝利").setNumber(ra::Weekday, 0); });
    EXPECT_TRUE(SjisToUtf8(RaceView(m_session, 1).heading).starts_with("  1 R   ３歳未勝利　"));
    EXPECT_TRUE(SjisToUtf8(LoadedRaceView(m_session).heading).starts_with("  1 R ３歳未勝利　"));
    // A blank name, as JV-Data gives an ordinary race: the title its codes give, in the name's 60 bytes.
    setRace(2, [](RecordBuilder &r) {
        r.setText(ra::RaceName, "").set(ra::RaceType, "11").setNumber(ra::Condition2, 701);
    });
    const std::string heading = RaceView(m_session, 2).heading;
    EXPECT_EQ(heading.size(), 8u + 60);
    EXPECT_TRUE(SjisToUtf8(heading).starts_with("  2 R   ２歳新馬　"));
    // A day-of-week code of 0: the tab shows a full-width blank, the loader nothing.
    EXPECT_EQ(SjisToUtf8(RaceView(m_session, 1).dateLine), "2005年03月12日(　)中山02回05日");
    EXPECT_EQ(SjisToUtf8(LoadedRaceView(m_session).dateLine), "2005年03月12日()中山02回05日");
    EXPECT_EQ(Utf8(TabCaptions(m_session.card)).front(), "1 R");
    EXPECT_EQ(Utf8(TabCaptions(m_session.card)).back(), "12 R");
}

TEST_F(Views, GridRowsMarksAndResults)
{
    std::string &runner = m_session.card.RunnerRecords[1][2];
    runner.replace(334, 2, "01");
    runner.replace(363, 2, "00");
    m_session.card.RunnerRecords[1][3].replace(334, 2, "  ");
    Prediction &p = m_session.prediction;
    Marks &marks = p.races[1].marks;
    marks.x = marks.a = 5; // the later letter stays
    marks.y = 0;           // names no horse

    const RaceViewTexts view = RaceView(m_session, 1);
    ASSERT_EQ(view.grid.size(), 16u);
    EXPECT_EQ(view.grid[1][kColHorse], "2");
    EXPECT_EQ(view.grid[1][kColBracket], "1");
    EXPECT_EQ(SjisToUtf8(view.grid[1][kColFinish]), " 1着");
    EXPECT_EQ(view.grid[1][kColPopularity], "");
    EXPECT_EQ(view.grid[2][kColFinish], "");
    EXPECT_EQ(view.grid[4][kColMark], "A");
    EXPECT_EQ(view.grid[static_cast<size_t>(marks.d - 1)][kColMarkD], "D");
    EXPECT_EQ(SjisToUtf8(view.fieldSize), "16頭");

    // With fewer than ten races the rows are there, but only the marks are filled.
    m_session.card.RaceCount = 9;
    const RaceViewTexts few = RaceView(m_session, 1);
    ASSERT_EQ(few.grid.size(), 16u);
    EXPECT_EQ(few.grid[1][kColHorse], "");
    EXPECT_EQ(few.grid[4][kColMark], "A");
}

TEST_F(Views, BracketBetsOfSmallFieldsFrom2005)
{
    m_session.card = test::MakeCard(std::vector<test::RaceShape>(12, {1200, 8}));
    ComputePrediction(m_session.card, m_session.prediction);
    EXPECT_TRUE(RaceView(m_session, 2).computerBracket.empty());
    EXPECT_FALSE(LoadedRaceView(m_session).computerBracket.empty()) << "the loader lists race 1's whatever the field";
    m_session.card.IsYear2005OrLater = false;
    EXPECT_FALSE(RaceView(m_session, 2).computerBracket.empty());
}

TEST_F(Views, UserPredictionPairsTheClickedHorseWithTheEnginesPartners)
{
    Prediction &p = m_session.prediction;
    RacePrediction &race = p.races[3];
    race.axisPartners = {3, 7, 1, 12, 9};
    race.axisPartnerBrackets = {2, 4, 1, 6, 5};
    race.coverPartner = 5;
    race.coverPartnerBracket = 3;
    race.grade = Grade::B;

    const UserPrediction shown = MakeUserPrediction(m_session, 3, 6); // horse 7, bracket 4
    EXPECT_EQ(shown.quinella, (std::vector<std::string>{" 3 -  7", " 1 -  7", " 7 - 12", " 5 -  7", " 7 -  9"}));
    EXPECT_EQ(shown.bracket, (std::vector<std::string>{" 2 -  4", " 1 -  4", " 4 -  6", " 3 -  4", " 4 -  5"}));
    EXPECT_EQ(SjisToUtf8(shown.title), "3R[軸]:馬7:枠4");
    EXPECT_EQ(SjisToUtf8(shown.panel), "[軸]:馬 7  :枠 4");

    const RaceBets &box = m_session.allRaces.races[3];
    EXPECT_TRUE(box.user);
    EXPECT_EQ(box.quinella, shown.quinella);
    EXPECT_EQ(SjisToUtf8(box.panel), "B:馬 7:枠 4");
    EXPECT_EQ(m_session.UserAxisHorse[3], 7);
    EXPECT_EQ(m_session.UserAxisBracket[3], 4);

    // The click filled every other race's box with the computed bets first.
    EXPECT_FALSE(m_session.allRaces.pendingComputedBets);
    for (int r : {1, 2, 4, 12}) {
        EXPECT_FALSE(m_session.allRaces.races[r].user);
        EXPECT_FALSE(m_session.allRaces.races[r].quinella.empty()) << "race " << r;
    }

    // The tab of race 3 shows the user's page from the box.
    const RaceViewTexts view = RaceView(m_session, 3);
    EXPECT_EQ(view.userQuinella, shown.quinella);
    EXPECT_EQ(SjisToUtf8(view.userPanel), "[軸]:馬 7 :枠 4");
    EXPECT_TRUE(RaceView(m_session, 4).userQuinella.empty());
}

TEST_F(Views, AClickBelowTheRowsLeavesAnEmptyBlueBox)
{
    const UserPrediction shown = MakeUserPrediction(m_session, 5, -1);
    EXPECT_TRUE(shown.quinella.empty());
    EXPECT_TRUE(shown.bracket.empty());
    EXPECT_TRUE(m_session.allRaces.races[5].user);
    EXPECT_TRUE(m_session.allRaces.races[5].quinella.empty());
    EXPECT_EQ(SjisToUtf8(shown.title), "5R[軸]:馬0:枠0");
}

TEST_F(Views, TheAllRacesBoxesAreCopiedOncePerLoad)
{
    RefreshAllRaces(m_session);
    const RaceBets first = m_session.allRaces.races[1];
    EXPECT_EQ(SjisToUtf8(first.caption), " 1 R");
    EXPECT_EQ(SjisToUtf8(m_session.allRaces.races[12].caption), " 12 R");
    EXPECT_FALSE(first.quinella.empty());
    RefreshAllRaces(m_session);
    EXPECT_EQ(m_session.allRaces.races[1].quinella, first.quinella) << "a second refresh adds nothing";

    MakeUserPrediction(m_session, 3, 0);
    m_session.allRaces.reset();
    m_session.allRaces.pendingComputedBets = true;
    RefreshAllRaces(m_session);
    EXPECT_FALSE(m_session.allRaces.races[3].user) << "a reload shows the computed bets again";
}

TEST(ConfidenceGraph, BarsByGrade)
{
    Prediction p;
    p.races[1].grade = Grade::A;
    p.races[2].grade = Grade::C;
    p.races[3].grade = Grade::B;
    p.races[4].grade = Grade::None;
    const std::vector<GraphPoint> points = ConfidenceGraphPoints(p, 4);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points[0].position, 0);
    EXPECT_EQ(points[0].label, "B");
    const std::vector<int> heights = {points[1].value, points[2].value, points[3].value, points[4].value};
    EXPECT_EQ(heights, (std::vector<int>{3, 1, 2, 1}));
    EXPECT_EQ(points[3].position, 3);
    EXPECT_EQ(points[4].label, "");
}

TEST(BracketColour, OfEachBracket)
{
    EXPECT_EQ(BracketColour(4), 0x0000FFu);
    EXPECT_EQ(BracketColour(7), 0xFF8000u);
    EXPECT_FALSE(BracketColour(0));
    EXPECT_FALSE(BracketColour(9));
}

} // namespace
} // namespace velmora
