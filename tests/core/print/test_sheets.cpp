#include "core/print/sheets.h"
#include "core/report/userprediction.h"
#include "core/testcard.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace velmora {
namespace {

/** A text of a page with the font it was written in; the text in UTF-8. */
struct Written
{
    int x = 0;
    int y = 0;
    std::string text;
    int pointSize = 0;
    bool bold = false;
};

/** A line with the pen it was drawn with. */
struct Drawn
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int penWidth = 0;
    bool operator==(const Drawn &) const = default;
};

/** A rectangle with its pen and brush. */
struct Boxed
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int penWidth = 0;
    std::optional<unsigned> brushColour;
    BrushStyle brushStyle = BrushStyle::Solid;
};

/** What a page puts on paper: its operations played with the font, pen and brush in effect. */
struct Played
{
    std::vector<Written> texts;
    std::vector<Drawn> lines;
    std::vector<Boxed> boxes;

    explicit Played(const Page &page)
    {
        DrawOp font, pen, brush;
        int penX = 0, penY = 0;
        for (const DrawOp &op : page.ops) {
            switch (op.kind) {
            case DrawOp::Kind::Font:
                EXPECT_EQ(op.family, "ＭＳ ゴシック");
                font = op;
                break;
            case DrawOp::Kind::Pen:
                EXPECT_EQ(op.penStyle, PenStyle::Solid);
                pen = op;
                break;
            case DrawOp::Kind::Brush:
                brush = op;
                break;
            case DrawOp::Kind::Text:
                texts.push_back({op.x, op.y, SjisToUtf8(op.text), font.pointSize, font.bold});
                break;
            case DrawOp::Kind::MoveTo:
                penX = op.x;
                penY = op.y;
                break;
            case DrawOp::Kind::LineTo:
                lines.push_back({penX, penY, op.x, op.y, pen.penWidth});
                penX = op.x;
                penY = op.y;
                break;
            case DrawOp::Kind::Rectangle:
                boxes.push_back({op.x, op.y, op.x2, op.y2, pen.penWidth, brush.brushColour, brush.brushStyle});
                break;
            }
        }
    }

    /** The text written at (x, y); fails the test when there is none or more than one. */
    Written at(int x, int y) const
    {
        const auto found =
            std::count_if(texts.begin(), texts.end(), [&](const Written &t) { return t.x == x && t.y == y; });
        EXPECT_EQ(found, 1) << "texts at (" << x << ", " << y << ")";
        for (const Written &text : texts)
            if (text.x == x && text.y == y)
                return text;
        return {};
    }
    bool has(int x, int y) const
    {
        return std::any_of(texts.begin(), texts.end(), [&](const Written &t) { return t.x == x && t.y == y; });
    }
    /** The texts of one line of the page, left to right. */
    std::vector<std::string> row(int y) const
    {
        std::vector<Written> onRow;
        std::copy_if(texts.begin(), texts.end(), std::back_inserter(onRow), [&](const Written &t) { return t.y == y; });
        std::stable_sort(onRow.begin(), onRow.end(), [](const Written &a, const Written &b) { return a.x < b.x; });
        std::vector<std::string> out;
        for (const Written &text : onRow)
            out.push_back(text.text);
        return out;
    }
    /** The lines that run horizontally at y. */
    std::vector<Drawn> rulesAt(int y) const
    {
        std::vector<Drawn> out;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                     [&](const Drawn &l) { return l.y1 == y && l.y2 == y; });
        return out;
    }
};

/** A race print source of `brackets.size()` runners with the brackets given. */
RaceSheetSource Source(const std::vector<int> &brackets)
{
    RaceSheetSource source;
    source.dateLine = Utf8ToSjis("2005年03月12日(土)中山02回05日");
    source.heading = Utf8ToSjis("  5 R   ３歳未勝利");
    source.condition = Utf8ToSjis("サラ系３歳 未勝利 ダ右1800ﾒｰﾄﾙ(馬齢) ");
    for (size_t i = 0; i < brackets.size(); ++i) {
        GridRow row;
        row[kColBracket] = std::to_string(brackets[i]);
        row[kColHorse] = std::to_string(i + 1);
        row[kColName] = Utf8ToSjis("ホース" + std::to_string(i + 1));
        row[kColHidden] = "hidden";
        row[kColSexAge] = Utf8ToSjis("牡 3");
        row[kColWeight] = "56.0";
        row[kColFinish] = Utf8ToSjis(" 1着");
        row[kColPopularity] = Utf8ToSjis(" 2人");
        source.grid.push_back(row);
    }
    source.fieldSize = static_cast<int>(brackets.size());
    source.grade = "A";
    source.axis = "3";
    source.cover = "7";
    source.quinella = {" 1 -  3", " 3 -  5"};
    source.bracket = {" 1 -  2"};
    source.isYear2005OrLater = true;
    return source;
}

