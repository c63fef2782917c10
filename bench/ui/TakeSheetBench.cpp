// The take sheet window over sheets of 1,000 and 10,000 passes: constructing it, showing it and
// waiting for its table's first paint, the time between "Take Sheet…" and a filled window. Goal:
// under 200 ms at 10,000 passes. BM_ReadEntries is the part of it spent reading the sheet.
// BM_FollowNewPass: with the window open, the main thread's time from a new pass written to the
// pass shown in the table (the write itself, on the sheet's thread, not counted).
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. The sheets are filled through TakeSheet
// itself, one transaction per write with full syncs, so they live on /dev/shm where it exists:
// there the syncs cost nothing and filling takes seconds, not minutes. Reading is from memory
// either way once the file is cached.

#include "takes/TakeSheet.h"
#include "ui/TakeSheetModel.h"
#include "ui/TakeSheetWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

using namespace quorvel;

std::unique_ptr<QTemporaryDir> g_dir;
std::map<int, std::unique_ptr<TakeSheet>> g_sheets;

TakeEntry passOf(int i)
{
    static const QStringList projects = {QStringLiteral("Album Sessions"),
                                         QStringLiteral("Film Cue 4"), QStringLiteral("Podcast"),
                                         QStringLiteral("Live at the Hall")};
    TakeEntry entry;
    entry.daw = QStringLiteral("REAPER");
    entry.project = projects[i % projects.size()];
    entry.projectPath = QStringLiteral("/home/studio/Projects/") + entry.project;
    entry.piece = QStringLiteral("Song %1").arg(i / 40 + 1);
    entry.take = QString::number(i + 1);
    entry.started = QDateTime(QDate(2024, 1, 8), QTime(10, 0)).addSecs(i * 300LL);
    entry.folder = entry.projectPath + QStringLiteral("/Media");
    for (int track = 1; track <= 4; ++track)
        entry.files << QStringLiteral("Track %1-%2.wav").arg(track).arg(i + 1, 3, 10, QChar('0'));
    return entry;
}

// A sheet of count passes over a few projects, as a long-running studio would have: several
// files per pass, a mark on one in five, a note on one in seven.
TakeSheet& sheetOf(int count)
{
    auto& sheet = g_sheets[count];
    if (sheet)
        return *sheet;
    sheet =
        std::make_unique<TakeSheet>(g_dir->filePath(QStringLiteral("sheet-%1.sqlite").arg(count)));
    const QStringList marks = TakeMarks::all();
    for (int i = 0; i < count; ++i) {
        const qint64 id = sheet->begin(passOf(i));
        sheet->end(id);
        if (i % 5 == 0)
            sheet->setMark(id, marks[1 + (i / 5) % (marks.size() - 1)]);
        if (i % 7 == 0)
            sheet->setNote(id, QStringLiteral("Vocal a little sharp in the second chorus"));
    }
    sheet->flush();
    // The sheet's notices of all those writes are delivered now, not in the first opening.
    QCoreApplication::sendPostedEvents();
    return *sheet;
}

// Notes the first paint of a widget.
class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void BM_OpenWindow(benchmark::State& state)
{
    TakeSheet& sheet = sheetOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        {
            TakeSheetWindow window(sheet);
            PaintWatch watch;
            window.table()->viewport()->installEventFilter(&watch);
            window.show();
            while (!watch.painted)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
            state.counters["rows"] = window.table()->model()->rowCount();
        }
        // What the window left behind (deferred deletions) is not part of the next opening.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_OpenWindow)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FollowNewPass(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    // A sheet of its own: this one grows.
    TakeSheet& sheet = sheetOf(count + 1);
    TakeSheetWindow window(sheet);
    window.show();
    int next = count + 1;
    for (auto _ : state) {
        const int rows = window.model()->rowCount();
        const qint64 id = sheet.begin(passOf(next++));
        sheet.end(id);
        sheet.flush();
        QElapsedTimer timer;
        timer.start();
        while (window.model()->rowCount() == rows)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The pass's end, noticed separately, is part of following it.
        QCoreApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_FollowNewPass)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ReadEntries(benchmark::State& state)
{
    TakeSheet& sheet = sheetOf(static_cast<int>(state.range(0)));
    size_t read = 0;
    for (auto _ : state)
        read = sheet.entries().size();
    state.counters["rows"] = static_cast<double>(read);
}
BENCHMARK(BM_ReadEntries)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString shm = QStringLiteral("/dev/shm");
    g_dir =
        QDir(shm).exists()
            ? std::make_unique<QTemporaryDir>(shm + QStringLiteral("/quorvel-take-sheet-XXXXXX"))
            : std::make_unique<QTemporaryDir>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_sheets.clear();
    return 0;
}
