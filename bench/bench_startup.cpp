// Start-up of the desktop program as a whole process, from its start to the first
// paint of its main window, set against two yardsticks: a bare Qt Widgets program with
// a window of the same size (bench/startup/bare.cpp), and a fair one, a hand-written
// window that shows what the program's first window shows (bench/startup/fair.cpp).
// All run as child processes that end after their first paint
// (VELMORA_QUIT_AFTER_FIRST_PAINT); each iteration starts one of each, so that all meet
// the same machine load. Reports the medians of wall time and of peak resident memory
// (getrusage of the child) and the program's ratios to each yardstick.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern char **environ;

namespace {

struct Run
{
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

/** Starts `program` with the quit-after-paint switch and waits for it; its wall time and peak memory. */
Run Spawn(const std::string &program)
{
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    environment.emplace_back("VELMORA_QUIT_AFTER_FIRST_PAINT=1");
    if (!getenv("QT_QPA_PLATFORM") && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        environment.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char *> envp;
    for (std::string &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string name = program;
    char *argv[] = {name.data(), nullptr};

    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void BM_StartUpToFirstPaint(benchmark::State &state)
{
    // A portable copy of the program in a folder of its own, as scripts/run lays it out:
    // its first start (not timed) creates the data and JV-Link folders.
    QTemporaryDir app;
    const QString program = app.filePath(QStringLiteral("velmora"));
    if (!QFile::copy(QStringLiteral(VELMORA_PROGRAM), program)) {
        state.SkipWithError("cannot copy the program");
        return;
    }
    const std::string velmora = QDir::toNativeSeparators(program).toStdString();
    const std::string bare = VELMORA_BARE_PROGRAM;
    const std::string fair = VELMORA_FAIR_PROGRAM;
    if (!Spawn(velmora).ok || !Spawn(bare).ok || !Spawn(fair).ok) {
        state.SkipWithError("a program did not end after its first paint");
        return;
    }

    std::vector<double> programSeconds, bareSeconds, fairSeconds, programMiB, bareMiB, fairMiB;
    for (auto _ : state) {
        const Run ours = Spawn(velmora);
        const Run plain = Spawn(bare);
        const Run yardstick = Spawn(fair);
        if (!ours.ok || !plain.ok || !yardstick.ok) {
            state.SkipWithError("a program failed");
            return;
        }
        programSeconds.push_back(ours.seconds);
        bareSeconds.push_back(plain.seconds);
        fairSeconds.push_back(yardstick.seconds);
        programMiB.push_back(ours.peakMiB);
        bareMiB.push_back(plain.peakMiB);
        fairMiB.push_back(yardstick.peakMiB);
    }
    const auto ratio = [](double ours, double yardstick) { return yardstick > 0 ? ours / yardstick : 0; };
    const double programTime = Median(programSeconds), bareTime = Median(bareSeconds), fairTime = Median(fairSeconds);
    const double programMemory = Median(programMiB), bareMemory = Median(bareMiB), fairMemory = Median(fairMiB);
    state.counters["velmora_ms"] = programTime * 1000;
    state.counters["bare_ms"] = bareTime * 1000;
    state.counters["fair_ms"] = fairTime * 1000;
    state.counters["time_ratio"] = ratio(programTime, bareTime);
    state.counters["fair_time_ratio"] = ratio(programTime, fairTime);
    state.counters["velmora_MiB"] = programMemory;
    state.counters["bare_MiB"] = bareMemory;
    state.counters["fair_MiB"] = fairMemory;
    state.counters["memory_ratio"] = ratio(programMemory, bareMemory);
    state.counters["fair_memory_ratio"] = ratio(programMemory, fairMemory);
}
BENCHMARK(BM_StartUpToFirstPaint)->Iterations(11)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
