#include "core/backtest/backtestmodel.h"
#include "core/backtest/backtestreport.h"
#include "core/testcard.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

namespace velmora {
namespace {

constexpr auto Q = TicketKind::Quinella;
constexpr auto W = TicketKind::Wide;
constexpr auto B = TicketKind::Bracket;

/** A settled race with the given tickets and returns per kind (quinella, wide, bracket). */
RaceFigures Race(QDate date, const char *course, int race, const char *grade, std::array<int, 3> tickets,
                 std::array<int, 3> payback)
{
    RaceFigures figures{date, course, race, test::GradeOf(grade), {}};
    figures.figures.settledRaces = 1;
    for (const TicketKind kind : kTicketKinds) {
        const auto k = static_cast<size_t>(kind);
        if (tickets[k] == 0)
            continue;
        figures.figures[kind] = {1, payback[k] > 0, tickets[k], payback[k] > 0, tickets[k] * 100LL, payback[k]};
    }
    return figures;
}

BacktestResult ThreeRaces()
{
    BacktestResult result;
    result.courseDays = 2;
    result.doneCourseDays = result.totalCourseDays = 3;
    result.complete = true;
    result.skipped = {{QStringLiteral("2026年11月29日東京"), QStringLiteral("データ作成が未完了です。")}};
    result.pendingRaces = 1;
    result.races = {Race(QDate(2026, 11, 28), "06", 11, "A", {5, 5, 4}, {2450, 980, 0}),
                    Race(QDate(2026, 11, 28), "05", 1, "C", {6, 6, 0}, {0, 0, 0}),
                    Race(QDate(2026, 12, 5), "09", 3, "B", {4, 4, 3}, {0, 12340, 0})};
    SummarizeBacktest(result);
    return result;
}

TEST(BacktestTexts, AmountsRatesRangesAndSummary)
{
    EXPECT_EQ(FormatYen(0), QStringLiteral("0"));
    EXPECT_EQ(FormatYen(999), QStringLiteral("999"));
    EXPECT_EQ(FormatYen(1000), QStringLiteral("1,000"));
    EXPECT_EQ(FormatYen(-1234567), QStringLiteral("-1,234,567"));
    EXPECT_EQ(FormatProfit(1230), QStringLiteral("+1,230"));
    EXPECT_EQ(FormatProfit(-600), QStringLiteral("-600"));
    EXPECT_EQ(FormatProfit(0), QStringLiteral("0"));
    EXPECT_EQ(FormatRate(85.25), QStringLiteral("85.3%"));
    EXPECT_EQ(FormatRate(std::nullopt), QStringLiteral("-"));

    EXPECT_EQ(RangeText({}), QStringLiteral("全期間"));
    EXPECT_EQ(RangeText({QDate(2016, 1, 2), QDate(2026, 11, 29)}), QStringLiteral("2016-01-02 〜 2026-11-29"));
    EXPECT_EQ(RangeText({{}, QDate(2026, 11, 29)}), QStringLiteral("最初 〜 2026-11-29"));
    EXPECT_EQ(CourseText("05"), QStringLiteral("05 東京"));
    EXPECT_EQ(CourseText("ZZ"), QStringLiteral("ZZ"));

    BacktestResult result = ThreeRaces();
    EXPECT_EQ(BacktestSummaryText(result), QStringLiteral("開催 2日（除外 1日）　確定 3レース　未確定 1レース"));
    result.complete = false;
    result.doneCourseDays = 2;
    EXPECT_TRUE(BacktestSummaryText(result).endsWith(QStringLiteral("（2/3日まで）")));

    EXPECT_EQ(FigureCells(result.total[Q]),
              QStringList({QStringLiteral("3"), QStringLiteral("15"), QStringLiteral("1"), QStringLiteral("1,500"),
                           QStringLiteral("2,450"), QStringLiteral("163.3%"), QStringLiteral("6.7%"),
                           QStringLiteral("33.3%"), QStringLiteral("+950")}));
    EXPECT_EQ(FigureHeaders().size(), 9);
}

TEST(BacktestCharts, CumulativeProfitPerDateAndReturnRateByGrade)
{
    const BacktestResult result = ThreeRaces();
    const std::vector<ProfitPoint> points = CumulativeProfit(result);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].date, QDate(2026, 11, 28));
    EXPECT_EQ(points[0].profit, (std::array<long long, 3>{2450 - 1100, 980 - 1100, -400}));
    EXPECT_EQ(points[1].date, QDate(2026, 12, 5));
    EXPECT_EQ(points[1].profit, (std::array<long long, 3>{1350 - 400, -120 + 12340 - 400, -400 - 300}));

