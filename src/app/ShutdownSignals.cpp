#include "app/ShutdownSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

// One program, one pipe: the handler can reach nothing but globals.
int pipeEnds[2] = {-1, -1};

constexpr std::array<int, 3> Handled{SIGTERM, SIGHUP, SIGINT};

extern "C" void onShutdownSignal(int signalNumber) {
    // Only async-signal-safe calls here. A full pipe already holds a pending shutdown.
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject *parent) : QObject(parent) {
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    ownsPipe_ = true;
    struct sigaction action = {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = true;
    for (int signalNumber : Handled)
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            installed_ = false;
}

ShutdownSignals::~ShutdownSignals() {
    if (!ownsPipe_)
        return;
    notifier_.reset();
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void ShutdownSignals::listen() {
    if (!ownsPipe_ || notifier_)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ShutdownSignals::readPipe);
}

void ShutdownSignals::readPipe() {
    char byte = 0;
    int last = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        last = static_cast<unsigned char>(byte);
    if (last != 0)
        emit received(last);
}

} // namespace app
