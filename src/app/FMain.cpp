#include "app/FMain.h"

#include "app/AudienceBinder.h"
#include "app/DlgYesNo.h"
#include "app/LineWatchBinder.h"
#include "app/LiveBinder.h"
#include "app/MainMenu.h"
#include "app/PagePrinter.h"
#include "app/ProtocolBinder.h"
#include "app/PublishBinder.h"
#include "app/QtPlatform.h"
#include "app/RaceArea.h"
#include "app/RowCommandsBinder.h"
#include "app/RunLogBinder.h"
#include "app/SettingsBinder.h"
#include "app/SignalShutdown.h"
#include "app/TopBar.h"
#include "config/Cfg.h"
#include "display/Dmn_led.h"
#include "display/FMonitor2.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"
#include "race/SerialBinding.h"
#include "serial/Comms.h"
#include "serial/QtHandOver.h"
#include "serial/ThreadPriority.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vk {

namespace {

constexpr char kMakerPage[] = "https://www.quorvane.de/software";

class DesktopShell final : public Shell {
public:
    bool open(const std::string& target) override {
        const QString t = QString::fromStdString(target);
        return QDesktopServices::openUrl(
            t.contains(QStringLiteral("://")) ? QUrl(t) : QUrl::fromLocalFile(t));
    }
    void print(const std::string& page) override {
        PrintPageWithDialog(page, QApplication::activeWindow());
    }
    std::string typeWithoutApplication(const std::string& path) override {
        return DesktopTypeWithoutApplication(path);
    }
};

} // namespace

TFormMain::TFormMain(Options options)
    : options_(std::move(options)),
      paths_(options_.executablePath.empty() ? ProgramPaths::RunningExecutable()
                                             : options_.executablePath),
      timers_(std::make_unique<QtTimerFactory>()), sound_(std::make_unique<QtSoundOutput>()) {
    setObjectName("FormMain");
    qtDialogs_ = std::make_unique<QtDialogs>(applicationTitle());
    qtDialogs_->setParentWidget(this);
    dialogs_ = options_.dialogs ? options_.dialogs : qtDialogs_.get();
    if (!options_.shell)
        qtShell_ = std::make_unique<DesktopShell>();
    shell_ = options_.shell ? options_.shell : qtShell_.get();

    race_ = std::make_unique<RaceControl>(
        RaceControl::Deps{ticks_, *timers_, *sound_, table_, settings_});
    race_->setDecimalSeparator(QString(QLocale::system().decimalPoint()).toStdString());
    protocol_ = std::make_unique<Protocol>(table_, *dialogs_);

    // Default font of the window: 11-pixel MS Sans Serif (served by Liberation Sans).
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPixelSize(11);
    setFont(windowFont);
    setWindowIcon(ApplicationIcon());

    auto* central = new QWidget(this);
    central->setObjectName("Panel2");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);
    // Sky blue by the palette, not a style sheet: a style sheet would stop the fonts of the
    // bars and panels from reaching their controls.
    QPalette sky = palette();
    sky.setColor(QPalette::Window, QColor(0xa6, 0xca, 0xf0));
    setPalette(sky);

    BuildTopBar(*this);
    column->addWidget(Panel1);
    protocolPanel_ = new ProtocolPanel(*protocol_, *dialogs_, options_.fileChooser, this);
    BuildRaceArea(*this);
    PanelLeft->installEventFilter(this);
    column->addWidget(PanelLeft);
    column->addWidget(protocolPanel_->grid(), 1);
    protocolPanel_->setFolder(paths_.dataFolder());
    publish_ =
        std::make_unique<PublishBinder>(*protocolPanel_, *protocol_, *dialogs_, *shell_, paths_,
                                        [this] { return eTitle->text().toStdString(); });
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setFixedHeight(19);
    connect(protocolPanel_, &ProtocolPanel::statusText, this,
            [this](const QString& t) { statusBar()->showMessage(t); });
    BuildMainMenu(*this);
    bindRace();
    bindSerial();
    settingsBinder_ =
        new SettingsBinder(*this, {options_.settingsStore, options_.probePorts, options_.portMap,
                                   *dialogs_, options_.systemRoots});
    rowCommands_ = new RowCommandsBinder(*this);

    setMinimumSize(792, 488);
    resize(settings_.width, settings_.height);
    FormCreate();
}

TFormMain::~TFormMain() {
    FormDestroy();
}

QString TFormMain::applicationTitle() const {
    return QString::fromStdString(paths_.title());
}

// ---------------------------------------------------------------- wiring

