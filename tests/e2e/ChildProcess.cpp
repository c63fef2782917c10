#include "e2e/ChildProcess.h"

#include "support/Poll.h"

#include <QJsonDocument>

#include <csignal>

namespace quorvel::test {

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.start();
    m_started = m_process.waitForStarted(10000);
    m_pid = m_process.processId();
}

ChildProcess::~ChildProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void ChildProcess::readAvailable()
{
    m_partial += m_process.readAllStandardOutput();
    m_standardError += m_process.readAllStandardError();
    qsizetype newline;
    while ((newline = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_partial.left(newline));
        m_partial.remove(0, newline + 1);
    }
}

std::optional<QString> ChildProcess::waitForLine(const std::function<bool(const QString&)>& accept,
                                                 std::chrono::milliseconds deadline)
{
    std::optional<QString> found;
    pollUntil(
        [&] {
            readAvailable();
            for (; m_next < m_lines.size() && !found; ++m_next) {
                if (accept(m_lines[m_next]))
                    found = m_lines[m_next];
            }
            return found.has_value();
        },
        deadline);
    return found;
}

std::optional<QString> ChildProcess::waitForLineStartingWith(const QString& prefix,
                                                             std::chrono::milliseconds deadline)
{
    return waitForLine([&](const QString& line) { return line.startsWith(prefix); }, deadline);
}

std::optional<QJsonObject>
ChildProcess::waitForObject(const std::function<bool(const QJsonObject&)>& accept,
                            std::chrono::milliseconds deadline)
{
    const auto line = waitForLine(
        [&](const QString& text) {
            const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
            return document.isObject() && accept(document.object());
        },
        deadline);
    if (!line)
        return std::nullopt;
    return QJsonDocument::fromJson(line->toUtf8()).object();
}

const QStringList& ChildProcess::lines()
{
    readAvailable();
    return m_lines;
}

QString ChildProcess::linesSince(qsizetype index)
{
    readAvailable();
    return m_lines.mid(index).join(QLatin1Char('\n'));
}

void ChildProcess::sendSignal(int signalNumber)
{
    if (m_pid > 0)
        ::kill(static_cast<pid_t>(m_pid), signalNumber);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds deadline)
{
    pollUntil(
        [&] {
            readAvailable();
            return m_process.state() == QProcess::NotRunning;
        },
        deadline);
    readAvailable();
    if (m_process.state() != QProcess::NotRunning || m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

QString ChildProcess::standardError()
{
    readAvailable();
    return QString::fromUtf8(m_standardError);
}

QString quorvelProgram()
{
    return QStringLiteral(QUORVEL_PROGRAM);
}

QString simulateProgram()
{
    return QStringLiteral(QUORVEL_SIMULATE_PROGRAM);
}

} // namespace quorvel::test
