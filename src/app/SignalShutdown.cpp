#include "app/SignalShutdown.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vk {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t received = 0;

void onSignalReceived(int sig) {
    const int saved = errno;
    received = sig;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalShutdown::SignalShutdown(QObject* parent) : QObject(parent) {
    if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readPipe(); });
    struct sigaction sa {};
    sa.sa_handler = onSignalReceived;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
}

SignalShutdown::~SignalShutdown() {
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
}

int SignalShutdown::Received() {
    return received;
}

void SignalShutdown::readPipe() {
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1) {
        if (onSignal)
            onSignal(byte);
        else
            QCoreApplication::exit(0);
    }
}

} // namespace vk