    const std::vector<GradeRates> rates = GradeReturnRates(result);
    ASSERT_EQ(rates.size(), 3u);
    EXPECT_EQ(rates[0].grade, QStringLiteral("A"));
    EXPECT_DOUBLE_EQ(*rates[0].returnRate[static_cast<size_t>(Q)], 490.0);
    EXPECT_DOUBLE_EQ(*rates[0].returnRate[static_cast<size_t>(B)], 0.0);
    EXPECT_EQ(rates[1].grade, QStringLiteral("B"));
    EXPECT_DOUBLE_EQ(*rates[1].returnRate[static_cast<size_t>(W)], 12340.0 / 4);
    EXPECT_FALSE(rates[2].returnRate[static_cast<size_t>(B)]) << "grade C bought no bracket tickets";

    EXPECT_TRUE(CumulativeProfit(BacktestResult{}).empty());
    EXPECT_EQ(GradeReturnRates(BacktestResult{}).size(), 3u) << "the chart keeps its three grades";
}

TEST(BacktestCsv, OneRowPerRaceAndKindAsUtf8WithAByteOrderMark)
{
    const std::string csv = BacktestCsv(ThreeRaces());
    const std::string expected = "\xEF\xBB\xBF"
                                 "日付,場コード,競馬場,レース,勝負度,券種,点数,的中数,購入金額,払戻金額\r\n"
                                 "2026-11-28,05,東京,1,C,馬連,6,0,600,0\r\n"
                                 "2026-11-28,05,東京,1,C,ワイド,6,0,600,0\r\n"
                                 "2026-11-28,06,中山,11,A,馬連,5,1,500,2450\r\n"
                                 "2026-11-28,06,中山,11,A,ワイド,5,1,500,980\r\n"
                                 "2026-11-28,06,中山,11,A,枠連,4,0,400,0\r\n"
                                 "2026-12-05,09,阪神,3,B,馬連,4,0,400,0\r\n"
                                 "2026-12-05,09,阪神,3,B,ワイド,4,1,400,12340\r\n"
                                 "2026-12-05,09,阪神,3,B,枠連,3,0,300,0\r\n";
    EXPECT_EQ(csv, expected);

    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/成績.csv");
    QString error;
    ASSERT_TRUE(SaveBacktestCsv(path, ThreeRaces(), error));
    EXPECT_EQ(test::ReadFileBytes(path), expected);
    EXPECT_FALSE(SaveBacktestCsv(dir.path() + QStringLiteral("/missing/成績.csv"), ThreeRaces(), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("ファイル「"))) << error.toStdString();
}

QStringList Column(const BacktestTableModel &model, int column)
{
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells.append(model.data(model.index(row, column)).toString());
    return cells;
}

