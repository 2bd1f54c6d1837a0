// Importing a year of race data (about 3,500 RA, 50,000 SE and 3,500 HR records)
// through the local JV-Link, set against storing every record by rewriting its
// whole file, against writing the final course-day files once, and against the same
// import through velmora-jvbridge under wine64 with the test JV-Link serving the files.
#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/dataimport.h"
#include "core/jvlink/localjvlink.h"
#include "core/settings/settingsfile.h"
#include "core/store/racedayfiles.h"
#include "core/text/sjis.h"
#include "gen/jvdatagen.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <thread>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using namespace velmora;

const QDateTime kNow(QDate(2026, 1, 5), QTime(12, 0));

/** A year of course-days, served as one JV-Data file per course-day. */
struct Year
{
    QTemporaryDir root;
    QString source = root.path() + QStringLiteral("/source");
    QString home = root.path() + QStringLiteral("/jvlink");
    std::vector<gen::CourseDay> days;
    size_t records = 0;

    Year()
    {
        gen::Generator generator(11);
        int races = 0;
        for (QDate saturday(2025, 1, 4); races < 3500; saturday = saturday.addDays(7)) {
            for (gen::CourseDay &day : generator.weekend(saturday)) {
                races += static_cast<int>(day.raceRecords.size());
                std::vector<std::string> all = day.raceRecords;
                all.insert(all.end(), day.runnerRecords.begin(), day.runnerRecords.end());
                all.insert(all.end(), day.payoutRecords.begin(), day.payoutRecords.end());
                records += all.size();
                const QString name =
                    QStringLiteral("RACE_%1_20251231000000_%2.jvd")
                        .arg(day.date.toString(QStringLiteral("yyyyMMdd")), QString::fromStdString(day.course));
                gen::WriteRecordFile(source + QLatin1Char('/') + name, all);
                days.push_back(std::move(day));
            }
        }
        // Fill the component's cache once, so that every run measures reading and storing.
        const auto jvlink = makeJVLink();
        int readCount = 0, downloadCount = 0;
        QString stamp;
        jvlink->JVOpen(QStringLiteral("RACE"), QStringLiteral("20240101000000"), 1, readCount, downloadCount, stamp);
        while (jvlink->JVStatus() < downloadCount && jvlink->JVStatus() >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        jvlink->JVClose();
    }

    std::unique_ptr<LocalJVLink> makeJVLink() const
    {
        auto jvlink = std::make_unique<LocalJVLink>(home, source);
        jvlink->setDownloadDelay(std::chrono::milliseconds(0));
        jvlink->setClock([] { return kNow; });
        jvlink->JVInit(SoftwareId());
        return jvlink;
    }
};

Year &TheYear()
{
    static Year year;
    return year;
}

/** Every record read from JV-Link and stored at once by rewriting its whole file. */
void BM_ImportYearRewritingPerRecord(benchmark::State &state)
{
    Year &year = TheYear();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        const auto jvlink = year.makeJVLink();
        RaceDayStore store(data.path());
        state.ResumeTiming();
        int readCount = 0, downloadCount = 0, size = 60000;
        QString stamp, file;
        std::string record;
        jvlink->JVOpen(QStringLiteral("RACE"), QStringLiteral("20240101000000"), 1, readCount, downloadCount, stamp);
        for (int result; (result = jvlink->JVRead(record, size, file)) != 0;) {
            if (result > 0) {
                if (const auto kind = KindOfRecordType(std::string_view(record).substr(0, 2)))
                    store.PutSlotRecord(record, *kind);
            }
        }
        jvlink->JVClose();
    }
    state.counters["records"] = static_cast<double>(year.records);
}
BENCHMARK(BM_ImportYearRewritingPerRecord)->Unit(benchmark::kMillisecond)->Iterations(1);

/** The import as the program runs it. */
void BM_ImportYear(benchmark::State &state)
{
    Year &year = TheYear();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        const auto jvlink = year.makeJVLink();
        RaceDayStore store(data.path());
        SettingsFile settings;
        settings.setFileName(data.path() + QStringLiteral("/velmora.ini"));
        SilentImportView view;
        bool cancelled = false;
        DataImport import(*jvlink, store, settings, view, cancelled);
        state.ResumeTiming();
        import.start(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), 1);
        while (import.downloading())
            import.poll();
        benchmark::DoNotOptimize(import.counts());
    }
    state.counters["records"] = static_cast<double>(year.records);
}
BENCHMARK(BM_ImportYear)->Unit(benchmark::kMillisecond)->Iterations(3);

