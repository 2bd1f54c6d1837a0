#include "core/backtest/backtest.h"
#include "core/report/session.h"
#include "core/testcard.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include <QFile>
#include <QTemporaryDir>

namespace velmora {
namespace {

using gen::RecordBuilder;

constexpr auto Q = TicketKind::Quinella;
constexpr auto W = TicketKind::Wide;
constexpr auto B = TicketKind::Bracket;

KindFigures Figures(long long races, long long hitRaces, long long tickets, long long hits, long long payback)
{
    return {races, hitRaces, tickets, hits, tickets * kTicketPrice, payback};
}

/** One payout entry to put into a hand-made HR record. */
struct Paid
{
    const hr::PayoutTable *table;
    int entry;
    const char *combination;
    int yen;
};

/**
 * Ten races of 12 runners (race 3 of 8) in 2005, every bet void unless a test sets it,
 * every race graded "B".
 */
class RaceTickets : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_card = test::TenRacesThirdOfEight();
        m_p = test::VoidBets(10);
    }

    void pay(int race, std::initializer_list<Paid> entries)
    {
        const QDate day(2005, 3, 12);
        RecordBuilder record = RecordBuilder::Payout();
        record.setKey('2', day, day, "06", 2, 5, race);
        for (const Paid &paid : entries) {
            record.set(hr::EntryCombination(*paid.table, paid.entry), paid.combination);
            record.setNumber(hr::EntryPayout(*paid.table, paid.entry), paid.yen);
        }
        m_card.PayoutRecords[static_cast<size_t>(race)] = record;
    }

    std::vector<RaceFigures> races()
    {
        std::vector<RaceFigures> figures;
        m_pending = 0;
        AddCourseDayRaces(m_card, m_p, figures, m_pending);
        return figures;
    }

    RaceCard m_card;
    Prediction m_p;
    long long m_pending = 0;
};

TEST_F(RaceTickets, ListsAsTheRaceBoxBuildsThemJudgedAgainstEachKindsPayouts)
{
    // A repeated and a void bet drop out of both lists.
    m_p.races[1].quinellaBets = test::Bets({"", " 3 -  5", " 3 -  5", " 0 -  3", " 3 - 12", " 1 -  3", " 2 -  3"});
    m_p.races[1].bracketBets = test::Bets({"", " 2 -  2", " 0 -  3", " 3 -  8", " 1 -  3", " 2 -  3", " 2 -  2"});
    // A dead heat for second: two quinella entries pay, each to its own ticket.
    pay(1, {{&hr::Quinella, 1, "0305", 1230},
            {&hr::Quinella, 2, "0312", 2450},
            {&hr::Wide, 1, "0305", 380},
            {&hr::Wide, 2, "0312", 520},
            {&hr::Wide, 3, "0512", 610},
            {&hr::BracketQuinella, 1, "22", 450}});
    // Nothing paid as a quinella, one ticket paid as a wide on two entries of its combination.
    m_p.races[2].quinellaBets = test::Bets({"", " 1 -  2", " 4 -  9", " 0 -  3", " 0 -  3", " 0 -  3", " 0 -  3"});
    pay(2, {{&hr::Quinella, 1, "0710", 5000}, {&hr::Wide, 1, "0102", 150}, {&hr::Wide, 4, "0102", 160}});

    const std::vector<RaceFigures> figures = races();
    ASSERT_EQ(figures.size(), 2u) << "races without a paid quinella entry are pending";
    EXPECT_EQ(m_pending, 8);

    const RaceFigures &first = figures[0];
    EXPECT_EQ(first.race, 1);
    EXPECT_EQ(first.date, QDate(2005, 3, 12));
    EXPECT_EQ(first.course, "06");
    EXPECT_EQ(GradeText(first.grade), "B");
    EXPECT_EQ(first.figures.settledRaces, 1);
    EXPECT_EQ(first.figures[Q], Figures(1, 1, 4, 2, 1230 + 2450));
    EXPECT_EQ(first.figures[W], Figures(1, 1, 4, 2, 380 + 520));
    EXPECT_EQ(first.figures[B], Figures(1, 1, 4, 1, 450));

    const RaceFigures &second = figures[1];
    EXPECT_EQ(second.figures[Q], Figures(1, 0, 2, 0, 0));
    EXPECT_EQ(second.figures[W], Figures(1, 1, 2, 1, 150 + 160));
    EXPECT_EQ(second.figures[B], KindFigures{}) << "every bracket bet is void";
}