/** Runners 1..n in JRA brackets. */
std::vector<int> JraBrackets(int n)
{
    std::vector<int> brackets;
    for (int s = 1; s <= n; ++s)
        brackets.push_back(gen::JraBracket(s, n));
    return brackets;
}

TEST(RaceSheet, NeedsFiveGridRows)
{
    EXPECT_FALSE(RaceSheet(Source({1, 2, 3, 4})).has_value());
    EXPECT_FALSE(RaceSheet(Source({})).has_value());
    const std::optional<Page> page = RaceSheet(Source({1, 2, 3, 4, 5}));
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->caption, "予想結果印刷");
    EXPECT_STREQ(kCannotPrint, "この画面は印刷できません。");
}

TEST(RaceSheet, HeadingBandAndColumnHeadings)
{
    const Played page(*RaceSheet(Source({1, 2, 3, 4, 5})));

    const Written title = page.at(200, 200);
    EXPECT_EQ(title.text, "2005年03月12日(土)中山02回05日 【予想結果】Picked up by「Velmora for JRA-VAN Data Lab.」");
    EXPECT_EQ(title.pointSize, 11);
    EXPECT_TRUE(title.bold);
    EXPECT_EQ(page.at(200, 240).text, "  5 R   ３歳未勝利");
    EXPECT_EQ(page.at(200, 280).text, "サラ系３歳 未勝利 ダ右1800ﾒｰﾄﾙ(馬齢) ");
    EXPECT_TRUE(page.at(200, 280).bold);

    EXPECT_EQ(page.rulesAt(320), (std::vector<Drawn>{{200, 320, 1700, 320, 10}}));

    ASSERT_EQ(page.boxes.size(), 2u);
    const Boxed &band = page.boxes[0];
    EXPECT_EQ(std::tie(band.x1, band.y1, band.x2, band.y2, band.penWidth), std::tuple(200, 380, 1580, 430, 10));
    EXPECT_EQ(band.brushColour, 0xC0C0C0u);
    EXPECT_EQ(band.brushStyle, BrushStyle::Solid);
    const Boxed &frame = page.boxes[1];
    EXPECT_EQ(std::tie(frame.x1, frame.y1, frame.x2, frame.y2, frame.penWidth), std::tuple(200, 380, 1580, 680, 20));
    EXPECT_EQ(frame.brushStyle, BrushStyle::Clear) << "the frame must not cover the band";
    EXPECT_FALSE(frame.brushColour.has_value());

    const std::vector<std::string> headings = {"枠", "馬", "馬名", "性別馬齢", "斤量", "印1", "印2", "印3", "印4"};
    EXPECT_EQ(page.row(390), headings);
    EXPECT_EQ(page.at(965, 390).text, "性別馬齢");
    EXPECT_EQ(page.at(1515, 390).text, "印4");
    EXPECT_EQ(page.at(220, 390).pointSize, 10);
    EXPECT_FALSE(page.at(220, 390).bold);
}