void TFormMain::bindRace() {
    RaceControl& rc = *race_;
    rc.onChanged = [this] { render(); };
    // Both lane clocks repaint together, once per frame of the display.
    rc.setLaneClockPeriod(LaneClockPeriodMs(screen() ? screen()->refreshRate() : 0));
    // The race area holds the keyboard focus at the start (the keys are the window's): no
    // text caret blinks, and wakes the program, while it waits.
    PanelLeft->setFocus(Qt::OtherFocusReason);
    rc.updateProtocolButtons = [this] { protocol_->UpdateProtocolButtons(); };
    protocol_->onStartNumber = [this](int lane, bool next, int value) {
        LaneTimer& f = race_->frame(lane);
        if (next)
            f.setNextNumber(value);
        else
            f.setStartNumber(value);
    };
    rc.startSoundPath = paths_.startSound();
    rc.stopSoundPath = paths_.stopSound();
}

void TFormMain::bindSerial() {
    ComPort = std::make_unique<TComPort>(options_.comDriver, timers_.get());
    SetMainWindowValues(*ComPort);
    handOver_ = std::make_unique<QtHandOver>(*ComPort, this);
    BindRaceToPort(*race_, *ComPort);
    lines_ = std::make_unique<LineWatchBinder>(*this, options_.systemRoots);
    WatchLines(lines_->watch(), *race_, *ComPort, [this](uint32_t b) { lines_->show(b); });
    auto show = [this](const std::string& text) {
        statusBar()->showMessage(QString::fromStdString(text));
        statusBar()->setToolTip(QString::fromStdString(text));
    };
    ComPort->OnDeviceLost = [this, show](TComPort* p) {
        // A CH340 that brltty takes vanishes seconds after plugging: say so, not only "lost".
        const std::string trap = LossTrapText(p->ResolvedPath(), options_.systemRoots);
        show(DeviceLostText(*p) + (trap.empty() ? "" : ". " + trap));
    };
    ComPort->OnDeviceBack = [show](TComPort* p) { show(DeviceBackText(*p)); };
    ComPort->OnDeviceMoved = [show](TComPort* p, const std::string& before) {
        show(DeviceMovedText(*p, before));
    };
}

// ---------------------------------------------------------------- life cycle

void TFormMain::FormCreate() {
    setWindowTitle(applicationTitle() + QStringLiteral(" v 0.5"));
    eTitle->setText(QStringLiteral("* * *"));
    cbKlass->setCurrentIndex(0);
    settingsBinder_->LoadSettings();
    ImageTVEin->move(ImageTVAus->pos());
    ImageTVAus->setVisible(QGuiApplication::screens().size() > 1);
    settingsBinder_->BuildFileFilters();
    protocolPanel_->button(QStringLiteral("sbCLS"))->setToolTip(QStringLiteral("Löschen (F8)"));
    protocolPanel_->button(QStringLiteral("sbLoad"))->setToolTip(QStringLiteral("Öffnen"));
    settingsBinder_->ProbeComPorts();
    TimerDateTimer();
    settingsBinder_->OpenStoredPort();
    protocolPanel_->setKlassSortEnabled(settings_.Klass);
    protocolBinder_ =
        std::make_unique<ProtocolBinder>(*protocol_, *race_, *timers_, paths_, statusBar(), this);
    protocolBinder_->loadBackup();
    live_ = new LiveBinder(*this, options_.liveAddress);
    live_->apply();
    runLog_ = std::make_unique<RunLogBinder>(*this, protocolBinder_->backup());
    live_->setRunSource(
        [this]() -> const std::vector<RunRecord>& { return runLog_->log().records(); });
    connect(runLog_.get(), &RunLogBinder::appended, live_, &LiveBinder::runsChanged);
    // The race control starts Ready: stop and reset buttons disabled, every input blocked,
    // the light tree dark. The protocol took its header row when it was made, and the
    // start-up read updated its buttons and selected the row.
    render();
}

void TFormMain::FormDestroy() {
    if (protocolBinder_)
        protocolBinder_->writeBackup();
    const std::string settingsFailure = settingsBinder_->SaveSettings();
    ComPort->Close();
    settingsBinder_->ReportSaveFailure(settingsFailure, SignalShutdown::Received() != 0);
    race_->onChanged = nullptr;
    live_->server().stop();
    runLog_.reset(); // appends through the backup writer's thread
    protocolBinder_.reset();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (race_->anyClockRunning() && !dialogs_->ask("Beenden?", Preset::Nein)) {
        event->ignore();
        return;
    }
    if (!protocolBinder_->mayClose(*dialogs_)) {
        event->ignore();
        return;
    }
    event->accept();
}

// ---------------------------------------------------------------- rendering