TEST_F(RaceTickets, PendingRacesAndRacesWithoutTickets)
{
    pay(1, {{&hr::Quinella, 1, "0305", 0}, {&hr::Wide, 1, "0305", 300}}); // no quinella paid yet
    pay(2, {{&hr::Quinella, 1, "    ", 1230}});                           // an amount without a combination
    pay(4, {{&hr::Quinella, 3, "0102", 800}});                            // settled, every bet void
    const std::vector<RaceFigures> figures = races();
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].race, 4);
    EXPECT_EQ(figures[0].figures.settledRaces, 1);
    for (const TicketKind kind : kTicketKinds)
        EXPECT_EQ(figures[0].figures[kind], KindFigures{});
    EXPECT_EQ(m_pending, 9);
}

TEST_F(RaceTickets, BracketTicketsOnlyWhereTheRaceBoxShowsThem)
{
    m_p.races[3].quinellaBets = test::Bets({"", " 1 -  2", " 0 -  3", " 0 -  3", " 0 -  3", " 0 -  3", " 0 -  3"});
    m_p.races[3].bracketBets = test::Bets({"", " 1 -  2", " 2 -  3", " 0 -  3", " 0 -  3", " 0 -  3", " 0 -  3"});
    pay(3, {{&hr::Quinella, 1, "0102", 900}, {&hr::BracketQuinella, 1, "12", 700}});

    // Eight runners: no bracket quinella from 2005 on.
    std::vector<RaceFigures> figures = races();
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].figures[Q], Figures(1, 1, 1, 1, 900));
    EXPECT_EQ(figures[0].figures[B], KindFigures{});

    m_card.IsYear2005OrLater = false;
    figures = races();
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].figures[B], Figures(1, 1, 2, 1, 700)) << "a 2004 file shows bracket bets for 8 runners";
}

/** A settled race of hand-made figures: the quinella tickets and their return, the bracket ones when given. */
RaceFigures Race(QDate date, const char *course, int race, const char *grade, long long tickets, long long payback,
                 long long bracketTickets = 0)
{
    RaceFigures figures{date, course, race, test::GradeOf(grade), {}};
    figures.figures.settledRaces = 1;
    figures.figures[Q] = Figures(1, payback > 0, tickets, payback > 0, payback);
    if (bracketTickets > 0)
        figures.figures[B] = Figures(1, 0, bracketTickets, 0, 0);
    return figures;
}

