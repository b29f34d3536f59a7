#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Lets events run until done() holds or ms milliseconds pass; false on the deadline. Waiting
// sleeps in the event loop, woken by the next event or at the latest after sliceMs, so the first
// event after done() becomes true ends the wait without spinning the processor meanwhile (a timed
// processEvents() does not sleep: it returns at once when nothing is pending). Give a deadline
// generous enough for a loaded machine, which runs timers late.
inline bool RunUntil(const std::function<bool()>& done, int ms, int sliceMs = 5) {
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(sliceMs);
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets events run for ms milliseconds.
inline void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}
