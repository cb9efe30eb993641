// The benchmarks' way to wait in the window: a real event loop, run until a condition holds.
#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

/// Runs a real event loop until `done`, looking every millisecond.
inline void runUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    loop.exec();
}