TEST(SummarizeBacktest, GroupsAndStreaksInDateCourseAndRaceOrder)
{
    const QDate sat(2026, 10, 31), sun(2026, 11, 1);
    BacktestResult result;
    // Out of order as course-days are read; the streaks take them by date, course and race.
    result.races = {
        Race(sun, "05", 2, "C", 6, 0), Race(sat, "06", 1, "A", 6, 1600, 4), Race(sat, "05", 2, "B", 6, 0),
        Race(sun, "05", 1, "B", 6, 0), Race(sat, "06", 2, "A", 6, 800, 3),  Race(sun, "06", 1, "C", 6, 0),
        Race(sat, "05", 1, "A", 6, 0), Race(sun, "06", 12, "A", 6, 4000),
    };
    SummarizeBacktest(result);

    std::vector<std::tuple<QDate, std::string, int>> order;
    for (const RaceFigures &race : result.races)
        order.emplace_back(race.date, race.course, race.race);
    const std::vector<std::tuple<QDate, std::string, int>> expected = {{sat, "05", 1}, {sat, "05", 2}, {sat, "06", 1},
                                                                       {sat, "06", 2}, {sun, "05", 1}, {sun, "05", 2},
                                                                       {sun, "06", 1}, {sun, "06", 12}};
    EXPECT_EQ(order, expected);

    // Profits in that order: -600 -600 +1000 +200 -600 -600 -600 +3400; cumulative -600 -1200 -200 0
    // -600 -1200 -1800 1600; the peak starts at 0, so the deepest fall is from 0 to -1800.
    EXPECT_EQ(result.streak(Q).longestMiss, 3);
    EXPECT_EQ(result.streak(Q).maxDrawdown, 1800);
    // Only the two races with bracket tickets count for that kind: both missed.
    EXPECT_EQ(result.streak(B).longestMiss, 2);
    EXPECT_EQ(result.streak(B).maxDrawdown, 700);
    EXPECT_EQ(result.streak(W).longestMiss, 0);

    EXPECT_EQ(result.settledRaces, 8);
    EXPECT_EQ(result.total[Q], Figures(8, 3, 48, 3, 6400));
    EXPECT_EQ(result.total[B], Figures(2, 0, 7, 0, 0));
    EXPECT_EQ(result.byGrade.at("A")[Q], Figures(4, 3, 24, 3, 6400));
    EXPECT_EQ(result.byGrade.at("B").settledRaces, 2);
    EXPECT_EQ(result.byGrade.at("C")[Q].payback, 0);
    ASSERT_EQ(result.byCourse.size(), 2u);
    EXPECT_EQ(result.byCourse.at("05").settledRaces, 4);
    ASSERT_EQ(result.byMonth.size(), 2u);
    EXPECT_EQ(result.byMonth.at("2026-10").settledRaces, 4);
    EXPECT_EQ(result.byMonth.at("2026-11")[Q], Figures(4, 1, 24, 1, 4000));
    ASSERT_EQ(result.byDate.size(), 2u);
    EXPECT_EQ(result.byDate.at("2026-11-01").settledRaces, 4);
}

TEST(KindFigures, RatesInPercent)
{
    const KindFigures figures = Figures(4, 1, 20, 2, 2500);
    EXPECT_DOUBLE_EQ(*figures.hitRate(), 10.0);
    EXPECT_DOUBLE_EQ(*figures.raceHitRate(), 25.0);
    EXPECT_DOUBLE_EQ(*figures.returnRate(), 125.0);
    EXPECT_EQ(figures.profit(), 500);
    EXPECT_FALSE(KindFigures{}.returnRate());
    EXPECT_FALSE(KindFigures{}.hitRate());
}

/** Course-days written by the generator into a data folder. */
class Backtest : public testing::Test
{
  protected:
    QString writeDay(QDate date, const char *course, int races = 12, bool withResults = true)
    {
        const auto seed = static_cast<std::uint64_t>(date.toJulianDay()) * 10 + static_cast<unsigned>(course[1]);
        return test::WriteGeneratedDay(m_data, seed, date, course, races, withResults);
    }

    /** The figures of one course-day as a click on it computes them. */
    GroupFigures expected(const QStringList &names)
    {
        BacktestResult alone;
        for (const QString &name : names) {
            RaceCard card;
            Prediction prediction;
            EXPECT_TRUE(LoadCourseDay(m_data, CourseDay(name), card).computable());
            ComputePrediction(card, prediction);
            AddCourseDayRaces(card, prediction, alone.races, alone.pendingRaces);
        }
        SummarizeBacktest(alone);
        return alone.total;
    }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
};

