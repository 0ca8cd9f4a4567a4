#include "app/LineWatchBinder.h"

#include "app/FMain.h"
#include "display/FrTimer.h"
#include "serial/Comms.h"

#include <QLabel>
#include <QStatusBar>

namespace vk {

LineWatchBinder::LineWatchBinder(TFormMain& window, SystemRoots roots)
    : w_(window), roots_(std::move(roots)), status_(new QLabel(window.statusBar())) {
    status_->setObjectName("LabLines");
    status_->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    status_->hide();
    w_.statusBar()->addPermanentWidget(status_);
}

void LineWatchBinder::show(uint32_t bouncing) {
    w_.FrameT1->setWarning(QString::fromStdString(watch_.LaneText(1)));
    w_.FrameT2->setWarning(QString::fromStdString(watch_.LaneText(2)));
    const QString blocked = QString::fromStdString(watch_.StatusText());
    if (blocked != status_->text()) {
        status_->setText(blocked);
        status_->setVisible(!blocked.isEmpty());
    }
    if (!bouncing)
        return;
    std::string text = BounceText(bouncing);
    if (ServiceRunning("ModemManager", roots_))
        text += ". " + ModemManagerText(w_.comPort().ResolvedPath());
    w_.statusBar()->showMessage(QString::fromStdString(text), kBounceMessageMs);
}

} // namespace vk