TEST(RaceSheet, ThickRuleAndNumberOpenEachBracket)
{
    RaceSheetSource source = Source({1, 1, 2, 3, 3});
    source.grid[3][kColMark] = "X";
    source.grid[0][kColMarkF] = "F";
    const Played page(*RaceSheet(source));

    const Drawn thick = {200, 0, 1580, 0, 12};
    const Drawn thin = {280, 0, 1580, 0, 1};
    for (int i = 1; i <= 5; ++i) {
        const int ruleY = 380 + 50 * i;
        Drawn expected = i == 2 || i == 5 ? thin : thick;
        expected.y1 = expected.y2 = ruleY;
        const std::vector<Drawn> rules = page.rulesAt(ruleY);
        EXPECT_NE(std::find(rules.begin(), rules.end(), expected), rules.end()) << "row " << i;
        EXPECT_EQ(page.has(230, 390 + 50 * i), i != 2 && i != 5) << "row " << i;
    }
    EXPECT_EQ(page.at(230, 440).text, "1");
    EXPECT_EQ(page.at(230, 540).text, "2");
    EXPECT_EQ(page.at(230, 590).text, "3");

    // Row 4: horse number, name, sex and age, weight and the four marks; columns 3, 10, 11 stay off paper.
    EXPECT_EQ(page.at(305, 590).text, " 4");
    EXPECT_EQ(page.at(380, 590).text, "ホース4");
    EXPECT_EQ(page.at(1005, 590).text, "牡 3");
    EXPECT_EQ(page.at(1150, 590).text, "56.0");
    EXPECT_EQ(page.at(1290, 590).text, "X");
    EXPECT_EQ(page.at(1530, 440).text, "F");
    for (const Written &text : page.texts) {
        EXPECT_NE(text.text, "hidden");
        EXPECT_EQ(text.text.find("着"), std::string::npos);
        EXPECT_EQ(text.text.find("人"), std::string::npos);
    }

    // Column rules run from the top of the band to the bottom of the table.
    for (int x : {280, 360, 960, 1110, 1260, 1340, 1420, 1500, 1580}) {
        const Drawn rule = {x, 380, x, 680, 5};
        EXPECT_NE(std::find(page.lines.begin(), page.lines.end(), rule), page.lines.end()) << "x " << x;
    }
}

TEST(RaceSheet, FrameGrowsWithTheFieldAndStaysClearOfTheBets)
{
    for (const auto &[runners, bottom] : {std::pair(16, 1230), std::pair(18, 1330)}) {
        const Played page(*RaceSheet(Source(JraBrackets(runners))));
        const Boxed &frame = page.boxes.at(1);
        EXPECT_EQ(frame.y2, bottom) << runners;
        const Drawn lastRule = {1580, 380, 1580, bottom, 5};
        EXPECT_NE(std::find(page.lines.begin(), page.lines.end(), lastRule), page.lines.end());
        EXPECT_EQ(page.at(305, 390 + 50 * runners).text, std::to_string(runners));
        EXPECT_LT(bottom, 1400);
        EXPECT_EQ(page.at(200, 1400).text, "<<買い目>> 【勝負度】A 【軸】3 【押え】7");
    }
    // Eight brackets of two: a number on every odd row only.
    const Played sixteen(*RaceSheet(Source(JraBrackets(16))));
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(sixteen.has(230, 390 + 50 * i), i % 2 == 1) << "row " << i;
    EXPECT_EQ(sixteen.at(230, 390 + 50 * 15).text, "8");
}

TEST(RaceSheet, ComputedAndUserBets)
{
    RaceSheetSource source = Source(JraBrackets(12));
    source.quinella = {" 1 -  3", " 3 -  5", " 3 -  7", " 3 -  9", " 3 - 11", " 3 - 12"};
    source.bracket = {" 1 -  2", " 2 -  5"};
    const Played computed(*RaceSheet(source));
    EXPECT_EQ(computed.at(200, 1480).text, "【馬連】       ");
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(computed.at(200 + 200 * k, 1560).text, SjisToUtf8(source.quinella[static_cast<size_t>(k)]));
    EXPECT_EQ(computed.at(200, 1640).text, "【枠連】       ");
    EXPECT_EQ(computed.row(1720), (std::vector<std::string>{" 1 -  2", " 2 -  5"}));
    EXPECT_EQ(computed.texts.back().y, 1720) << "no user part without user bets";

    source.userQuinella = {" 4 -  6", " 6 -  8", " 6 - 10"};
    source.userBracket = {" 3 -  4"};
    source.userAxisHorse = 6;
    source.userAxisBracket = 4;
    const Played user(*RaceSheet(source));
    EXPECT_EQ(user.at(200, 1900).text, "<<ユーザー予想買い目>>");
    EXPECT_EQ(user.at(200, 1980).text, "【馬連】[軸]  6");
    EXPECT_EQ(user.row(2060), (std::vector<std::string>{" 4 -  6", " 6 -  8", " 6 - 10"}));
    EXPECT_EQ(user.at(600, 2060).text, " 6 - 10");
    EXPECT_EQ(user.at(200, 2140).text, "【枠連】[軸]  4");
    EXPECT_EQ(user.row(2220), (std::vector<std::string>{" 3 -  4"}));
    EXPECT_EQ(user.at(200, 2220).pointSize, 10);
}