TEST_F(Backtest, EveryCourseDayOfTheRangeOnceSkippedOnesWithTheirReason)
{
    const QString first = writeDay(QDate(2026, 1, 4), "06");
    const QString damaged = writeDay(QDate(2026, 1, 10), "06");
    const QString short9 = writeDay(QDate(2026, 1, 11), "06", 9);
    const QString last = writeDay(QDate(2026, 2, 7), "05");
    const QString before = writeDay(QDate(2026, 1, 3), "06");
    const QString after = writeDay(QDate(2026, 2, 8), "05");
    const QString cards = writeDay(QDate(2026, 2, 1), "08", 12, false);
    ASSERT_TRUE(QFile::resize(m_data + QLatin1Char('/') + damaged + QStringLiteral(".jvSEr"), 1000));

    // The bounds are inclusive; days outside add nothing, not even as skipped.
    const BacktestResult result = RunBacktest(m_data, {QDate(2026, 1, 4), QDate(2026, 2, 7)});
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.totalCourseDays, 7);
    EXPECT_EQ(result.courseDays, 3);
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_EQ(result.skipped[0].name, damaged);
    EXPECT_TRUE(result.skipped[0].reason.contains(QStringLiteral("壊れています")))
        << result.skipped[0].reason.toStdString();
    EXPECT_EQ(result.skipped[1].name, short9);
    EXPECT_EQ(result.skipped[1].reason,
              QStringLiteral("レースが9件しかないため、予想を計算できません（10レース以上が必要です）。"));
    EXPECT_EQ(result.pendingRaces, 12) << "race cards without results";
    EXPECT_EQ(result.settledRaces, 24);
    EXPECT_EQ(result.total, expected({first, last}));
    EXPECT_EQ(result.byDate.size(), 2u);
    EXPECT_EQ(result.byDate.begin()->first, "2026-01-04");
    EXPECT_EQ(result.byDate.rbegin()->first, "2026-02-07");

    const BacktestResult all = RunBacktest(m_data, {});
    EXPECT_EQ(all.courseDays, 5);
    EXPECT_EQ(all.skipped.size(), 2u);
    EXPECT_EQ(all.total, expected({before, first, cards, last, after}));

    const BacktestResult from = RunBacktest(m_data, {QDate(2026, 2, 7), QDate()});
    EXPECT_EQ(from.courseDays, 2);
    EXPECT_EQ(from.total, expected({last, after}));
}

TEST_F(Backtest, TheRangeGoesByTheDateInRaceOneNotTheName)
{
    const QString name = writeDay(QDate(2026, 1, 4), "06");
    const QString renamed = QStringLiteral("2026年03月01日中山");
    for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"})
        ASSERT_TRUE(QFile::rename(m_data + QLatin1Char('/') + name + QLatin1String(extension),
                                  m_data + QLatin1Char('/') + renamed + QLatin1String(extension)));
    EXPECT_EQ(RunBacktest(m_data, {QDate(2026, 1, 4), QDate(2026, 1, 4)}).courseDays, 1);
    EXPECT_EQ(RunBacktest(m_data, {QDate(2026, 3, 1), QDate(2026, 3, 1)}).courseDays, 0);
    // Without a readable race 1, the name's date decides, so that the day is listed as skipped.
    ASSERT_TRUE(QFile::resize(m_data + QLatin1Char('/') + renamed + QStringLiteral(".jvRA"), 10));
    const BacktestResult result = RunBacktest(m_data, {QDate(2026, 3, 1), QDate(2026, 3, 1)});
    EXPECT_EQ(result.courseDays, 0);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].name, renamed);
}