/** A wine prefix whose test JV-Link serves the year's files from a filled cache; empty when it cannot be had. */
struct WineJVLink
{
    QString error;
    QTemporaryDir root;
    QStringList command;

    WineJVLink()
    {
        const QString wine = QStringLiteral("/usr/lib/wine/wine64");
        const QString bridge = QStringLiteral(VELMORA_JVBRIDGE_EXE);
        if (!QFileInfo(wine).isExecutable() || bridge.isEmpty() || !QFileInfo(bridge).isFile()) {
            error = QStringLiteral("wine64 or the cross-built velmora-jvbridge.exe is missing");
            return;
        }
        const QString prefix = root.filePath(QStringLiteral("prefix"));
        qputenv("WINEPREFIX", prefix.toUtf8());
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        qputenv("VELMORA_MOCKJVLINK", VELMORA_MOCKJVLINK_DLL);
        qputenv("VELMORA_MOCKJV_DOWNLOAD_MS", "0");
        QProcess mock;
        mock.start(QStringLiteral(VELMORA_JVLINK_MOCK_SCRIPT), {prefix, TheYear().source});
        if (!mock.waitForFinished(120000) || mock.exitCode() != 0) {
            error = QStringLiteral("scripts/jvlink-mock failed");
            return;
        }
        command = QStringList{wine, bridge};
        // Fill the test JV-Link's cache once, as the local one's is.
        BridgeJVLink jvlink(command);
        jvlink.JVInit(SoftwareId());
        int readCount = 0, downloadCount = 0;
        QString stamp;
        jvlink.JVOpen(QStringLiteral("RACE"), QStringLiteral("20240101000000"), 1, readCount, downloadCount, stamp);
        while (jvlink.JVStatus() < downloadCount && jvlink.JVStatus() >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        jvlink.JVClose();
    }
    ~WineJVLink()
    {
        // The wine server writes the prefix's registry when it ends: before the folder goes.
        QProcess::execute(QStringLiteral("/usr/lib/wine/wineserver"), {QStringLiteral("-w")});
    }
};

WineJVLink &TheWine()
{
    static WineJVLink wine;
    return wine;
}

/** The import as the program runs it, through the bridge (its start under wine included). */
void BM_ImportYearThroughTheBridge(benchmark::State &state)
{
    Year &year = TheYear();
    WineJVLink &wine = TheWine();
    if (!wine.error.isEmpty()) {
        state.SkipWithError(wine.error.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        BridgeJVLink jvlink(wine.command);
        RaceDayStore store(data.path());
        SettingsFile settings;
        settings.setFileName(data.path() + QStringLiteral("/velmora.ini"));
        SilentImportView view;
        bool cancelled = false;
        DataImport import(jvlink, store, settings, view, cancelled);
        state.ResumeTiming();
        jvlink.JVInit(SoftwareId());
        import.start(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), 1);
        while (import.downloading())
            import.poll();
        if (import.outcome() != DataImport::Outcome::Completed)
            state.SkipWithError("the import through the bridge did not complete");
        benchmark::DoNotOptimize(import.counts());
    }
    state.counters["records"] = static_cast<double>(year.records);
}
BENCHMARK(BM_ImportYearThroughTheBridge)->Unit(benchmark::kMillisecond)->Iterations(3);

/** The bridge started under wine and ended, with nothing read: the part of its cost that no batching removes. */
void BM_BridgeStartAndEnd(benchmark::State &state)
{
    TheYear();
    WineJVLink &wine = TheWine();
    if (!wine.error.isEmpty()) {
        state.SkipWithError(wine.error.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        BridgeJVLink jvlink(wine.command);
        benchmark::DoNotOptimize(jvlink.JVInit(SoftwareId()));
    }
}
BENCHMARK(BM_BridgeStartAndEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

/** The final course-day files written once each. */
void BM_WriteYearFilesOnce(benchmark::State &state)
{
    Year &year = TheYear();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        state.ResumeTiming();
        for (const gen::CourseDay &day : year.days)
            gen::WriteCourseDayFiles(day, data.path());
    }
}
BENCHMARK(BM_WriteYearFilesOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
