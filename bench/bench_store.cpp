// Storing records through the course-day store, one call per record as an import
// does: a race week (about 70 RA, 1,000 SE, 70 HR) and a year (about 3,500 RA,
// 50,000 SE, 3,500 HR).
#include "core/store/racedayfiles.h"
#include "gen/jvdatagen.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

namespace {

struct Records
{
    std::vector<std::pair<velmora::FileKind, std::string>> records;
};

/** The records of `weekends` race weekends of three racecourses, in import order. */
const Records &YearRecords(int weekends)
{
    static std::map<int, Records> cache;
    Records &out = cache[weekends];
    if (!out.records.empty())
        return out;
    velmora::gen::Generator generator(7);
    QDate saturday(2025, 1, 4);
    for (int w = 0; w < weekends; ++w, saturday = saturday.addDays(7)) {
        for (const velmora::gen::CourseDay &day : generator.weekend(saturday)) {
            for (const std::string &r : day.raceRecords)
                out.records.emplace_back(velmora::FileKind::Race, r);
            for (const std::string &r : day.runnerRecords)
                out.records.emplace_back(velmora::FileKind::Runner, r);
            for (const std::string &r : day.payoutRecords)
                out.records.emplace_back(velmora::FileKind::Payout, r);
        }
    }
    return out;
}

void StoreBySlot(benchmark::State &state, int weekends)
{
    const Records &records = YearRecords(weekends);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir root;
        velmora::RaceDayStore store(root.path() + QStringLiteral("/Data"));
        state.ResumeTiming();
        for (const auto &[kind, record] : records.records)
            benchmark::DoNotOptimize(store.PutSlotRecord(record, kind));
    }
    state.counters["records"] = static_cast<double>(records.records.size());
}
void BM_StoreWeekBySlot(benchmark::State &state)
{
    StoreBySlot(state, 1);
}
BENCHMARK(BM_StoreWeekBySlot)->Unit(benchmark::kMillisecond);

void BM_StoreYearBySlot(benchmark::State &state)
{
    StoreBySlot(state, 48);
}
BENCHMARK(BM_StoreYearBySlot)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