TEST(RaceSheet, BracketBetsOnlyForLargeFieldsOrEarlierData)
{
    auto withUserBets = [](int runners, bool from2005) {
        RaceSheetSource source = Source(JraBrackets(runners));
        source.isYear2005OrLater = from2005;
        source.userQuinella = {" 1 -  2"};
        source.userBracket = {" 1 -  2"};
        source.userAxisBracket = 1;
        return Played(*RaceSheet(source));
    };
    const Played small = withUserBets(8, true);
    EXPECT_FALSE(small.has(200, 1640));
    EXPECT_TRUE(small.row(1720).empty());
    EXPECT_TRUE(small.has(200, 1980));
    EXPECT_FALSE(small.has(200, 2140));
    EXPECT_TRUE(small.row(2220).empty());

    for (const Played &page : {withUserBets(9, true), withUserBets(8, false)}) {
        EXPECT_EQ(page.at(200, 1640).text, "【枠連】       ");
        EXPECT_EQ(page.row(1720), (std::vector<std::string>{" 1 -  2"}));
        EXPECT_EQ(page.at(200, 2140).text, "【枠連】[軸]  1");
        EXPECT_EQ(page.row(2220), (std::vector<std::string>{" 1 -  2"}));
    }
}

TEST(RaceSheet, NeverReadsPastTheGrid)
{
    // A field size larger than the grid (a prediction older than the card): the rows that exist.
    RaceSheetSource source = Source(JraBrackets(6));
    source.fieldSize = 14;
    const Played page(*RaceSheet(source));
    EXPECT_EQ(page.boxes.at(1).y2, 730);
    EXPECT_TRUE(page.has(305, 690));
    EXPECT_FALSE(page.has(305, 740));
    EXPECT_TRUE(page.has(200, 1640)) << "the bracket rule still follows the field size";
}

/** Twelve races of 16 runners (race 5 of 8), computed as a load computes them. */
class SheetsFromSession : public testing::Test
{
  protected:
    void SetUp() override
    {
        std::vector<test::RaceShape> races(12, {1600, 16});
        races[4] = {1200, 8};
        races[6] = {1400, 9};
        m_session.card = test::MakeCard(races);
        m_session.allRaces.reset();
        m_session.allRaces.pendingComputedBets = true;
        ComputePrediction(m_session.card, m_session.prediction);
    }

    Session m_session;
};

TEST_F(SheetsFromSession, RaceSheetPrintsWhatTheTabShows)
{
    MakeUserPrediction(m_session, 3, 6);
    const RaceViewTexts view = RaceView(m_session, 3);
    const RaceSheetSource source = RaceSheetSourceOf(m_session, view, 3);
    EXPECT_EQ(source.fieldSize, 16);
    EXPECT_TRUE(source.isYear2005OrLater);

    const Played page(*RaceSheet(source));
    EXPECT_EQ(page.at(200, 240).text, SjisToUtf8(view.heading));
    EXPECT_EQ(page.at(200, 280).text, SjisToUtf8(view.conditionLine));
    EXPECT_EQ(page.boxes.at(1).y2, 1230);
    EXPECT_EQ(page.at(230, 390 + 50 * 7).text, "4");
    EXPECT_EQ(page.at(305, 390 + 50 * 7).text, " 7");
    EXPECT_EQ(page.at(200, 1980).text, "【馬連】[軸]  7");
    EXPECT_EQ(page.at(200, 2140).text, "【枠連】[軸]  4");
    ASSERT_FALSE(view.userQuinella.empty());
    EXPECT_EQ(page.row(2060).size(), view.userQuinella.size());
    EXPECT_EQ(page.row(1560).size(), view.computerQuinella.size());
    EXPECT_EQ(page.at(200, 1400).text, "<<買い目>> 【勝負度】" + SjisToUtf8(view.grade) + " 【軸】" +
                                           SjisToUtf8(view.axis) + " 【押え】" + SjisToUtf8(view.cover));
}

