// The Linux native open-file reader against real processes, and against lsof on the same process.

#include "platform/FileFixtures.h"
#include "providers/SystemProbe.h"
#include "support/TempDir.h"

#include <QSet>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::string show(const QStringList& list)
{
    return ("[" + list.join(QStringLiteral(" | ")) + "]").toStdString();
}

QStringList under(const QStringList& paths, const QString& folder)
{
    QStringList inside;
    for (const QString& path : paths) {
        if (path.startsWith(folder + u'/'))
            inside.append(path);
    }
    return inside;
}

} // namespace

// Descriptor order, duplicates kept, names that are not UTF-8 skipped one by one.
TEST(NativeOpenFilesTest, ListsTheFilesOfAProcessInDescriptorOrder)
{
    TempDir dir;
    const RawFile a(dir.path(), "A plain-01-001.wav");
    const RawFile b(dir.path(), "B bad\xff-01-002.wav");
    const RawFile c(dir.path(), "C [brackets] \xf0\x9f\x8e\xb5-01-003.wav");
    ASSERT_TRUE(a.created && b.created && c.created);
    const QString name = uniqueCommandName("qvn");
    const QString filter = QStringLiteral("/^%1$/").arg(name);
    HeldFiles held(name, {a.path, b.path, c.path, a.path});
    ASSERT_TRUE(held.isReady());

    const QStringList paths = SystemProbe::nativeOpenFilePaths(filter);
    const QString first = QFile::decodeName(a.path);
    EXPECT_EQ(under(paths, dir.path()), QStringList({first, QFile::decodeName(c.path), first}))
        << show(paths);
    // Selected by process id, as the providers select a DAW by its full program name.
    EXPECT_EQ(SystemProbe::openFilePaths(std::vector<qint64>{held.pid()}), paths);
    held.finish();
    EXPECT_EQ(SystemProbe::nativeOpenFilePaths(filter), QStringList()) << "after the process ended";
}

// Both readers name the same files, and select processes by lsof's -c rules, in the order of
// their ids: the real /usr/bin/lsof is the reference.
TEST(NativeOpenFilesTest, AgreesWithLsofOnTheSameProcesses)
{
    TempDir dir;
    QList<QByteArray> held;
    for (const char* file : {"My Take [1] 01-001.wav", "notes.txt", "\xf0\x9f\x8e\xb5 Take.wav"})
        held.append(QFile::encodeName(dir.write(QString::fromUtf8(file), "x")));
    const QString name = uniqueCommandName("qva");
    const QString sibling = name.left(14) + u'y';
    HeldFiles holder(name, held);
    HeldFiles siblingHolder(sibling, {held.last()});
    ASSERT_TRUE(holder.isReady() && siblingHolder.isReady());

    // lsof also names the working folder, the program and its mapped libraries; every regular
    // file the descriptors hold is among its names.
    const QString exact = QStringLiteral("/^%1$/").arg(name);
    const QStringList native = SystemProbe::nativeOpenFilePaths(exact);
    const QStringList lsof = SystemProbe::openFilePathsWithLsof(exact);
    const QSet<QString> lsofNames(lsof.begin(), lsof.end());
    for (const QString& path : native) {
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            EXPECT_TRUE(lsofNames.contains(path)) << path.toStdString() << " not in " << show(lsof);
        }
    }
    // The same processes chosen by id, as macOS falls back on lsof to do.
    EXPECT_EQ(
        under(SystemProbe::runLsof(std::vector<qint64>{holder.pid(), siblingHolder.pid()}).paths,
              dir.path()),
        under(SystemProbe::openFilePaths(std::vector<qint64>{holder.pid(), siblingHolder.pid()}),
              dir.path()));
    EXPECT_FALSE(SystemProbe::runLsof(std::vector<qint64>{}).launched) << "nothing to ask";

    // %1 is the first holder's name: 15 bytes starting "qva"; the second's ends in "y" instead.
    // How many of their files each filter selects: the first holds three, the second one. "%1x"
    // is longer than a command name: refused, never cut short.
    const std::pair<const char*, int> filters[] = {
        {"/^%1$/", 3},    {"%1", 3},      {"qva", 4},    {"%1x", 0},
        {"/va/", 4},      {"/^QVA/i", 4}, {"/^QVA/", 0}, {"/^q\\(va\\)/b", 4},
        {"/^q(va)/b", 0}, {"^%1", 0},     {"/(/", 0},
    };
    for (const auto& [form, count] : filters) {
        const QString filter = QString::fromUtf8(form).replace(QStringLiteral("%1"), name);
        const QStringList nativeHere = under(SystemProbe::nativeOpenFilePaths(filter), dir.path());
        const QStringList lsofHere = under(SystemProbe::openFilePathsWithLsof(filter), dir.path());
        EXPECT_EQ(nativeHere.size(), count) << form << ": " << show(nativeHere);
        EXPECT_EQ(nativeHere, lsofHere)
            << form << ": native " << show(nativeHere) << ", lsof " << show(lsofHere);
    }
}
