// SPDX-License-Identifier: MIT
// The yardstick for the program's start-up: a bare Qt Widgets window with one
// label. Shows it, and at its first 0-ms timer prints "first tick at <n> ns"
// (CLOCK_MONOTONIC) on standard error and quits. Run by bench_idle_tick.
#include <time.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("KEFirmwareUpdate"));
    label.show();
    QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(stderr, "first tick at %lld ns\n",
                     static_cast<long long>(now.tv_sec) * 1000000000LL + static_cast<long long>(now.tv_nsec));
        QCoreApplication::exit(0);
    });
    return QApplication::exec();
}