TEST_F(SheetsFromSession, AllRacesLayoutOfTwelveRaces)
{
    RefreshAllRaces(m_session);
    const std::string heading = Utf8ToSjis("2005年03月12日(土)中山02回05日");
    const Page sheet = AllRacesSheet(m_session, 12, heading);
    EXPECT_EQ(sheet.caption, "全レース買い目");
    const Played page(sheet);

    const Written title = page.at(200, 200);
    EXPECT_EQ(title.text, "2005年03月12日(土)中山02回05日 【全レース買い目】Picked up by「Velmora２」");
    EXPECT_EQ(title.pointSize, 12);
    EXPECT_TRUE(title.bold);
    EXPECT_EQ(page.rulesAt(240), (std::vector<Drawn>{{200, 240, 1770, 240, 10}}));

    for (int m = 0; m < 12; ++m) {
        const int d = 185 * m;
        const Written race = page.at(200, 270 + d);
        EXPECT_EQ(race.text, "///// " + Format("%2d", m + 1) + "R /////");
        EXPECT_EQ(race.pointSize, 10);
        EXPECT_FALSE(race.bold);
        EXPECT_EQ(page.rulesAt(425 + d), (std::vector<Drawn>{{200, 425 + d, 1700, 425 + d, 1}})) << "race " << m + 1;
    }
    EXPECT_EQ(page.lines.back(), (Drawn{200, 2460, 1700, 2460, 1}));
    EXPECT_TRUE(page.boxes.empty());

    // Race 1: the grade, then 14 + 17 blanks; every bet followed by six blanks.
    const std::string grade = SjisToUtf8(GradeText(m_session.prediction.races[1].grade));
    EXPECT_EQ(page.at(200, 315).text, "勝負度：" + grade + "   " + std::string(31, ' '));
    std::string quinella = "【馬連】";
    for (const std::string &bet : m_session.allRaces.races[1].quinella)
        quinella += bet + "      ";
    EXPECT_EQ(page.at(200, 350).text, quinella);
    ASSERT_FALSE(m_session.allRaces.races[1].bracket.empty());
    EXPECT_TRUE(page.at(200, 385).text.starts_with("【枠連】" +
                                                   SjisToUtf8(m_session.allRaces.races[1].bracket.front()) + "      "));
}

TEST_F(SheetsFromSession, AllRacesUserPartAndBracketRule)
{
    MakeUserPrediction(m_session, 3, 6); // horse 7, bracket 4
    const Played page(AllRacesSheet(m_session, 12, "x"));

    const int d3 = 185 * 2;
    const std::string grade = SjisToUtf8(GradeText(m_session.prediction.races[3].grade));
    EXPECT_EQ(page.at(200, 315 + d3).text, "勝負度：" + grade + "   (ユーザー予想)[軸]馬： 7 枠： 4");
    std::string quinella = "【馬連】";
    for (const std::string &bet : m_session.allRaces.races[3].quinella)
        quinella += bet + "      ";
    EXPECT_EQ(page.at(200, 350 + d3).text, quinella);
    // The user line is as wide as the blank one.
    EXPECT_EQ(Utf8ToSjis(page.at(200, 315 + d3).text).size(), Utf8ToSjis(page.at(200, 315).text).size());

    // Race 5 has 8 runners in 2005 data: no bracket line; race 7 has 9.
    EXPECT_FALSE(page.has(200, 385 + 185 * 4));
    EXPECT_TRUE(page.has(200, 350 + 185 * 4));
    EXPECT_TRUE(page.has(200, 385 + 185 * 6));
    m_session.card.IsYear2005OrLater = false;
    EXPECT_EQ(Played(AllRacesSheet(m_session, 12, "x")).at(200, 385 + 185 * 4).text, "【枠連】");

    // A short or missing panel costs its bytes, never the page.
    m_session.allRaces.races[3].panel = "B";
    EXPECT_EQ(Played(AllRacesSheet(m_session, 12, "x")).at(200, 315 + d3).text,
              "勝負度：" + grade + "   (ユーザー予想)[軸]馬： 枠：");
}

TEST_F(SheetsFromSession, AllRacesWalksTheTabs)
{
    RefreshAllRaces(m_session);
    const Played ten(AllRacesSheet(m_session, 10, "x"));
    EXPECT_EQ(ten.lines.size(), 11u);
    EXPECT_EQ(ten.lines.back().y1, 425 + 185 * 9);
    EXPECT_FALSE(ten.has(200, 270 + 185 * 10));

    EXPECT_EQ(Played(AllRacesSheet(m_session, 13, "x")).lines.back().y1, 2460) << "there are 12 race slots";
    EXPECT_EQ(Played(AllRacesSheet(m_session, 0, "x")).lines.size(), 1u);
}

} // namespace
} // namespace velmora
