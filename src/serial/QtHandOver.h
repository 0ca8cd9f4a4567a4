#pragma once
#include "serial/HandOver.h"

#include <QObject>
#include <memory>

namespace vk {

class TComPort;

// Serves a port's hand-overs from the Qt event loop: each wake-up of the event thread becomes
// a queued call on this object's thread (the ui thread) that drains the queue. Construct it
// on the ui thread; it may live shorter or longer than the port.
class QtHandOver : public QObject {
    Q_OBJECT

public:
    explicit QtHandOver(TComPort& port, QObject* parent = nullptr);
    explicit QtHandOver(std::shared_ptr<HandOverQueue> queue, QObject* parent = nullptr);
    ~QtHandOver() override;

private:
    std::shared_ptr<HandOverQueue> queue_;
};

} // namespace vk
