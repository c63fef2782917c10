#include "platform/HeldFiles.h"

#include <QCoreApplication>

#include <atomic>

namespace quorvel::test {

HeldFiles::HeldFiles(const QString& commandName, const QString& folder)
{
    m_process.setProgram(QStringLiteral(QUORVEL_OPEN_FILES_HOLDER));
    m_process.setArguments({commandName, folder});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(20000))
        return;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(20000))
            return;
    }
    m_ready = m_process.readLine().trimmed() == "ready";
}

HeldFiles::~HeldFiles()
{
    finish();
}

void HeldFiles::finish()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(20000)) {
        m_process.kill();
        m_process.waitForFinished(20000);
    }
}

QString uniqueCommandName(const char* prefix)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1%2x%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid() % 100000)
        .arg(counter++)
        .left(15);
}

} // namespace quorvel::test
