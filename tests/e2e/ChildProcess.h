#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace quorvel::test {

// A program under test, really started, whose standard output is read line by line as it
// arrives. Waits go forward through the lines: each wait starts after the line the previous one
// matched, so a test reads a run's events in order. The process is stopped with the object.
class ChildProcess
{
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_started; }
    qint64 pid() const { return m_pid; }

    // The first line after the last match that satisfies accept, or nothing at the deadline.
    std::optional<QString> waitForLine(const std::function<bool(const QString&)>& accept,
                                       std::chrono::milliseconds deadline);
    std::optional<QString> waitForLineStartingWith(const QString& prefix,
                                                   std::chrono::milliseconds deadline);
    // The same for lines that are JSON objects.
    std::optional<QJsonObject> waitForObject(const std::function<bool(const QJsonObject&)>& accept,
                                             std::chrono::milliseconds deadline);

    // Every complete line so far, and the lines read since the given index, for failure messages.
    const QStringList& lines();
    QString linesSince(qsizetype index);
    qsizetype position() const { return m_next; }

    void sendSignal(int signalNumber);
    // The exit code once the process has exited normally within the deadline, else nothing.
    std::optional<int> waitForExit(std::chrono::milliseconds deadline);
    QString standardError();

private:
    void readAvailable();

    QProcess m_process;
    bool m_started = false;
    qint64 m_pid = 0;
    QByteArray m_partial;
    QStringList m_lines;
    qsizetype m_next = 0;
    QByteArray m_standardError;
};

// The build's own programs.
QString quorvelProgram();
QString simulateProgram();

} // namespace quorvel::test
