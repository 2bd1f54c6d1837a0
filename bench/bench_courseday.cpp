// Loading, computing and building the hit list of one course-day, set against
// merely reading its three files.
#include "core/engine/prediction.h"
#include "core/report/hitlist.h"
#include "core/store/racecard.h"
#include "gen/jvdatagen.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct Day
{
    QTemporaryDir root;
    QString data = root.path() + QStringLiteral("/Data");
    QString name;

    Day()
    {
        velmora::gen::Generator generator(42);
        velmora::gen::CourseDayOptions options;
        options.date = QDate(2026, 11, 28);
        const velmora::gen::CourseDay day = generator.courseDay(options);
        velmora::gen::WriteCourseDayFiles(day, data);
        name = QString::fromStdString(day.nameUtf8());
    }
};

Day &SampleDay()
{
    static Day day;
    return day;
}

void BM_ReadThreeFiles(benchmark::State &state)
{
    const Day &day = SampleDay();
    for (auto _ : state) {
        for (const char *extension : {".jvRA", ".jvSEr", ".jvHR"}) {
            QFile file(day.data + QLatin1Char('/') + day.name + QLatin1String(extension));
            file.open(QIODevice::ReadOnly);
            benchmark::DoNotOptimize(file.readAll());
        }
    }
}
BENCHMARK(BM_ReadThreeFiles);

void BM_LoadComputeHitList(benchmark::State &state)
{
    const Day &day = SampleDay();
    velmora::RaceCard card;
    velmora::Prediction prediction;
    const velmora::CourseDay courseDay(day.name);
    for (auto _ : state) {
        velmora::LoadCourseDay(day.data, courseDay, card);
        velmora::ComputePrediction(card, prediction);
        benchmark::DoNotOptimize(velmora::HitList(card, prediction));
    }
}
BENCHMARK(BM_LoadComputeHitList);

// The three steps apart, to show where the time of the whole goes.
void BM_LoadOnly(benchmark::State &state)
{
    const Day &day = SampleDay();
    velmora::RaceCard card;
    const velmora::CourseDay courseDay(day.name);
    for (auto _ : state)
        benchmark::DoNotOptimize(velmora::LoadCourseDay(day.data, courseDay, card));
}
BENCHMARK(BM_LoadOnly);

void BM_ComputeOnly(benchmark::State &state)
{
    const Day &day = SampleDay();
    velmora::RaceCard card;
    velmora::Prediction prediction;
    velmora::LoadCourseDay(day.data, velmora::CourseDay(day.name), card);
    for (auto _ : state) {
        velmora::ComputePrediction(card, prediction);
        benchmark::DoNotOptimize(prediction);
    }
}
BENCHMARK(BM_ComputeOnly);

void BM_HitListOnly(benchmark::State &state)
{
    const Day &day = SampleDay();
    velmora::RaceCard card;
    velmora::Prediction prediction;
    velmora::LoadCourseDay(day.data, velmora::CourseDay(day.name), card);
    velmora::ComputePrediction(card, prediction);
    for (auto _ : state)
        benchmark::DoNotOptimize(velmora::HitList(card, prediction));
}
BENCHMARK(BM_HitListOnly);

} // namespace

BENCHMARK_MAIN();
