// A REAPER scan of media folders holding 1,000, 10,000 and 50,000 .wav files, against a bare
// listing of the same folder with modification dates (readdir and fstatat, nothing else). The
// goal: a scan costs at most 1.5 times the listing at every size, and grows linearly.
//
// Two scans are measured: the provider's whole scan() (which also reads the open files of any
// REAPER process) and detect() given an empty open-file list, which is the folder work alone.
//
// BM_RunawayPatternScan: a scan (detect(), the folder work alone: scan() would follow any REAPER
// running on this machine) with a pattern that backtracks on every one of 50,000 names
// "xxxx…x00001.wav", where no name parses. The matching budget of a scan is what bounds it. The
// counters are shares of one core at one scan a second: core_pct the whole scan, listing_pct a
// bare full read of the same folder measured alongside, beyond_listing_pct the difference. Goal:
// the whole scan at most 5 % of a core. The scan's own listing is kept between scans (negative
// beyond_listing_pct: the scan costs less than reading the folder); with QUORVEL_POLL_ONLY=1 it
// reads the folder in full, as it did before.
//
// BM_UnchangedListing: listing a folder in which nothing changed, as every scan does. Run once
// as it is and once with QUORVEL_POLL_ONLY=1 (every folder read in full, as before listings were
// kept) to see the difference.

#include "BareListing.h"
#include "RatioReporter.h"
#include "model/FilenamePattern.h"
#include "providers/ReaperProvider.h"
#include "providers/SystemProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace quorvel;
using quorvel::bench::bareListing;
using quorvel::bench::touchDated;

const int sizes[] = {1000, 10000, 50000};
std::map<int, QString> g_folders;

// Fills folder with count take files, REAPER-named, each dated a second apart.
void fill(const QString& folder, int count)
{
    QDir().mkpath(folder);
    const QByteArray base = QFile::encodeName(folder);
    for (int i = 0; i < count; ++i) {
        touchDated(base + "/MySession-" + QByteArray::number(i % 64 + 1) + '-' +
                       QByteArray::number(i / 64 + 1).rightJustified(3, '0') + ".wav",
                   i);
    }
}

void BM_BareListing(benchmark::State& state)
{
    const QByteArray folder = QFile::encodeName(g_folders[static_cast<int>(state.range(0))]);
    size_t count = 0;
    for (auto _ : state)
        count = bareListing(folder);
    state.counters["files"] = static_cast<double>(count);
    state.SetComplexityN(state.range(0));
}

// Listing a folder in which nothing changed, as every scan does: a full read when QUORVEL_POLL_ONLY=1
// is set, else the kept listing.
void BM_UnchangedListing(benchmark::State& state)
{
    const QString folder = g_folders[static_cast<int>(state.range(0))];
    const auto isWav = [](std::string_view name) { return name.ends_with(".wav"); };
    size_t count = 0;
    for (auto _ : state)
        count = SystemProbe::listFolder(folder, isWav)->size();
    state.counters["files"] = static_cast<double>(count);
    state.SetComplexityN(state.range(0));
}

DAWScanContext contextFor(int size)
{
    DAWScanContext context;
    context.previousDetectedFolder = g_folders[size];
    context.pattern = FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern;
    return context;
}

void BM_ReaperDetect(benchmark::State& state)
{
    const DAWScanContext context = contextFor(static_cast<int>(state.range(0)));
    const auto noRecent = [] { return std::optional<QString>(); };
    QString pass;
    for (auto _ : state) {
        const DAWSnapshot snapshot =
            ReaperProvider::detect(context, {}, noRecent, currentFileTime());
        pass = snapshot.currentTake ? snapshot.currentTake->recPass : QString();
        benchmark::DoNotOptimize(snapshot);
    }
    state.SetLabel(("newest take " + pass).toStdString());
    state.SetComplexityN(state.range(0));
}

void BM_ReaperScan(benchmark::State& state)
{
    const DAWScanContext context = contextFor(static_cast<int>(state.range(0)));
    const ReaperProvider provider;
    QString pass;
    for (auto _ : state) {
        const DAWSnapshot snapshot = provider.scan(context);
        pass = snapshot.currentTake ? snapshot.currentTake->recPass : QString();
        benchmark::DoNotOptimize(snapshot);
    }
    state.SetLabel(("newest take " + pass).toStdString());
    state.SetComplexityN(state.range(0));
}

