#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// Lets events run until done() holds or ms milliseconds pass; false on the deadline. Waiting
// sleeps in the event loop at most sliceMs at a time, so the first event after done() becomes
// true ends the wait. Give a deadline generous enough for a loaded machine, which runs timers late.
inline bool RunUntil(const std::function<bool()>& done, int ms, int sliceMs = 5) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, sliceMs);
    }
    return true;
}

// Lets events run for ms milliseconds.
inline void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}
