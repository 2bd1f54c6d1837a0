#include "core/backtest/backtest.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/codes/recordheader.h"
#include "core/report/payouts.h"
#include "core/report/session.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <tuple>

namespace velmora {
namespace {

std::optional<double> Percent(long long part, long long whole)
{
    if (whole <= 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

/** What became of one course-day of the folder. */
struct DayOutcome
{
    bool computed = false;
    std::optional<SkippedCourseDay> skipped;
    std::vector<RaceFigures> races;
    long long pending = 0;
};

/** Loads and computes a listed course-day when its date lies in the range, into its outcome. */
DayOutcome ExamineCourseDay(const QString &dataDir, const CourseDay &day, const BacktestRange &range, RaceCard &card,
                            Prediction &prediction)
{
    DayOutcome outcome;
    const QString &name = day.fileBase();
    // A name that is not UTF-8 leads to no file: it is named, going by the date its name begins with.
    if (!day.readable()) {
        if (!range.bounded() || (day.date().isValid() && range.contains(day.date())))
            outcome.skipped = SkippedCourseDay{name, UnreadableNameReason()};
        return outcome;
    }
    if (range.bounded()) {
        QDate date = DateOfDigits(CourseDayDate(dataDir, day));
        if (!date.isValid())
            date = day.date();
        if (!date.isValid() || !range.contains(date))
            return outcome;
    }
    const LoadResult load = LoadCourseDay(dataDir, day, card);
    const std::string dateDigits(Field(card.RaceRecords[1], common::MeetingDate));
    if (!load.computable()) {
        outcome.skipped = SkippedCourseDay{name, load.reason(card)};
    } else if (!DateOfDigits(dateDigits).isValid()) {
        outcome.skipped = SkippedCourseDay{
            name, QStringLiteral("1Rの開催日「%1」が日付として読めません。").arg(FromSjis(dateDigits))};
    } else {
        ComputePrediction(card, prediction);
        AddCourseDayRaces(card, prediction, outcome.races, outcome.pending);
        outcome.computed = true;
    }
    return outcome;
}

} // namespace

const char *TicketKindKey(TicketKind kind)
{
    static const char *const keys[kTicketKindCount] = {"quinella", "wide", "bracket"};
    return keys[static_cast<size_t>(kind)];
}

QString TicketKindName(TicketKind kind)
{
    static const QString names[kTicketKindCount] = {QStringLiteral("馬連"), QStringLiteral("ワイド"),
                                                    QStringLiteral("枠連")};
    return names[static_cast<size_t>(kind)];
}

std::optional<double> KindFigures::hitRate() const
{
    return Percent(hits, tickets);
}

std::optional<double> KindFigures::raceHitRate() const
{
    return Percent(hitRaces, races);
}

std::optional<double> KindFigures::returnRate() const
{
    return Percent(payback, stake);
}

KindFigures &KindFigures::operator+=(const KindFigures &other)
{
    races += other.races;
    hitRaces += other.hitRaces;
    tickets += other.tickets;
    hits += other.hits;
    stake += other.stake;
    payback += other.payback;
    return *this;
}

GroupFigures &GroupFigures::operator+=(const GroupFigures &other)
{
    settledRaces += other.settledRaces;
    for (size_t k = 0; k < kinds.size(); ++k)
        kinds[k] += other.kinds[k];
    return *this;
}

BacktestRange StoredRange(const std::vector<CourseDay> &courseDays)
{
    BacktestRange range;
    for (const CourseDay &day : courseDays) {
        const QDate date = day.date();
        if (!date.isValid())
            continue;
        if (!range.from.isValid() || date < range.from)
            range.from = date;
        if (!range.to.isValid() || date > range.to)
            range.to = date;
    }
    return range;
}

BacktestRange ChosenRange(QDate from, QDate to, const BacktestRange &stored)
{
    return {from == stored.from ? QDate() : from, to == stored.to ? QDate() : to};
}

bool BacktestRange::contains(QDate date) const
{
    return (!from.isValid() || date >= from) && (!to.isValid() || date <= to);
}

void AddCourseDayRaces(const RaceCard &card, const Prediction &prediction, std::vector<RaceFigures> &races,
                       long long &pending)
{
    const std::string &first = card.RaceRecords[1];
    const QDate date = DateOfDigits(Field(first, common::MeetingDate));
    const std::string course(Field(first, common::Course));
    std::vector<Bet> quinella, bracket;
    for (int r = 1; r <= card.RaceCount; ++r) {
        const std::string &payout = card.PayoutRecords[static_cast<size_t>(r)];
        std::array<PayoutTableEntries, kTicketKindCount> payouts;
        payouts[static_cast<size_t>(TicketKind::Quinella)] = ReadPayoutTable(payout, hr::Quinella);
        if (!payouts[static_cast<size_t>(TicketKind::Quinella)].anyPaid()) {
            ++pending;
            continue;
        }
        payouts[static_cast<size_t>(TicketKind::Wide)] = ReadPayoutTable(payout, hr::Wide);
        payouts[static_cast<size_t>(TicketKind::Bracket)] = ReadPayoutTable(payout, hr::BracketQuinella);
        quinella.clear();
        bracket.clear();
        AddComputedBets(card, prediction, r, quinella, bracket);
        RaceFigures race{date, course, r, prediction.races[r].grade, {}};
        race.figures.settledRaces = 1;
        for (const TicketKind kind : kTicketKinds) {
            KindFigures &figures = race.figures[kind];
            for (const Bet &bet : kind == TicketKind::Bracket ? bracket : quinella) {
                const long long paid = payouts[static_cast<size_t>(kind)].ticketReturn(bet);
                ++figures.tickets;
                figures.stake += kTicketPrice;
                figures.payback += paid;
                if (paid > 0)
                    ++figures.hits;
            }
            figures.races = figures.tickets > 0 ? 1 : 0;
            figures.hitRaces = figures.hits > 0 ? 1 : 0;
        }
        races.push_back(std::move(race));
    }
}

void SummarizeBacktest(BacktestResult &result)
{
    const auto before = [](const RaceFigures &a, const RaceFigures &b) {
        return std::tie(a.date, a.course, a.race) < std::tie(b.date, b.course, b.race);
    };
    // Course-days are examined in the order of their names, which is mostly the order
    // wanted: races strictly in order already (no two alike, so the sort could move
    // nothing) are left as they are.
    const auto misplaced =
        std::adjacent_find(result.races.begin(), result.races.end(),
                           [&](const RaceFigures &a, const RaceFigures &b) { return !before(a, b); });
    if (misplaced != result.races.end())
        std::sort(result.races.begin(), result.races.end(), before);
    result.settledRaces = static_cast<long long>(result.races.size());
    result.total = {};
    result.byGrade.clear();
    result.byCourse.clear();
    result.byMonth.clear();
    result.byDate.clear();
    QDate date;
    GroupFigures *month = nullptr, *day = nullptr;
    for (const RaceFigures &race : result.races) {
        // The races come in date order: the month and the date are looked up once per date.
        if (!day || race.date != date) {
            date = race.date;
            month = &result.byMonth[Format("%04d-%02d", date.year(), date.month())];
            day = &result.byDate[Format("%04d-%02d-%02d", date.year(), date.month(), date.day())];
        }
        result.total += race.figures;
        result.byGrade[GradeText(race.grade)] += race.figures;
        result.byCourse[race.course] += race.figures;
        *month += race.figures;
        *day += race.figures;
    }
    for (const TicketKind kind : kTicketKinds) {
        StreakFigures &streak = result.streaks[static_cast<size_t>(kind)];
        streak = {};
        long long misses = 0, profit = 0, peak = 0;
        for (const RaceFigures &race : result.races) {
            const KindFigures &figures = race.figures[kind];
            if (figures.tickets == 0)
                continue;
            misses = figures.hits == 0 ? misses + 1 : 0;
            streak.longestMiss = std::max(streak.longestMiss, misses);
            profit += figures.profit();
            peak = std::max(peak, profit);
            streak.maxDrawdown = std::max(streak.maxDrawdown, peak - profit);
        }
    }
}

BacktestResult RunBacktest(const QString &dataDir, const BacktestRange &range, const BacktestCallbacks &callbacks)
{
    BacktestResult result;
    result.range = range;
    std::vector<CourseDay> days = ListCourseDays(dataDir);
    // Oldest first, so that the figures of a run that is cut short cover a span of time from its start.
    std::reverse(days.begin(), days.end());
    const auto count = days.size();
    result.totalCourseDays = static_cast<int>(count);
    result.races.reserve(count * kMaxRaces);

    // Course-days are independent: workers take them in order from a shared counter,
    // and the calling thread, one of them, merges the finished ones in that order and
    // reports. Every course-day taken is finished, so a cancelled run ends on a prefix.
    std::vector<DayOutcome> outcomes(count);
    std::vector<std::atomic<bool>> ready(count);
    std::atomic<size_t> next{0};
    std::atomic<int> examined{0};
    auto examineNext = [&](RaceCard &card, Prediction &prediction) {
        if (callbacks.cancelled && callbacks.cancelled->load())
            return false;
        const size_t i = next++;
        if (i >= count)
            return false;
        outcomes[i] = ExamineCourseDay(dataDir, days[i], range, card, prediction);
        ready[i].store(true, std::memory_order_release);
        ++examined;
        return true;
    };
    const int workers = callbacks.workers > 0
                            ? callbacks.workers
                            : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::vector<std::thread> helpers;
    for (int w = 1; w < workers && static_cast<size_t>(w) < count; ++w) {
        helpers.emplace_back([&] {
            RaceCard card;
            Prediction prediction;
            while (examineNext(card, prediction)) {
            }
        });
    }

    size_t merged = 0;
    auto mergeReady = [&] {
        while (merged < count && ready[merged].load(std::memory_order_acquire)) {
            DayOutcome &outcome = outcomes[merged++];
            if (outcome.skipped)
                result.skipped.push_back(std::move(*outcome.skipped));
            if (outcome.computed) {
                ++result.courseDays;
                result.pendingRaces += outcome.pending;
                result.races.insert(result.races.end(), std::make_move_iterator(outcome.races.begin()),
                                    std::make_move_iterator(outcome.races.end()));
            }
        }
        result.doneCourseDays = static_cast<int>(merged);
    };
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> lastSnapshot;
    int snapshotDays = 0, reported = 0;
    auto report = [&] {
        const int done = examined;
        if (callbacks.progress && done > reported)
            callbacks.progress(done, result.totalCourseDays);
        reported = done;
        if (callbacks.snapshot && result.courseDays > snapshotDays &&
            (!lastSnapshot || Clock::now() - *lastSnapshot >= callbacks.snapshotInterval)) {
            BacktestResult snapshot = result;
            SummarizeBacktest(snapshot);
            callbacks.snapshot(snapshot);
            lastSnapshot = Clock::now();
            snapshotDays = result.courseDays;
        }
    };

    RaceCard card;
    Prediction prediction;
    while (examineNext(card, prediction)) {
        mergeReady();
        report();
    }
    for (std::thread &helper : helpers)
        helper.join();
    mergeReady();
    if (callbacks.progress && examined > reported)
        callbacks.progress(examined, result.totalCourseDays);
    result.complete = merged == count;
    SummarizeBacktest(result);
    return result;
}

BacktestJob::BacktestJob(const QString &dataDir, const BacktestRange &range, Listener listener,
                         std::chrono::milliseconds snapshotInterval)
{
    m_thread = std::thread([this, dataDir, range, listener = std::move(listener), snapshotInterval] {
        BacktestCallbacks callbacks;
        callbacks.progress = [&](int done, int total) { listener({done, total, nullptr, false}); };
        callbacks.snapshot = [&](const BacktestResult &snapshot) {
            listener({snapshot.doneCourseDays, snapshot.totalCourseDays,
                      std::make_shared<const BacktestResult>(snapshot), false});
        };
        callbacks.snapshotInterval = snapshotInterval;
        callbacks.cancelled = &m_cancelled;
        auto result = std::make_shared<const BacktestResult>(RunBacktest(dataDir, range, callbacks));
        listener({result->doneCourseDays, result->totalCourseDays, result, true});
    });
}

BacktestJob::~BacktestJob()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace velmora
