#pragma once

#include "support/Poll.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <csignal>
#include <optional>
#include <ostream>

// Lets GoogleTest show QStrings, and lists of them, as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace quorvel::test {

// The command name the kernel reports for a process (what lsof -c and the process list match).
inline QString commandName(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

// A program under test, really started, whose standard output is read line by line as it
// arrives. Each wait starts after the line the previous one matched, so a test reads a run's
// events in order. The process is killed with the object.
class ChildProcess
{
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(program, arguments);
        m_process.waitForStarted(10000);
        m_pid = m_process.processId();
    }
    ~ChildProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    qint64 pid() const { return m_pid; }

    // The first line after the last match that starts with prefix, or nothing at the deadline.
    std::optional<QString> waitForLine(const QString& prefix, std::chrono::milliseconds deadline)
    {
        return find([&](const QString& line) { return line.startsWith(prefix); }, deadline);
    }
    // The same for lines that are JSON objects accepted by accept.
    std::optional<QJsonObject> waitForObject(const std::function<bool(const QJsonObject&)>& accept,
                                             std::chrono::milliseconds deadline)
    {
        const auto object = [](const QString& line) {
            return QJsonDocument::fromJson(line.toUtf8()).object();
        };
        const auto line = find([&](const QString& text) { return accept(object(text)); }, deadline);
        return line ? std::optional(object(*line)) : std::nullopt;
    }

    // Every complete line so far, and all of them as one text for failure messages.
    const QStringList& lines()
    {
        while (m_process.canReadLine())
            m_lines << QString::fromUtf8(m_process.readLine()).chopped(1);
        return m_lines;
    }
    std::string printed() { return lines().join('\n').toStdString(); }
    std::string standardError()
    {
        m_standardError += m_process.readAllStandardError();
        return m_standardError.toStdString();
    }

    void sendSignal(int signalNumber)
    {
        if (m_pid > 0)
            ::kill(static_cast<pid_t>(m_pid), signalNumber);
    }
    // The exit code once the process has exited normally within the deadline, else -1.
    int waitForExit(std::chrono::milliseconds deadline)
    {
        pollUntil([&] { return m_process.state() == QProcess::NotRunning; }, deadline);
        const bool exited = m_process.state() == QProcess::NotRunning;
        return exited && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    std::optional<QString> find(const std::function<bool(const QString&)>& accept,
                                std::chrono::milliseconds deadline)
    {
        std::optional<QString> found;
        pollUntil(
            [&] {
                for (lines(); m_next < m_lines.size() && !found; ++m_next) {
                    if (accept(m_lines[m_next]))
                        found = m_lines[m_next];
                }
                return found.has_value();
            },
            deadline);
        return found;
    }

    QProcess m_process;
    qint64 m_pid = 0;
    QStringList m_lines;
    qsizetype m_next = 0;
    QByteArray m_standardError;
};

// An environment whose home and settings folder are work's own, so no test reads or writes the
// developer's settings.
inline QProcessEnvironment isolatedEnvironment(const TempDir& work)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), work.makeFolder(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       work.makeFolder(QStringLiteral("config")));
    return environment;
}

// The same for a Quorvel watching only daw (a dawSelection value), so that DAWs simulated on the
// machine at the same time stay out of its view.
inline QProcessEnvironment pinnedEnvironment(const TempDir& work, const QByteArray& daw)
{
    work.write(QStringLiteral("config/Quorvel/Quorvel.conf"),
               "[General]\ndawSelection=" + daw + '\n');
    return isolatedEnvironment(work);
}

// Processes other than ours with one of names as their command name: another session of the DAW,
// which Quorvel would watch as well (a demonstration, or a test run in another build tree).
// Empty when there are none; otherwise a note for failure messages.
inline std::string othersNote(const QStringList& names, qint64 ours)
{
    QStringList others;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (pid.toLongLong() > 0 && pid.toLongLong() != ours &&
            names.contains(commandName(pid.toLongLong())))
            others << pid;
    }
    return others.isEmpty() ? std::string()
                            : "\n(other processes named " + names.join(" or ").toStdString() +
                                  " ran meanwhile: " + others.join(", ").toStdString() + ")";
}

// A state document as one compact line, so that whole documents compare and print as text; the
// same for one written as JSON text.
inline QString shown(const QJsonObject& state)
{
    return QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
}
inline QString shown(const QString& json)
{
    return shown(QJsonDocument::fromJson(json.toUtf8()).object());
}

// The first state quorvel prints after the last match that shows take recording or, when
// recording is false, as the next take; nothing at the deadline.
inline std::optional<QJsonObject> waitForTake(ChildProcess& quorvel, const QString& take,
                                              bool recording, std::chrono::milliseconds deadline)
{
    return quorvel.waitForObject(
        [&](const QJsonObject& state) {
            return state["take"].toString() == take && state["recording"].toBool() == recording &&
                   (recording || state["status"] == "Next take");
        },
        deadline);
}

} // namespace quorvel::test
