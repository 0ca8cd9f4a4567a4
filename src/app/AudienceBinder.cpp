#include "app/AudienceBinder.h"

#include "app/FMain.h"
#include "app/PublishBinder.h"
#include "display/FMonitor2.h"
#include "display/Pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace vk {

void BindAudience(TFormMain& main, TFormMonitor2& monitor) {
    RaceControl& rc = main.race();
    Settings& settings = main.settings();
    monitor.setLaneFrames(main.FrameT1, main.FrameT2);
    monitor.setMonitorIndexSource([&settings] { return settings.MonitorIndex; });
    monitor.setTitle(main.eTitle->text());

    // The audience window goes before the main window; the lanes then write to nobody.
    QPointer<TFormMonitor2> m(&monitor);
    for (int lane = 1; lane <= 2; ++lane) {
        LaneTimer& f = rc.frame(lane);
        f.onMirror = [m, lane](const std::array<int, 6>& digits, Color c4, Color c5) {
            if (m)
                m->mirror(lane, digits, c4, c5);
        };
        monitor.mirror(lane, f.digits(), f.digitColorOn(0), f.digitColorOn(1));
    }
    rc.onResetLabels = [m] {
        if (m)
            m->ResetLabels();
    };
    // An imported protocol brings other start numbers: the show steps run again, and the TV
    // switch stays as it was.
    main.publishing().publisher().onImported = [m] {
        if (m)
            m->FormShow();
    };

    QWidget* on = main.ImageTVEin;
    QObject::connect(&monitor, &TFormMonitor2::shown, on, [on] { on->setVisible(true); });
    QObject::connect(&monitor, &TFormMonitor2::closed, on, [on] { on->setVisible(false); });
    // The "off" switch is offered while there is a second screen to show the window on.
    QWidget* off = main.ImageTVAus;
    const auto screensChanged = [off] { off->setVisible(QGuiApplication::screens().size() > 1); };
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, off, screensChanged);
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, off, screensChanged);
    monitor.PlaceOnMonitor();
}

// After the settings dialog's OK: a changed screen takes the window at once.
void TFormMain::placeAudienceWindow() {
    if (monitor_)
        monitor_->PlaceOnMonitor();
}

} // namespace vk
