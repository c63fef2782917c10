// Every test binary gets a QCoreApplication, so event loops, timers and queued calls work as in
// the program.
#include <QCoreApplication>

#include <gtest/gtest.h>

// For the thread-sanitizer build. Distributions ship Qt without the sanitizer, so it sees only
// the parts of Qt's locking that go through pthreads.
extern "C" const char* __tsan_default_suppressions()
{
    // QThread::wait() learns that the thread has finished under a futex lock it cannot see, so
    // destroying the QThread (and the wait condition the finished thread signalled) looks raced
    // with that last signal, though the thread had ended.
    return "race:QWaitCondition::~QWaitCondition\n";
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
