#include "support/Poll.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace quorvel::test {

bool pollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > deadline.count())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void processEventsFor(std::chrono::milliseconds duration)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

} // namespace quorvel::test
