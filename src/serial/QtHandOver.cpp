#include "serial/QtHandOver.h"

#include "serial/Comms.h"

#include <QMetaObject>

namespace vk {

QtHandOver::QtHandOver(TComPort& port, QObject* parent)
    : QtHandOver(port.SharedHandOver(), parent) {}

QtHandOver::QtHandOver(std::shared_ptr<HandOverQueue> queue, QObject* parent)
    : QObject(parent), queue_(std::move(queue)) {
    queue_->SetWake([this] {
        QMetaObject::invokeMethod(
            this, [this] { queue_->Drain(); }, Qt::QueuedConnection);
    });
}

QtHandOver::~QtHandOver() {
    queue_->SetWake({});
}

} // namespace vk
