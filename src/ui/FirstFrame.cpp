#include "ui/FirstFrame.h"

#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace ui {

namespace {

// Watches the widget until its native window exists, then that window until it is exposed; one
// per window, so what is asked runs in one go, in the order asked (a report first).
class FirstFrameWatch : public QObject {
public:
    explicit FirstFrameWatch(QWidget *window) : QObject(window), window_(window) {
        setObjectName(QStringLiteral("FirstFrameWatch"));
        window_->installEventFilter(this);
        if (window_->windowHandle())
            watchHandle();
    }

    static FirstFrameWatch *of(QWidget *window) {
        auto *watch = window->findChild<FirstFrameWatch *>(QStringLiteral("FirstFrameWatch"),
                                                           Qt::FindDirectChildrenOnly);
        return watch ? watch : new FirstFrameWatch(window);
    }

    void add(std::function<void()> then, bool first) {
        if (first)
            then_.insert(then_.begin(), std::move(then));
        else
            then_.push_back(std::move(then));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == window_ && event->type() == QEvent::Show && !handle_) {
            watchHandle();
        } else if (watched == handle_ && event->type() == QEvent::Expose && handle_->isExposed()) {
            handle_->removeEventFilter(this);
            window_->removeEventFilter(this);
            setObjectName(QString()); // done: a later request gets a watch of its own
            // The expose is drawn and flushed when its handling returns: run after it.
            QTimer::singleShot(0, window_, [then = std::move(then_)] {
                for (const auto &step : then)
                    step();
            });
            deleteLater();
        }
        return false;
    }

private:
    void watchHandle() {
        handle_ = window_->windowHandle();
        if (handle_)
            handle_->installEventFilter(this);
    }

    QWidget *window_;
    QWindow *handle_ = nullptr;
    std::vector<std::function<void()>> then_;
};

long peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

void afterFirstFrame(QWidget *window, std::function<void()> then) {
    FirstFrameWatch::of(window)->add(std::move(then), false);
}

void reportFirstFrame(QWidget *window) {
    const char *fdText = std::getenv("PARLOTTE_FIRST_FRAME_FD");
    if (!fdText || !*fdText)
        return;
    const int fd = std::atoi(fdText);
    FirstFrameWatch::of(window)->add(
        [fd] {
            const auto cpuUs = [](int who) {
                rusage usage{};
                getrusage(who, &usage);
                return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L +
                       usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
            };
            // The process's CPU time, then the window thread's alone: the work other threads
            // did meanwhile is the difference.
            char line[80];
            const int n = std::snprintf(line, sizeof line, "%ld %ld %ld\n", peakResidentKb(),
                                        cpuUs(RUSAGE_SELF), cpuUs(RUSAGE_THREAD));
            if (write(fd, line, static_cast<size_t>(n)) != n)
                std::perror("PARLOTTE_FIRST_FRAME_FD");
        },
        true);
}

} // namespace ui
