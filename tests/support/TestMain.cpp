// Every test binary gets a QCoreApplication, so event loops, timers and queued calls work as in
// the program.
#include <QCoreApplication>

#include <gtest/gtest.h>

// Qt as the distributions ship it is not built for the thread sanitizer, so the hand-over inside
// a queued call (a mutex Qt takes through raw futexes) is invisible to it and every object that
// crosses threads that way is reported as a race. Only those hand-overs are silenced.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:QMetaCallEvent\n"
           "race:QtPrivate::QFunctorSlotObject\n"
           "race:QMetaObject::invokeMethodImpl\n";
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