TEST(BacktestTableModel, RowsPerGroupAndKindSortedByAnyColumn)
{
    const BacktestResult result = ThreeRaces();
    BacktestTableModel kinds(BacktestTableModel::Grouping::Kind);
    kinds.setResult(result);
    ASSERT_EQ(kinds.columnCount(), 10);
    EXPECT_EQ(kinds.headerData(0, Qt::Horizontal).toString(), QStringLiteral("券種"));
    EXPECT_EQ(kinds.headerData(6, Qt::Horizontal).toString(), QStringLiteral("回収率"));
    EXPECT_EQ(Column(kinds, 0),
              QStringList({QStringLiteral("馬連"), QStringLiteral("ワイド"), QStringLiteral("枠連")}));
    EXPECT_EQ(Column(kinds, 9),
              QStringList({QStringLiteral("+950"), QStringLiteral("+11,820"), QStringLiteral("-700")}));

    BacktestTableModel courses(BacktestTableModel::Grouping::Course);
    courses.setResult(result);
    ASSERT_EQ(courses.columnCount(), 11);
    EXPECT_EQ(courses.headerData(0, Qt::Horizontal).toString(), QStringLiteral("競馬場"));
    EXPECT_EQ(courses.rowCount(), 8) << "a kind without tickets in a group has no row";
    EXPECT_EQ(Column(courses, 0).first(), QStringLiteral("05 東京"));

    // By return rate, highest first; a persistent index (a selection) follows its row.
    const QPersistentModelIndex tokyoWide = courses.index(1, 0);
    courses.sort(7, Qt::DescendingOrder);
    EXPECT_EQ(Column(courses, 7),
              QStringList({QStringLiteral("3085.0%"), QStringLiteral("490.0%"), QStringLiteral("196.0%"),
                           QStringLiteral("0.0%"), QStringLiteral("0.0%"), QStringLiteral("0.0%"),
                           QStringLiteral("0.0%"), QStringLiteral("0.0%")}));
    EXPECT_EQ(Column(courses, 1).mid(3),
              QStringList({QStringLiteral("馬連"), QStringLiteral("ワイド"), QStringLiteral("枠連"),
                           QStringLiteral("馬連"), QStringLiteral("枠連")}))
        << "equal rates keep the order of their groups and kinds";
    EXPECT_EQ(courses.data(tokyoWide).toString(), QStringLiteral("05 東京"));
    EXPECT_EQ(courses.data(courses.index(tokyoWide.row(), 1)).toString(), QStringLiteral("ワイド"));

    // New figures keep the order the view asked for.
    BacktestResult more = result;
    more.races.push_back(Race(QDate(2026, 12, 6), "05", 2, "A", {2, 0, 0}, {10000, 0, 0}));
    SummarizeBacktest(more);
    courses.setResult(more);
    EXPECT_EQ(Column(courses, 7).mid(0, 2), QStringList({QStringLiteral("3085.0%"), QStringLiteral("1250.0%")}));
    EXPECT_EQ(Column(courses, 0).at(1), QStringLiteral("05 東京"));

    BacktestTableModel months(BacktestTableModel::Grouping::Month);
    months.setResult(result);
    EXPECT_EQ(Column(months, 0).first(), QStringLiteral("2026年11月"));
    EXPECT_EQ(months.data(months.index(0, 0), Qt::UserRole).toString(), QStringLiteral("2026-11"));
}

/** The labels of the ticks of a date axis, evenly apart from its first to its last day as a chart puts them. */
QStringList TickLabels(const DateAxisScale &scale)
{
    QStringList labels;
    const QDateTime from = scale.from.startOfDay();
    const qint64 span = from.msecsTo(scale.to.startOfDay());
    for (int i = 0; i < scale.tickCount; ++i)
        labels.append(from.addMSecs(span * i / (scale.tickCount - 1)).toString(scale.format));
    return labels;
}

TEST(ProfitDateAxis, NoLabelReadsTwiceAndEveryPointLiesOnTheAxis)
{
    struct Case
    {
        QDate first, last;
        QStringList labels;
    };
    const std::vector<Case> cases = {
        // One day, a week, a few weeks: days on whole-day ticks.
        {QDate(2026, 12, 5), QDate(2026, 12, 5), {QStringLiteral("12/05"), QStringLiteral("12/06")}},
        {QDate(2026, 11, 28), QDate(2026, 12, 5), {}},
        {QDate(2026, 11, 1), QDate(2026, 12, 20), {}},
        // Into a new year the days carry it.
        {QDate(2026, 12, 27), QDate(2027, 1, 4), {}},
        // Months over a longer range.
        {QDate(2026, 1, 4), QDate(2026, 12, 27), {}},
        {QDate(2025, 10, 4), QDate(2026, 1, 5), {}},
    };
    for (const Case &c : cases) {
        const DateAxisScale scale = ProfitDateAxis(c.first, c.last);
        const QStringList labels = TickLabels(scale);
        const std::string where =
            (c.first.toString(Qt::ISODate) + QStringLiteral("..") + c.last.toString(Qt::ISODate)).toStdString();
        EXPECT_EQ(scale.from, c.first) << where;
        EXPECT_GE(scale.to, c.last) << where;
        EXPECT_GT(scale.to, scale.from) << where;
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size()) << labels.join(u' ').toStdString();
        EXPECT_LE(labels.size(), 7) << where;
        if (!c.labels.isEmpty()) {
            EXPECT_EQ(labels, c.labels);
        }
        if (c.first.daysTo(c.last) < 62) {
            // Ticks fall on whole days.
            EXPECT_EQ(c.first.daysTo(scale.to) % (scale.tickCount - 1), 0) << where;
            EXPECT_EQ(labels.front().size(), c.first.year() == c.last.year() ? 5 : 10) << where;
        } else {
            EXPECT_EQ(labels.front(), c.first.toString(QStringLiteral("yyyy/MM"))) << where;
        }
    }
}

} // namespace
} // namespace velmora