TEST_F(Backtest, ProgressSnapshotsAndCancel)
{
    for (int week = 0; week < 4; ++week)
        writeDay(QDate(2026, 1, 4).addDays(7 * week), "06");

    std::vector<int> steps;
    std::vector<BacktestResult> snapshots;
    BacktestCallbacks callbacks;
    callbacks.progress = [&](int done, int total) {
        EXPECT_EQ(total, 4);
        steps.push_back(done);
    };
    callbacks.snapshot = [&](const BacktestResult &snapshot) { snapshots.push_back(snapshot); };
    callbacks.snapshotInterval = std::chrono::hours(1);
    callbacks.workers = 1;
    const BacktestResult result = RunBacktest(m_data, {}, callbacks);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(snapshots.size(), 1u) << "the first figures at once, then once per interval";
    EXPECT_FALSE(snapshots[0].complete);
    EXPECT_EQ(snapshots[0].courseDays, 1);
    EXPECT_EQ(snapshots[0].byDate.begin()->first, "2026-01-04") << "the oldest course-day comes first";
    EXPECT_EQ(snapshots[0].total.settledRaces, 12);
    EXPECT_TRUE(result.complete);

    std::atomic<bool> cancelled{false};
    callbacks.cancelled = &cancelled;
    callbacks.progress = [&](int done, int) { cancelled = done == 2; };
    const BacktestResult cut = RunBacktest(m_data, {}, callbacks);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.doneCourseDays, 2);
    EXPECT_EQ(cut.courseDays, 2);
}

TEST_F(Backtest, SeveralWorkersComeToTheSameResult)
{
    for (int week = 0; week < 12; ++week)
        writeDay(QDate(2026, 1, 4).addDays(7 * week), week % 2 ? "05" : "06", week == 5 ? 9 : 12);
    BacktestCallbacks one;
    one.workers = 1;
    const BacktestResult alone = RunBacktest(m_data, {}, one);
    BacktestCallbacks four;
    four.workers = 4;
    std::vector<int> steps;
    four.progress = [&](int done, int total) {
        EXPECT_EQ(total, 12);
        EXPECT_TRUE(steps.empty() || done > steps.back());
        steps.push_back(done);
    };
    const BacktestResult together = RunBacktest(m_data, {}, four);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), 12);
    EXPECT_TRUE(together.complete);
    EXPECT_EQ(together.courseDays, 11);
    EXPECT_EQ(together.total, alone.total);
    EXPECT_EQ(together.byDate, alone.byDate);
    EXPECT_EQ(together.pendingRaces, alone.pendingRaces);
    ASSERT_EQ(together.skipped.size(), 1u);
    EXPECT_EQ(together.skipped[0].name, alone.skipped[0].name);
    EXPECT_EQ(together.streak(TicketKind::Wide).maxDrawdown, alone.streak(TicketKind::Wide).maxDrawdown);
}

TEST_F(Backtest, AJobRunsOnItsOwnThreadAndEndsWithTheResult)
{
    for (int week = 0; week < 3; ++week)
        writeDay(QDate(2026, 1, 4).addDays(7 * week), "06");
    const BacktestResult direct = RunBacktest(m_data, {});

    std::mutex mutex;
    std::condition_variable finished;
    std::vector<BacktestJob::Update> updates;
    std::thread::id worker;
    {
        BacktestJob job(m_data, {}, [&](const BacktestJob::Update &update) {
            std::lock_guard lock(mutex);
            worker = std::this_thread::get_id();
            updates.push_back(update);
            finished.notify_all();
        });
        std::unique_lock lock(mutex);
        finished.wait_for(lock, std::chrono::seconds(30), [&] { return !updates.empty() && updates.back().finished; });
    }
    EXPECT_NE(worker, std::this_thread::get_id());
    ASSERT_FALSE(updates.empty());
    const BacktestJob::Update &last = updates.back();
    ASSERT_TRUE(last.finished);
    ASSERT_TRUE(last.figures);
    EXPECT_TRUE(last.figures->complete);
    EXPECT_EQ(last.figures->total, direct.total);
    EXPECT_EQ(last.done, 3);

    // A job destroyed while it runs stops and sends nothing after its destructor.
    std::atomic<int> calls{0};
    {
        BacktestJob job(m_data, {}, [&](const BacktestJob::Update &) { ++calls; });
    }
    const int seen = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(calls, seen);
}

} // namespace
} // namespace velmora
