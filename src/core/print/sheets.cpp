#include "core/print/sheets.h"

#include "core/codes/keibafunc.h"
#include "core/text/sjis.h"

#include <algorithm>

namespace velmora {
namespace {

const char *const kFamily = "ＭＳ ゴシック";

constexpr unsigned kLightGrey = 0xC0C0C0;

// The runner table, in page units (tenths of a millimetre).
constexpr int kTableLeft = 200;
constexpr int kTableRight = 1580;
constexpr int kTableTop = 380;
constexpr int kHeaderBottom = 430;
constexpr int kRowHeight = 50;
constexpr int kColumnRules[] = {280, 360, 960, 1110, 1260, 1340, 1420, 1500, 1580};
constexpr int kBetSpacing = 200;

/** The bytes `from` (1-based) .. `from` + `count` - 1 of `text`, as far as it reaches. */
std::string Bytes(const std::string &text, size_t from, size_t count)
{
    if (from < 1 || from > text.size())
        return {};
    return text.substr(from - 1, count);
}

/** A list of bets side by side from `x` = 200 on, one every 200 units. */
void BetRow(Page &page, int y, const std::vector<std::string> &bets)
{
    int x = kTableLeft;
    for (const std::string &bet : bets) {
        page.textOut(x, y, bet);
        x += kBetSpacing;
    }
}

/** The runner rows and their rules; the thick rule opens each bracket across the whole table. */
void RunnerRows(Page &page, const std::vector<GridRow> &grid, int rows)
{
    int bracketCounter = 0;
    for (int i = 1; i <= rows; ++i) {
        const GridRow &row = grid[static_cast<size_t>(i - 1)];
        const int textY = 390 + kRowHeight * i;
        const int ruleY = 380 + kRowHeight * i;
        const int bracket = FieldValue(row[kColBracket]);
        // The counter advances by one per new bracket rather than taking the bracket's
        // value: JRA numbers brackets without gaps, so both agree on real cards.
        if (bracket != bracketCounter) {
            page.textOut(230, textY, std::to_string(bracket));
            page.pen(12);
            page.line(kTableLeft, ruleY, kTableRight, ruleY);
            ++bracketCounter;
        } else {
            page.pen(1);
            page.line(280, ruleY, kTableRight, ruleY);
        }
        page.textOut(305, textY, Format("%2d", FieldValue(row[kColHorse])));
        page.textOut(380, textY, row[kColName]);
        page.textOut(1005, textY, row[kColSexAge]);
        page.textOut(1150, textY, row[kColWeight]);
        page.textOut(1290, textY, row[kColMark]);
        page.textOut(1370, textY, row[kColMarkD]);
        page.textOut(1450, textY, row[kColMarkE]);
        page.textOut(1530, textY, row[kColMarkF]);
    }
}

} // namespace

RaceSheetSource RaceSheetSourceOf(const Session &session, const RaceViewTexts &view, int race)
{
    const auto r = static_cast<size_t>(race);
    RaceSheetSource source;
    source.dateLine = view.dateLine;
    source.heading = view.heading;
    source.condition = view.conditionLine;
    source.grid = view.grid;
    source.grade = view.grade;
    source.axis = view.axis;
    source.cover = view.cover;
    source.quinella = view.computerQuinella;
    source.bracket = view.computerBracket;
    source.userQuinella = view.userQuinella;
    source.userBracket = view.userBracket;
    // Race 0, no race shown, has no prediction and no field.
    source.fieldSize = race >= 1 ? session.prediction.races.at(race).fieldSize : 0;
    source.isYear2005OrLater = session.card.IsYear2005OrLater;
    source.userAxisHorse = session.UserAxisHorse.at(r);
    source.userAxisBracket = session.UserAxisBracket.at(r);
    return source;
}

std::optional<Page> RaceSheet(const RaceSheetSource &source)
{
    if (source.grid.size() < 5)
        return std::nullopt;

    const int n = source.fieldSize;
    // The table shows the field, but never reads past the rows the grid has (the
    // prediction can be older than the card after a load that could not compute).
    const int rows = std::clamp(n, 0, static_cast<int>(source.grid.size()));
    const int tableBottom = kHeaderBottom + kRowHeight * rows;
    const bool bracketBets = n > 8 || !source.isYear2005OrLater;

    Page page;
    page.caption = "予想結果印刷";
    page.font(kFamily, 11, true);

    page.textOut(200, 200, source.dateLine + Sj(" 【予想結果】Picked up by「Velmora for JRA-VAN Data Lab.」"));
    page.textOut(200, 240, source.heading);
    page.textOut(200, 280, source.condition);

    page.pen(10);
    page.brush(std::nullopt, BrushStyle::Clear);
    page.line(200, 320, 1700, 320);

    page.brush(kLightGrey, BrushStyle::Solid);
    page.rectangle(kTableLeft, kTableTop, kTableRight, kHeaderBottom);

    // Without a brush the texts have no background, so the headings keep the band's grey.
    page.brush(std::nullopt, BrushStyle::Clear);
    page.pen(20);
    page.rectangle(kTableLeft, kTableTop, kTableRight, tableBottom);
    page.line(kTableLeft, kHeaderBottom, kTableRight, kHeaderBottom);

    page.pen(5);
    for (int x : kColumnRules)
        page.line(x, kTableTop, x, tableBottom);

    page.font(kFamily, 10, false);
    RunnerRows(page, source.grid, rows);

    page.textOut(220, 390, Sj("枠"));
    page.textOut(300, 390, Sj("馬"));
    page.textOut(380, 390, Sj("馬名"));
    page.textOut(965, 390, Sj("性別馬齢"));
    page.textOut(1150, 390, Sj("斤量"));
    page.textOut(1275, 390, Sj("印1"));
    page.textOut(1355, 390, Sj("印2"));
    page.textOut(1435, 390, Sj("印3"));
    page.textOut(1515, 390, Sj("印4"));

    page.textOut(200, 1400,
                 Sj("<<買い目>> 【勝負度】") + source.grade + Sj(" 【軸】") + source.axis + Sj(" 【押え】") +
                     source.cover);

    page.textOut(200, 1480, Sj("【馬連】       "));
    BetRow(page, 1560, source.quinella);
    if (bracketBets) {
        page.textOut(200, 1640, Sj("【枠連】       "));
        BetRow(page, 1720, source.bracket);
    }

    if (!source.userQuinella.empty()) {
        page.textOut(200, 1900, Sj("<<ユーザー予想買い目>>"));
        page.textOut(200, 1980, Sj("【馬連】[軸] ") + Format("%2d", source.userAxisHorse));
        BetRow(page, 2060, source.userQuinella);
        if (bracketBets) {
            page.textOut(200, 2140, Sj("【枠連】[軸] ") + Format("%2d", source.userAxisBracket));
            BetRow(page, 2220, source.userBracket);
        }
    }
    return page;
}

Page AllRacesSheet(const Session &session, int tabCount, const std::string &heading)
{
    Page page;
    page.caption = "全レース買い目";
    page.font(kFamily, 12, true);
    page.textOut(200, 200, heading + Sj(" 【全レース買い目】Picked up by「Velmora２」"));

    page.pen(10);
    page.brush(std::nullopt, BrushStyle::Clear);
    page.line(200, 240, 1770, 240);

    page.font(kFamily, 10, false);
    const int races = std::clamp(tabCount, 0, kMaxRaces);
    for (int m = 0; m < races; ++m) {
        const int r = m + 1;
        const int d = 185 * m;
        const RaceBets &bets = session.allRaces.races[static_cast<size_t>(r)];

        page.textOut(200, 270 + d, "///// " + Format("%2d", r) + "R /////");

        // Both variants are 14 + 17 bytes wide, so the lines keep their width.
        std::string user1(14, ' ');
        std::string user2(17, ' ');
        if (bets.user) {
            // The panel reads grade, ":馬", the horse in "%2d", ":枠", the bracket in "%2d".
            user1 = Sj("(ユーザー予想)");
            user2 = Sj("[軸]馬：") + Bytes(bets.panel, 5, 2) + Sj(" 枠：") + Bytes(bets.panel, 10, 2);
        }
        page.textOut(200, 315 + d,
                     Sj("勝負度：") + GradeText(session.prediction.races[r].grade) + "   " + user1 + user2);

        std::string quinella = Sj("【馬連】");
        for (const std::string &bet : bets.quinella)
            quinella += bet + "      ";
        page.textOut(200, 350 + d, quinella);

        if (ShowsBracketBets(session.card, r)) {
            std::string bracket = Sj("【枠連】");
            for (const std::string &bet : bets.bracket)
                bracket += bet + "      ";
            page.textOut(200, 385 + d, bracket);
        }

        page.pen(1);
        page.line(200, 425 + d, 1700, 425 + d);
    }
    return page;
}

} // namespace velmora
