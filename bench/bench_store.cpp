// Storing the records of a race weekend (about 70 RA, 1,000 SE, 70 HR) through the
// course-day store, one call per record, each rewriting its file. A year of
// records is measured in bench_import, set against the import.
#include "core/store/racedayfiles.h"
#include "gen/jvdatagen.h"

#include <benchmark/benchmark.h>
#include <map>

#include <QTemporaryDir>

namespace {

struct Records
{
    std::vector<std::pair<velmora::FileKind, std::string>> records;
};

/** The records of race weekends until `races` races are reached, in import order. */
const Records &RecordsOfRaces(int races)
{
    static std::map<int, Records> cache;
    Records &out = cache[races];
    if (!out.records.empty())
        return out;
    velmora::gen::Generator generator(7);
    int raceCount = 0;
    for (QDate saturday(2025, 1, 4); raceCount < races; saturday = saturday.addDays(7)) {
        for (const velmora::gen::CourseDay &day : generator.weekend(saturday)) {
            for (const std::string &r : day.raceRecords)
                out.records.emplace_back(velmora::FileKind::Race, r);
            raceCount += static_cast<int>(day.raceRecords.size());
            for (const std::string &r : day.runnerRecords)
                out.records.emplace_back(velmora::FileKind::Runner, r);
            for (const std::string &r : day.payoutRecords)
                out.records.emplace_back(velmora::FileKind::Payout, r);
        }
    }
    return out;
}

void StoreBySlot(benchmark::State &state, int races)
{
    const Records &records = RecordsOfRaces(races);
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
    StoreBySlot(state, 60);
}
BENCHMARK(BM_StoreWeekBySlot)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
