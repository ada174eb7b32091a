#pragma once

#include <QRandomGenerator>
#include <QTime>

// Time of day and chance, behind a seam so that tests can fix them.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int hour() const = 0;
    virtual int secondsSinceMidnight() const = 0;
    virtual double random() = 0; // uniform in [0, 1)
};

class SystemClock : public Clock {
public:
    int hour() const override { return QTime::currentTime().hour(); }
    int secondsSinceMidnight() const override { return QTime(0, 0).secsTo(QTime::currentTime()); }
    double random() override { return QRandomGenerator::global()->generateDouble(); }
};
