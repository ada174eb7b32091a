#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT (a task manager, `kill`, a closed terminal, Ctrl+C) turned into a Qt
// signal. The handler only writes the signal's number into a pipe; the window hears of it from
// the event loop, where any Qt call is safe.
namespace app {

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers at once, so that a signal that comes early is kept, not fatal.
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

    // False when the pipe or a handler could not be set up; the signals then keep their default
    // action.
    bool installed() const { return installed_; }

    // From now on a received signal is reported by `received`; one that came before is reported
    // as soon as the event loop runs.
    void listen();

signals:
    void received(int signalNumber);

private:
    void readPipe();

    bool ownsPipe_ = false;
    bool installed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace app