void TFormMain::render() {
    if (rendering_)
        return;
    rendering_ = true;
    // Runs once per race operation, barrier events included: it touches only what changed,
    // and the pictures come from their cache.
    RaceControl& rc = *race_;
    auto button = [](TLbSpeedButton* b, const ButtonState& s) {
        if (b->isEnabled() != s.enabled)
            b->setEnabled(s.enabled);
        if (b->color() != s.face)
            b->setColor(s.face);
        if (b->lightColor() != s.light)
            b->setLightColor(s.light);
        if (b->shadowColor() != s.shadow)
            b->setShadowColor(s.shadow);
    };
    button(bSTART, rc.bSTART);
    button(bSTOP1, rc.bSTOP1);
    button(bSTOP2, rc.bSTOP2);
    button(bRESET, rc.bRESET);
    bFehlStart1->setVisible(rc.falseStartShown[0]);
    bFehlStart2->setVisible(rc.falseStartShown[1]);

    MirrorRaceCommands(*this);

    if (ampelShown_ != rc.ampelPicture) {
        ampelShown_ = rc.ampelPicture;
        ImageAmpel->setPicture(
            [n = ampelShown_](QSize size, qreal dpr) { return AmpelPicture(n, dpr, size); });
    }
    ImageAmpel->setVisible(settings_.ColSpeed0);
    TImage* icons[3] = {ImageLSstart, ImageLSstop1, ImageLSstop2};
    for (size_t i = 0; i < 3; ++i) {
        if (lockShown_[i] != rc.lockTag[i]) {
            lockShown_[i] = rc.lockTag[i];
            icons[i]->setPicture(
                [n = lockShown_[i]](QSize, qreal dpr) { return LockPicture(n, dpr); });
        }
        icons[i]->setVisible(rc.iconsVisible);
    }
    for (size_t i = 0; i < Led.size(); ++i)
        Led[i]->setValue(rc.led[i]);
    PanelImit->setVisible(rc.panelImitVisible);
    if (cbAutomatisch->isChecked() != rc.cbAutomatisch)
        cbAutomatisch->setChecked(rc.cbAutomatisch);
    if (live_)
        live_->refresh();
    rendering_ = false;
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    // The race area gets its width from the window's layout after the window's own resize.
    if (watched == PanelLeft && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::FormResize() {
    PlaceRaceArea(*this);
    // The protocol's column widths follow the grid's own resize (the protocol panel).
    ArrangeTopBar(*this);
}

// ---------------------------------------------------------------- shell handlers

void TFormMain::TimerDateTimer() {
    // Started without a language (no LANG, as from a service), the German window still shows
    // a German date rather than the C locale's long "9 Dec 2026", which the panel cuts.
    QLocale loc = QLocale::system();
    if (loc.language() == QLocale::C)
        loc = QLocale(QLocale::German, QLocale::Germany);
    const QDateTime now = QDateTime::currentDateTime();
    PanelDate->setText(loc.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
                       loc.toString(now.time(), QLocale::ShortFormat));
}

void TFormMain::setYesNoDialog(TFDlgYesNo* dialog) {
    qtDialogs_->setYesNoDialog(dialog);
}

void TFormMain::setMonitor(TFormMonitor2* monitor) {
    monitor_ = monitor;
    if (live_)
        live_->setAudienceWindow(monitor);
    if (monitor)
        BindAudience(*this, *monitor);
}

void TFormMain::eTitleChange() {
    settings_.Title = eTitle->text().toStdString();
    ArrangeTopBar(*this); // a longer title may need a wider field
    if (monitor_)
        monitor_->setTitle(eTitle->text());
}

void TFormMain::ImageTVAusClick() {
    if (!monitor_)
        return;
    // On another screen the operator goes on typing into the main window.
    const bool keepFocus = settings_.MonitorIndex != 0;
    monitor_->setAttribute(Qt::WA_ShowWithoutActivating, keepFocus);
    monitor_->show();
    monitor_->setAttribute(Qt::WA_ShowWithoutActivating, false);
    if (keepFocus)
        activateWindow();
}

void TFormMain::ImageTVEinClick() {
    if (monitor_)
        monitor_->close();
}

void TFormMain::Modus1Click() {
    if (!monitor_)
        return;
    if (monitor_->isVisible())
        monitor_->close();
    else
        ImageTVAusClick(); // the same show, so the F-keys keep reaching the race control
}

void TFormMain::bHelpClick() {
    ShowHelpPage(paths_.helpPage(), *shell_, dialogs_, [this](const std::string& text) {
        statusBar()->showMessage(QString::fromStdString(text));
    });
}

void TFormMain::bInfoClick() {
    // Whether stamps are taken with real-time priority decides how far they can be trusted
    // under load, so the operator can look it up here.
    dialogs_->information(InfoText(applicationTitle()).toStdString() + "\n\n" +
                          ThreadPriorityText(EventThreadPriority()));
}

void TFormMain::ImageDEClick() {
    if (!shell_->open(kMakerPage))
        dialogs_->errorReport(std::string("Die Seite kann nicht geöffnet werden: ") + kMakerPage);
}

void TFormMain::bCFGClick() {
    settingsBinder_->bCFGClick(cfgDialog_);
    live_->apply();
}

void TFormMain::setCfgDialog(TCfgDialog* dialog) {
    cfgDialog_ = dialog;
}

} // namespace vk
