#pragma once
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vk {

// SIGTERM, SIGHUP and SIGINT (logout, system shutdown, Ctrl+C) end the program through its
// orderly shutdown: the event loops are left, so the windows are destroyed as on a normal
// close and the main window writes the backup and the settings and closes the port. There is
// no close question: nobody is there to answer it. The handler only writes the signal number
// into a pipe that the Qt loop watches; a second signal of the same kind ends the program at
// once.
class SignalShutdown : public QObject {
    Q_OBJECT

public:
    explicit SignalShutdown(QObject* parent = nullptr);
    // Puts the default handlers back.
    ~SignalShutdown() override;

    // The signal that began the shutdown, 0 while none came. Nobody may be left to answer a
    // message box then: what went wrong goes to the error stream.
    static int Received();

    // What a signal does on the ui thread; by default QCoreApplication::exit(0).
    std::function<void(int signal)> onSignal;

private:
    void readPipe();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vk
