#pragma once

#include "core/engine/prediction.h"
#include "core/store/racecard.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QDate>
#include <QString>

namespace velmora {

/**
 * The tickets a bettor following the program buys, one 100-yen ticket per bet:
 * the race box's quinella list as quinella and again as wide tickets, and its
 * bracket-quinella list (only where the race box shows one).
 */
enum class TicketKind
{
    Quinella,
    Wide,
    Bracket
};

constexpr int kTicketKindCount = 3;
constexpr std::array<TicketKind, kTicketKindCount> kTicketKinds = {TicketKind::Quinella, TicketKind::Wide,
                                                                   TicketKind::Bracket};
constexpr int kTicketPrice = 100; ///< yen per ticket

/** "quinella", "wide", "bracket": the kind's key in the command-line tool's JSON. */
const char *TicketKindKey(TicketKind kind);
/** "馬連", "ワイド", "枠連": the kind as a person reads it. */
QString TicketKindName(TicketKind kind);

/** The figures of one ticket kind in one group of races. Amounts are yen. */
struct KindFigures
{
    long long races = 0;    ///< settled races with at least one ticket of the kind
    long long hitRaces = 0; ///< … of which at least one ticket hit
    long long tickets = 0;
    long long hits = 0;    ///< tickets whose return is above 0
    long long stake = 0;   ///< 100 per ticket
    long long payback = 0; ///< the sum of the returns (the "return" of the figures)

    long long profit() const { return payback - stake; }
    /** hits / tickets, in percent; nothing without tickets. */
    std::optional<double> hitRate() const;
    /** races with a hit / races, in percent; nothing without races. */
    std::optional<double> raceHitRate() const;
    /** return / stake, in percent; nothing without a stake. */
    std::optional<double> returnRate() const;

    KindFigures &operator+=(const KindFigures &other);
    bool operator==(const KindFigures &) const = default;
};

/** The figures of a group of settled races, per ticket kind. */
struct GroupFigures
{
    long long settledRaces = 0;
    std::array<KindFigures, kTicketKindCount> kinds;

    const KindFigures &operator[](TicketKind kind) const { return kinds[static_cast<size_t>(kind)]; }
    KindFigures &operator[](TicketKind kind) { return kinds[static_cast<size_t>(kind)]; }
    GroupFigures &operator+=(const GroupFigures &other);
    bool operator==(const GroupFigures &) const = default;
};

/** One settled race of the backtest: where and when it ran, its grade, the figures of its tickets. */
struct RaceFigures
{
    QDate date;         ///< the course-day's meeting date
    std::string course; ///< racecourse code, 2 bytes
    int race = 0;       ///< race slot 1..12
    Grade grade = Grade::None;
    GroupFigures figures;
};

/** The longest run of races without a hit and the deepest fall of the cumulative profit (yen) below its peak. */
struct StreakFigures
{
    long long longestMiss = 0;
    long long maxDrawdown = 0;
};

/** Inclusive bounds on the meeting date; an invalid (null) date leaves that end open. */
struct BacktestRange
{
    QDate from;
    QDate to;

    bool bounded() const { return from.isValid() || to.isValid(); }
    bool contains(QDate date) const;
};

/** The dates of the first and the last of `courseDays` by their names (open when there is none). */
BacktestRange StoredRange(const std::vector<CourseDay> &courseDays);

/**
 * The range of two date pickers that start on the stored range: an end left on the
 * stored day is open, so that "all stored days" goes by the dates in the files.
 */
BacktestRange ChosenRange(QDate from, QDate to, const BacktestRange &stored);

/** A course-day within the range that could not be computed, and the reason shown to a person. */
struct SkippedCourseDay
{
    QString name; ///< CourseDay::fileBase()
    QString reason;
};

/**
 * The outcome of a backtest over the course-days of a data folder whose date lies
 * within the range. Groups hold only settled races; group keys are "A".."C",
 * racecourse codes ("05"), months ("2026-11") and dates ("2026-11-29").
 */
struct BacktestResult
{
    BacktestRange range;
    int courseDays = 0; ///< course-days within the range that were computed
    std::vector<SkippedCourseDay> skipped;
    long long settledRaces = 0;
    long long pendingRaces = 0;
    std::vector<RaceFigures> races; ///< the settled races in date, racecourse code and race number order

