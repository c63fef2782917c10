// The native open-file reader against lsof, selecting one process among all on the machine (this
// benchmark's own process, holding a few files open). The goal: native at least ten times faster.

#include "RatioReporter.h"
#include "platform/RunningApplications.h"
#include "providers/SystemProbe.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

QString g_filter;

void BM_NativeReader(benchmark::State& state)
{
    qsizetype files = 0;
    for (auto _ : state) {
        const QStringList paths = quorvel::SystemProbe::nativeOpenFilePaths(g_filter);
        files = paths.size();
        benchmark::DoNotOptimize(paths);
    }
    state.counters["files"] = static_cast<double>(files);
}

void BM_LsofReader(benchmark::State& state)
{
    qsizetype files = 0;
    for (auto _ : state) {
        const QStringList paths = quorvel::SystemProbe::openFilePathsWithLsof(g_filter);
        files = paths.size();
        benchmark::DoNotOptimize(paths);
    }
    state.counters["files"] = static_cast<double>(files);
}

// What every provider's isRunning() costs on the main thread, once per tick.
void BM_RunningApplications(benchmark::State& state)
{
    size_t count = 0;
    for (auto _ : state) {
        const auto applications = quorvel::RunningApplications::current();
        count = applications.size();
        benchmark::DoNotOptimize(applications);
    }
    state.counters["applications"] = static_cast<double>(count);
}

BENCHMARK(BM_NativeReader)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LsofReader)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunningApplications)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // Some open take files, so both readers have a real list to return.
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QFile>> open;
    for (int i = 1; i <= 16; ++i) {
        auto file = std::make_unique<QFile>(
            dir.filePath(QStringLiteral("Take-01-%1.wav").arg(i, 3, 10, QLatin1Char('0'))));
        file->open(QIODevice::WriteOnly);
        open.push_back(std::move(file));
    }
    QFile comm(QStringLiteral("/proc/self/comm"));
    comm.open(QIODevice::ReadOnly);
    g_filter = QStringLiteral("/^%1$/").arg(QString::fromUtf8(comm.readAll()).trimmed());
    std::printf("filter %s\n", qPrintable(g_filter));

    benchmark::Initialize(&argc, argv);
    quorvel::bench::RatioReporter reporter(
        std::vector<std::pair<std::string, std::string>>{{"BM_LsofReader", "BM_NativeReader"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