// The three measured back to back in every iteration, so that load from elsewhere on the machine
// falls on all of them alike; the counters are the ratios to the listing.
void BM_Interleaved(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const QByteArray folder = QFile::encodeName(g_folders[size]);
    const DAWScanContext context = contextFor(size);
    const ReaperProvider provider;
    const auto noRecent = [] { return std::optional<QString>(); };
    using Clock = std::chrono::steady_clock;
    Clock::duration listing{}, detect{}, scan{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bareListing(folder);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(ReaperProvider::detect(context, {}, noRecent, currentFileTime()));
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(provider.scan(context));
        const auto t3 = Clock::now();
        listing += t1 - t0;
        detect += t2 - t1;
        scan += t3 - t2;
    }
    const double l = std::chrono::duration<double>(listing).count();
    state.counters["detect/listing"] = std::chrono::duration<double>(detect).count() / l;
    state.counters["scan/listing"] = std::chrono::duration<double>(scan).count() / l;
    state.counters["scan_ms"] = 1000 * std::chrono::duration<double>(scan).count() /
                                static_cast<double>(state.iterations());
    state.counters["listing_ms"] = 1000 * l / static_cast<double>(state.iterations());
    state.SetComplexityN(state.range(0));
}

const int runawayCount = 50000;
QString g_runawayFolder;

// Names on which (x+x+)+y backtracks exponentially: a long run of "x" with no "y" after it.
void fillRunaway(const QString& folder)
{
    QDir().mkpath(folder);
    const QByteArray base = QFile::encodeName(folder) + '/' + QByteArray(40, 'x');
    for (int i = 0; i < runawayCount; ++i) {
        touchDated(base + QByteArray::number(i + 1).rightJustified(5, '0') + ".wav", i);
    }
}

void BM_RunawayPatternScan(benchmark::State& state)
{
    DAWScanContext context;
    context.previousDetectedFolder = g_runawayFolder;
    context.pattern = FilenamePattern::compile(QStringLiteral(R"((x+x+)+y(\d+)\.wav$)")).pattern;
    const QByteArray folder = QFile::encodeName(g_runawayFolder);
    const auto noRecent = [] { return std::optional<QString>(); };
    using Clock = std::chrono::steady_clock;
    Clock::duration listing{}, scan{};
    bool tooSlow = false;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bareListing(folder);
        const auto t1 = Clock::now();
        const DAWSnapshot snapshot =
            ReaperProvider::detect(context, {}, noRecent, currentFileTime());
        const auto t2 = Clock::now();
        tooSlow = snapshot.filenamePatternTooSlow;
        benchmark::DoNotOptimize(snapshot);
        listing += t1 - t0;
        scan += t2 - t1;
    }
    // One scan a second: a scan's time in seconds is the share of a core it keeps busy.
    const double iterations = static_cast<double>(state.iterations());
    const double scanPct = 100 * std::chrono::duration<double>(scan).count() / iterations;
    const double listingPct = 100 * std::chrono::duration<double>(listing).count() / iterations;
    state.counters["core_pct"] = scanPct;
    state.counters["listing_pct"] = listingPct;
    state.counters["beyond_listing_pct"] = scanPct - listingPct;
    state.SetLabel(tooSlow ? "reported too slow" : "not reported");
}

void sizesOf(benchmark::internal::Benchmark* benchmark)
{
    for (int size : sizes)
        benchmark->Arg(size);
    benchmark->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_BareListing)->Apply(sizesOf);
BENCHMARK(BM_UnchangedListing)->Apply(sizesOf);
BENCHMARK(BM_ReaperDetect)->Apply(sizesOf);
BENCHMARK(BM_ReaperScan)->Apply(sizesOf);
BENCHMARK(BM_Interleaved)->Apply(sizesOf);
BENCHMARK(BM_RunawayPatternScan)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    for (int size : sizes) {
        g_folders[size] = root.filePath(QStringLiteral("Media-%1").arg(size));
        fill(g_folders[size], size);
    }
    g_runawayFolder = root.filePath(QStringLiteral("Runaway"));
    fillRunaway(g_runawayFolder);

    benchmark::Initialize(&argc, argv);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int size : sizes) {
        const std::string n = std::to_string(size);
        pairs.emplace_back("BM_ReaperDetect/" + n, "BM_BareListing/" + n);
        pairs.emplace_back("BM_ReaperScan/" + n, "BM_BareListing/" + n);
    }
    quorvel::bench::RatioReporter reporter(pairs);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