    GroupFigures total;
    std::map<std::string, GroupFigures> byGrade;
    std::map<std::string, GroupFigures> byCourse;
    std::map<std::string, GroupFigures> byMonth;
    std::map<std::string, GroupFigures> byDate;
    std::array<StreakFigures, kTicketKindCount> streaks;

    int doneCourseDays = 0;  ///< course-days examined so far (computed, skipped or out of range)
    int totalCourseDays = 0; ///< course-days of the data folder
    bool complete = false;   ///< every course-day examined: not a snapshot of a run, nor cancelled

    const StreakFigures &streak(TicketKind kind) const { return streaks[static_cast<size_t>(kind)]; }
};

/**
 * Appends to `races` the settled races of one computed course-day (race slots
 * 1..RaceCount whose payout record holds a paid quinella entry), with the figures
 * of their tickets, and counts the others in `pending`.
 */
void AddCourseDayRaces(const RaceCard &card, const Prediction &prediction, std::vector<RaceFigures> &races,
                       long long &pending);

/**
 * Fills the groups and streaks of `result` from its races, which it first puts in
 * date, racecourse code and race number order.
 */
void SummarizeBacktest(BacktestResult &result);

/** What a run reports while it works, and how it is stopped. */
struct BacktestCallbacks
{
    /** As course-days are examined: how many so far (rising) and in all. */
    std::function<void(int done, int total)> progress;
    /**
     * The figures of the course-days examined so far, oldest first: once the first is
     * computed, then at most once per interval.
     */
    std::function<void(const BacktestResult &snapshot)> snapshot;
    std::chrono::milliseconds snapshotInterval{250};
    /** The run stops before the next course-day once this is set; its result is then not complete. */
    const std::atomic<bool> *cancelled = nullptr;
    /** Threads that load and compute course-days, the calling one included; 0: one per core, at most 4. */
    int workers = 0;
};

/**
 * The backtest of the course-days of `dataDir` within `range`: each course-day is
 * loaded and computed once, as a click on it would; one that cannot be computed is
 * listed in `skipped` with its reason. With a bounded range, a course-day's date is
 * read from its race-day file's first record before it is loaded (the date of the
 * name stands in when that record cannot be read). Course-days are examined by
 * several threads at once; the callbacks run on the calling thread. Thread-safe: it
 * touches no state but its own, so it may itself run on any thread.
 */
BacktestResult RunBacktest(const QString &dataDir, const BacktestRange &range, const BacktestCallbacks &callbacks = {});

/**
 * A backtest running on a worker thread of its own. The listener is called on that
 * thread with each progress step and snapshot and once with the final result
 * (complete, or cut short by cancel()). Destroying the job cancels it and waits for
 * the thread, so no call comes after the destructor returns.
 */
class BacktestJob
{
  public:
    struct Update
    {
        int done = 0;
        int total = 0;
        std::shared_ptr<const BacktestResult> figures; ///< a snapshot or the final result; null for a progress step
        bool finished = false;                         ///< the last update of the run
    };
    using Listener = std::function<void(const Update &update)>;

    BacktestJob(const QString &dataDir, const BacktestRange &range, Listener listener,
                std::chrono::milliseconds snapshotInterval = std::chrono::milliseconds(250));
    ~BacktestJob();
    BacktestJob(const BacktestJob &) = delete;
    BacktestJob &operator=(const BacktestJob &) = delete;

    /** Asks the run to stop before its next course-day. */
    void cancel() { m_cancelled = true; }

  private:
    std::atomic<bool> m_cancelled{false};
    std::thread m_thread;
};

} // namespace velmora
