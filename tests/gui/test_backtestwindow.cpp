#include "core/backtest/backtestreport.h"
#include "gen/jvdatagen.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/views/backtestwindow.h"
#include "scriptedmessages.h"
#include "support/testfiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

#include <QAction>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QElapsedTimer>
#include <QGraphicsSimpleTextItem>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace velmora::gui {
namespace {

/** A backtest window over three generated course-days, its CSV file chosen by the test. */
class BacktestWindowTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        for (const auto &[date, course] : {std::pair{QDate(2026, 10, 31), "05"}, std::pair{QDate(2026, 11, 1), "05"},
                                           std::pair{QDate(2026, 11, 28), "06"}}) {
            gen::Generator generator(static_cast<std::uint64_t>(date.day()));
            gen::CourseDayOptions options;
            options.date = date;
            options.course = course;
            ASSERT_TRUE(gen::WriteCourseDayFiles(generator.courseDay(options), m_data));
        }
    }

    std::unique_ptr<BacktestWindow> open()
    {
        auto window =
            std::make_unique<BacktestWindow>(m_data, m_messages, [this](QWidget *, const QString &suggestion) {
                m_suggestions.append(suggestion);
                return m_csvAnswer;
            });
        window->showAndRun();
        waitForRun(*window);
        return window;
    }

    static void waitForRun(BacktestWindow &window)
    {
        QElapsedTimer waited;
        waited.start();
        while (window.isRunning() && waited.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(window.isRunning());
    }

    template <typename T> static T *child(QWidget &parent, const char *name)
    {
        T *found = parent.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static QStringList column(QTableView *table, int column)
    {
        QStringList cells;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            cells.append(table->model()->index(row, column).data().toString());
        return cells;
    }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    test::ScriptedMessages m_messages;
    QStringList m_suggestions;
    QString m_csvAnswer;
};

TEST_F(BacktestWindowTest, OpensOnAllStoredDaysAndShowsTheFiguresTablesAndCharts)
{
    const auto window = open();
    EXPECT_EQ(window->objectName(), QStringLiteral("BacktestForm"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("成績分析"));
    EXPECT_EQ(child<QDateEdit>(*window, "FromDate")->date(), QDate(2026, 10, 31));
    EXPECT_EQ(child<QDateEdit>(*window, "ToDate")->date(), QDate(2026, 11, 28));

    const BacktestResult expected = RunBacktest(m_data, {});
    ASSERT_NE(window->result(), nullptr);
    EXPECT_TRUE(window->result()->complete);
    EXPECT_EQ(window->result()->total, expected.total);
    EXPECT_FALSE(window->result()->range.bounded()) << "the stored days' own range leaves both ends open";
    EXPECT_EQ(child<QLabel>(*window, "SummaryLabel")->text(),
              QStringLiteral("期間: 全期間　") + BacktestSummaryText(expected));

    auto *kinds = child<QTableView>(*window, "KindTable");
    EXPECT_EQ(column(kinds, 0),
              QStringList({QStringLiteral("馬連"), QStringLiteral("ワイド"), QStringLiteral("枠連")}));
    EXPECT_EQ(column(kinds, 6).first(), FormatRate(expected.total[TicketKind::Quinella].returnRate()));
    // One row per grade and kind of ticket bought.
    int gradeRows = 0;
    for (const auto &[grade, figures] : expected.byGrade) {
        for (const TicketKind kind : kTicketKinds)
            gradeRows += figures[kind].tickets > 0;
    }
    EXPECT_GE(gradeRows, 7);
    EXPECT_EQ(child<QTableView>(*window, "GradeTable")->model()->rowCount(), gradeRows);
    EXPECT_EQ(column(child<QTableView>(*window, "CourseTable"), 0).first(), QStringLiteral("05 東京"));
    EXPECT_EQ(column(child<QTableView>(*window, "MonthTable"), 0).first(), QStringLiteral("2026年10月"));

    // A click on a heading sorts the table.
    auto *grades = child<QTableView>(*window, "GradeTable");
    grades->sortByColumn(7, Qt::DescendingOrder);
    const QStringList rates = column(grades, 7);
    for (qsizetype i = 1; i < rates.size(); ++i)
        EXPECT_GE(rates.at(i - 1).chopped(1).toDouble(), rates.at(i).chopped(1).toDouble());

    const QChart *profit = child<QChartView>(*window, "ProfitChart")->chart();
    ASSERT_EQ(profit->series().size(), 3);
    const auto *quinella = qobject_cast<QLineSeries *>(profit->series().first());
    ASSERT_EQ(quinella->count(), 3) << "one point per date";
    EXPECT_EQ(quinella->at(2).y(), static_cast<double>(expected.total[TicketKind::Quinella].profit()) / 10000);

    const QChart *gradeChart = child<QChartView>(*window, "GradeChart")->chart();
    const auto *bars = qobject_cast<QBarSeries *>(gradeChart->series().first());
    ASSERT_EQ(bars->count(), 3);
    const std::vector<GradeRates> gradeRates = GradeReturnRates(expected);
    EXPECT_EQ(bars->barSets().at(1)->label(), QStringLiteral("ワイド"));
    EXPECT_EQ(bars->barSets().at(1)->at(0), std::round(gradeRates[0].returnRate[1].value_or(0)));

    EXPECT_TRUE(child<QPushButton>(*window, "CsvBtn")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(*window, "CancelBtn")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(*window, "RunBtn")->isEnabled());
    EXPECT_EQ(child<QListWidget>(*window, "SkippedList")->count(), 0);
}

TEST_F(BacktestWindowTest, TheKeyboardSortsTheTablesAndEscCloses)
{
    const auto window = open();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto *grades = child<QTableView>(*window, "GradeTable");
    const auto rates = [&] {
        std::vector<double> values;
        for (const QString &rate : column(grades, 7))
            values.push_back(rate.chopped(1).toDouble());
        return values;
    };
    // The arrow keys choose the column, Space sorts by it, Space again the other way round.
    grades->setFocus();
    grades->setCurrentIndex(grades->model()->index(0, 6));
    QTest::keyClick(grades, Qt::Key_Right);
    ASSERT_EQ(grades->currentIndex().column(), 7);
    QTest::keyClick(grades, Qt::Key_Space);
    const std::vector<double> first = rates();
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()) || std::is_sorted(first.rbegin(), first.rend()));
    EXPECT_NE(first.front(), first.back()) << "the figures differ";
    QTest::keyClick(grades, Qt::Key_Return);
    std::vector<double> second = rates();
    std::reverse(second.begin(), second.end());
    EXPECT_EQ(second.front(), first.front());
    EXPECT_EQ(second.back(), first.back());
    EXPECT_EQ(grades->horizontalHeader()->sortIndicatorSection(), 7);

    QTest::keyClick(grades, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(BacktestWindowTest, AGradeThatReturnedNothingShowsItsZero)
{
    const auto window = open();
    BacktestResult result;
    result.range = {QDate(2026, 11, 28), QDate(2026, 12, 5)};
    result.complete = true;
    for (const auto &[date, grade, payback] :
         {std::tuple{QDate(2026, 11, 28), "A", 1200}, std::tuple{QDate(2026, 12, 5), "C", 0}}) {
        RaceFigures race{date, "05", 1, grade == std::string("A") ? Grade::A : Grade::C, {}};
        race.figures.settledRaces = 1;
        race.figures[TicketKind::Quinella] = {1, payback > 0, 6, payback > 0, 600, payback};
        result.races.push_back(race);
    }
    SummarizeBacktest(result);
    window->showFigures(result);
    QApplication::processEvents();

    // Grade C's quinella bar of 0 % has its "0" over the axis; nothing for grade B, which bought nothing.
    QChartView *view = child<QChartView>(*window, "GradeChart");
    QChart *chart = view->chart();
    std::vector<QGraphicsSimpleTextItem *> zeros;
    for (QGraphicsItem *item : chart->childItems()) {
        auto *text = dynamic_cast<QGraphicsSimpleTextItem *>(item);
        if (text && text->isVisible() && text->text() == QStringLiteral("0"))
            zeros.push_back(text);
    }
    ASSERT_EQ(zeros.size(), 1u);
    const QRectF label = zeros.front()->sceneBoundingRect();
    EXPECT_TRUE(chart->plotArea().contains(label.center()));
    EXPECT_GT(label.center().x(), chart->plotArea().center().x()) << "over grade C, the right third";

    // The profit axis over a week reads days.
    const auto *dates = qobject_cast<QDateTimeAxis *>(
        child<QChartView>(*window, "ProfitChart")->chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(dates, nullptr);
    EXPECT_EQ(dates->min().toString(dates->format()), QStringLiteral("11/28"));
}

TEST_F(BacktestWindowTest, ARangeOfDaysAndAWrongRange)
{
    const auto window = open();
    child<QDateEdit>(*window, "FromDate")->setDate(QDate(2026, 11, 1));
    QTest::mouseClick(child<QPushButton>(*window, "RunBtn"), Qt::LeftButton);
    EXPECT_TRUE(window->isRunning());
    EXPECT_FALSE(child<QPushButton>(*window, "CsvBtn")->isEnabled()) << "no file while a run is under way";
    waitForRun(*window);
    EXPECT_EQ(window->result()->range.from, QDate(2026, 11, 1));
    EXPECT_FALSE(window->result()->range.to.isValid());
    EXPECT_EQ(window->result()->courseDays, 2);
    EXPECT_EQ(window->result()->total, RunBacktest(m_data, {QDate(2026, 11, 1), {}}).total);

    child<QDateEdit>(*window, "ToDate")->setDate(QDate(2026, 10, 31));
    QTest::mouseClick(child<QPushButton>(*window, "RunBtn"), Qt::LeftButton);
    EXPECT_FALSE(window->isRunning());
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("開始日が終了日より後です。期間を選び直してください。")});
}

TEST_F(BacktestWindowTest, CsvSavedWhereTheUserChooses)
{
    const auto window = open();
    auto *csv = child<QPushButton>(*window, "CsvBtn");

    QTest::mouseClick(csv, Qt::LeftButton); // the user cancels the dialog
    ASSERT_EQ(m_suggestions.size(), 1);
    EXPECT_TRUE(m_suggestions.front().endsWith(QStringLiteral("成績分析_20261031-20261128.csv")));
    EXPECT_TRUE(m_messages.boxes.empty());

    m_csvAnswer = m_root.path() + QStringLiteral("/成績.csv");
    QTest::mouseClick(csv, Qt::LeftButton);
    EXPECT_EQ(velmora::test::ReadFileBytes(m_csvAnswer), BacktestCsv(RunBacktest(m_data, {})));
    ASSERT_EQ(m_messages.boxes.size(), 1u);
    EXPECT_TRUE(m_messages.boxes.back().text.endsWith(QStringLiteral("に保存しました。")));
    EXPECT_EQ(QDir(m_data).entryList(QDir::Files).size(), 9) << "nothing is written into the data folder";

    m_csvAnswer = m_root.path() + QStringLiteral("/missing/成績.csv");
    QTest::mouseClick(csv, Qt::LeftButton);
    ASSERT_EQ(m_messages.boxes.size(), 2u);
    EXPECT_TRUE(m_messages.boxes.back().text.startsWith(QStringLiteral("ファイル「")))
        << m_messages.texts().join(u'|').toStdString();
    EXPECT_EQ(m_messages.beeps, 1);
}

TEST_F(BacktestWindowTest, CancelEndsTheRunWithTheFiguresSoFar)
{
    const auto window = open();
    QTest::mouseClick(child<QPushButton>(*window, "RunBtn"), Qt::LeftButton);
    EXPECT_TRUE(child<QPushButton>(*window, "CancelBtn")->isEnabled());
    QTest::mouseClick(child<QPushButton>(*window, "CancelBtn"), Qt::LeftButton);
    waitForRun(*window);
    ASSERT_NE(window->result(), nullptr);
    // Three course-days may all be done before the click arrives; a file is offered only for a whole run.
    EXPECT_EQ(child<QPushButton>(*window, "CsvBtn")->isEnabled(), window->result()->complete);
    EXPECT_TRUE(child<QPushButton>(*window, "RunBtn")->isEnabled());
}

TEST(BacktestWindow, WithoutStoredDaysThereIsNothingToRun)
{
    QTemporaryDir root;
    test::ScriptedMessages messages;
    BacktestWindow window(root.path() + QStringLiteral("/Data"), messages, {});
    window.showAndRun();
    EXPECT_FALSE(window.isRunning());
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("RunBtn"))->isEnabled());
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("CsvBtn"))->isEnabled());
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("SummaryLabel"))->text(),
              QStringLiteral("分析する開催データがありません。JVデータを取り込んでください。"));
}

TEST(BacktestWindow, OpenedFromTheMainWindowsToolBarAndMenu)
{
    QTemporaryDir root;
    test::ScriptedMessages messages;
    test::RecordingDesktop desktop;
    GuiContext context{messages, desktop, {}, root.path()};
    MainWindow form(context);
    ASSERT_TRUE(form.EnsureDataFolder());
    auto *action = form.findChild<QAction *>(QStringLiteral("BacktestItem"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("成績分析(&B)..."));
    auto *button = form.findChild<QPushButton *>(QStringLiteral("BacktestBtn"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->statusTip(), QStringLiteral("過去のﾃﾞｰﾀで買い目の的中率と回収率を分析します"));

    EXPECT_EQ(form.backtestWindow(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    BacktestWindow *window = form.backtestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    window->close();
    action->trigger();
    EXPECT_EQ(form.backtestWindow(), window) << "one window, shown again";
    EXPECT_TRUE(window->isVisible());
}

} // namespace
} // namespace velmora::gui
