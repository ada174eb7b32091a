#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <vector>

// The middle value (the upper one of an even count).
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median wall time of `runs` calls of `work`, in milliseconds.
template <typename F> double medianMs(int runs, F &&work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
