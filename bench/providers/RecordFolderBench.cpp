// Scans that list more than one folder, or parse every name: REAPER's project folder plus its
// record folder (Media), and an Ardour session's audiofiles folder in both naming modes, each
// with 1,000, 10,000 and 50,000 take files. Every scan is measured back to back with a bare
// listing of the folders it lists (readdir and fstatat, nothing else), so that load from
// elsewhere falls on both alike. The goal: every ratio at most 1.5.

#include "BareListing.h"
#include "model/FilenamePattern.h"
#include "providers/ArdourProvider.h"
#include "providers/ReaperProvider.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace quorvel;
using quorvel::bench::bareListing;
using quorvel::bench::touchDated;

const int sizes[] = {1000, 10000, 50000};
QTemporaryDir* g_root = nullptr;

// Runs scan and the listing of folders back to back, and reports their ratio.
void measure(benchmark::State& state, const QList<QByteArray>& folders,
             const std::function<DAWSnapshot()>& scan)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration listing{}, scanning{};
    QString take;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const QByteArray& folder : folders)
            bareListing(folder);
        const auto t1 = Clock::now();
        const DAWSnapshot snapshot = scan();
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(snapshot);
        take = snapshot.currentTake ? snapshot.currentTake->recPass : QString();
        listing += t1 - t0;
        scanning += t2 - t1;
    }
    const double l = std::chrono::duration<double>(listing).count();
    const double n = static_cast<double>(state.iterations());
    state.counters["scan/listing"] = std::chrono::duration<double>(scanning).count() / l;
    state.counters["scan_ms"] = 1000 * std::chrono::duration<double>(scanning).count() / n;
    state.counters["listing_ms"] = 1000 * l / n;
    state.SetLabel(("take " + take).toStdString());
}

// REAPER between takes: the project file's folder holds a few files, its Media folder the takes.
void BM_ReaperWithRecordFolder(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const QString project = g_root->filePath(QStringLiteral("Reaper-%1").arg(size));
    const QString file = project + QStringLiteral("/Session.RPP");
    if (!QFile::exists(file)) {
        QDir().mkpath(project + QStringLiteral("/Media"));
        QFile rpp(file);
        rpp.open(QIODevice::WriteOnly);
        rpp.write(
            "<REAPER_PROJECT 0.1 \"7.0\" 0\n  RECORD_PATH \"Media\" \"\"\n  <TRACK\n  >\n>\n");
        const QByteArray media = QFile::encodeName(project) + "/Media/";
        for (int i = 0; i < size; ++i)
            touchDated(media + "MySession-" + QByteArray::number(i % 64 + 1) + '-' +
                           QByteArray::number(i / 64 + 1).rightJustified(3, '0') + ".wav",
                       i);
        for (int i = 0; i < 5; ++i)
            touchDated(QFile::encodeName(project) + "/notes-" + QByteArray::number(i) + ".txt", i);
    }
    DAWScanContext context;
    context.pattern = FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern;
    ReaperProject cache;
    const auto recordFolders = [&cache](const QString& projectFile) {
        const auto paths = cache.cachedRecordPaths(projectFile);
        return paths ? ReaperProject::recordFolders(projectFile, *paths) : QStringList();
    };
    measure(state, {QFile::encodeName(project), QFile::encodeName(project) + "/Media"}, [&] {
        return ReaperProvider::detect(context, {file}, {}, currentFileTime(), recordFolders);
    });
}

// An Ardour session's audiofiles folder: 4 tracks, one a stereo pair, passes of 5 files.
void BM_Ardour(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const bool prefixed = state.range(1) != 0;
    const QString session =
        g_root->filePath(QStringLiteral("Ardour-%1-%2").arg(size).arg(prefixed ? "take" : "track"));
    const QString audio = session + QStringLiteral("/interchange/Song/audiofiles");
    if (!QDir(audio).exists()) {
        QDir().mkpath(audio);
        QFile sessionFile(session + QStringLiteral("/Song.ardour"));
        sessionFile.open(QIODevice::WriteOnly);
        sessionFile.write(QByteArray("<Session>\n<Config>\n<Option name=\"track-name-take\" "
                                     "value=\"") +
                          (prefixed ? "1" : "0") + "\"/>\n</Config>\n</Session>\n");
        const char* const tracks[] = {"Vox-", "Gtr-", "Bass-", "Keys-", "Keys-"};
        const char* const channels[] = {"", "", "", "%L", "%R"};
        const QByteArray folder = QFile::encodeName(audio) + '/';
        for (int i = 0; i < size; ++i) {
            const QByteArray pass = QByteArray::number(i / 5 + 1);
            const QByteArray name =
                prefixed ? "Take" + pass + '_' + tracks[i % 5] + '1' + channels[i % 5]
                         : tracks[i % 5] + pass + channels[i % 5];
            touchDated(folder + name + ".wav", i);
        }
    }
    DAWScanContext context;
    context.previousDetectedFolder = audio;
    measure(state, {QFile::encodeName(audio)}, [&] {
        return ArdourProvider::detect(context, {}, currentFileTime(),
                                      &ArdourProvider::readSessionOptions);
    });
}

void sizesOf(benchmark::internal::Benchmark* benchmark)
{
    for (int size : sizes)
        benchmark->Arg(size);
    benchmark->Unit(benchmark::kMillisecond);
}

void sizesAndModesOf(benchmark::internal::Benchmark* benchmark)
{
    for (int prefixed : {1, 0}) {
        for (int size : sizes)
            benchmark->Args({size, prefixed});
    }
    benchmark->ArgNames({"files", "prefixed"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ReaperWithRecordFolder)->Apply(sizesOf);
BENCHMARK(BM_Ardour)->Apply(sizesAndModesOf);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    g_root = &root;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
