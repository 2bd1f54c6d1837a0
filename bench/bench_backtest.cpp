// The backtest over five and ten years of generated course-days (about 260 a
// year), set against merely listing the data folder and reading every file of it
// once: the backtest reads each course-day once and computes it, so its time should
// stay near the reading time and grow in step with the number of days.
#include "core/backtest/backtest.h"
#include "gen/jvdatagen.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace velmora;

const QDate kLastSaturday(2026, 11, 28);
constexpr std::uint64_t kSeed = 20261128;

/** A data folder of `weeks` race weekends up to kLastSaturday, generated once per run into a temporary folder. */
struct Folder
{
    QTemporaryDir root;
    QString data = root.path() + QStringLiteral("/Data");
    int courseDays = 0;

    explicit Folder(int weeks) { courseDays = gen::WriteWeeks(data, kSeed, kLastSaturday, weeks); }

    /**
     * The last `weeks` weeks of a larger folder, linked rather than made again: a
     * weekend comes out the same whatever the number of weeks it was made with.
     */
    Folder(const Folder &larger, int weeks)
    {
        QDir().mkpath(data);
        const QDate first = kLastSaturday.addDays(-7 * (weeks - 1));
        for (const QFileInfo &file : QDir(larger.data).entryInfoList(QDir::Files)) {
            if (CourseDay(file.completeBaseName()).date() < first)
                continue;
            std::error_code error;
            const auto to = std::filesystem::path(data.toStdString()) / file.fileName().toStdString();
            std::filesystem::create_hard_link(file.absoluteFilePath().toStdString(), to, error);
            if (error)
                QFile::copy(file.absoluteFilePath(), data + QLatin1Char('/') + file.fileName());
            if (file.suffix() == QLatin1String("jvRA"))
                ++courseDays;
        }
    }
};

constexpr int kTenYears = 520;

const Folder &FolderOfWeeks(int weeks)
{
    static std::map<int, std::unique_ptr<Folder>> folders;
    std::unique_ptr<Folder> &folder = folders[weeks];
    if (!folder) {
        // Five years come from the ten when those are wanted anyway.
        if (weeks < kTenYears && weeks > 52)
            folder = std::make_unique<Folder>(FolderOfWeeks(kTenYears), weeks);
        else
            folder = std::make_unique<Folder>(weeks);
    }
    return *folder;
}

void ReadEveryFile(benchmark::State &state, int weeks)
{
    const Folder &folder = FolderOfWeeks(weeks);
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString &name : QDir(folder.data).entryList(QDir::Files)) {
            QFile file(folder.data + QLatin1Char('/') + name);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["courseDays"] = folder.courseDays;
}

/** The backtest with `workers` threads (0: one per core, as the program runs it). */
void Backtest(benchmark::State &state, int weeks, int workers = 0)
{
    const Folder &folder = FolderOfWeeks(weeks);
    BacktestCallbacks callbacks;
    callbacks.workers = workers;
    for (auto _ : state) {
        const BacktestResult result = RunBacktest(folder.data, {}, callbacks);
        benchmark::DoNotOptimize(result.total);
    }
    state.counters["courseDays"] = folder.courseDays;
}

// Four weeks keep the smoke run short; the years are left to scripts/bench.
void BM_ReadEveryFileMonth(benchmark::State &state)
{
    ReadEveryFile(state, 4);
}
BENCHMARK(BM_ReadEveryFileMonth)->Unit(benchmark::kMillisecond);

void BM_BacktestMonth(benchmark::State &state)
{
    Backtest(state, 4);
}
BENCHMARK(BM_BacktestMonth)->Unit(benchmark::kMillisecond);

void BM_ReadEveryFileYears(benchmark::State &state)
{
    ReadEveryFile(state, static_cast<int>(state.range(0)) * 52);
}
BENCHMARK(BM_ReadEveryFileYears)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_BacktestYears(benchmark::State &state)
{
    Backtest(state, static_cast<int>(state.range(0)) * 52);
}
BENCHMARK(BM_BacktestYears)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_BacktestYearsOneThread(benchmark::State &state)
{
    Backtest(state, static_cast<int>(state.range(0)) * 52, 1);
}
BENCHMARK(BM_BacktestYearsOneThread)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
