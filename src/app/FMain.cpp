#include "app/FMain.h"

#include "app/AudienceBinder.h"
#include "app/DlgYesNo.h"
#include "app/MainLayout.h"
#include "app/PagePrinter.h"
#include "app/ProtocolBinder.h"
#include "app/PublishBinder.h"
#include "app/QtPlatform.h"
#include "app/RowCommandsBinder.h"
#include "app/SettingsBinder.h"
#include "config/Cfg.h"
#include "display/Dmn_led.h"
#include "display/FMonitor2.h"
#include "display/FrTimer.h"
#include "display/LbSpeedButton.h"
#include "display/Pictures.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"
#include "serial/Comms.h"
#include "serial/QtHandOver.h"

#include <QAction>
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
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vk {

namespace {

constexpr char kMakerPage[] = "https://www.quorvane.de/software";

// A picture that reports clicks, for the light tree, the barrier icons and the switches.
class ClickImage : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
            onClick();
        QLabel::mouseReleaseEvent(e);
    }
};

class DesktopShell final : public Shell {
public:
    void open(const std::string& target) override {
        const QString t = QString::fromStdString(target);
        QDesktopServices::openUrl(t.contains(QStringLiteral("://")) ? QUrl(t)
                                                                    : QUrl::fromLocalFile(t));
    }
    void print(const std::string& page) override {
        PrintPageWithDialog(page, QApplication::activeWindow());
    }
};

QFont arialBold(int px) {
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(px);
    return f;
}

TLbSpeedButton* raceButton(QWidget* parent, const char* name, const QString& caption,
                           const QString& hint, Color face, Color fontColor, Color hotColor) {
    auto* b = new TLbSpeedButton(parent);
    b->setObjectName(name);
    b->setButtonStyle(bsModern);
    b->setCaption(caption);
    b->setToolTip(hint);
    b->setFont(arialBold(19));
    b->setFontColor(fontColor);
    b->setColor(face);
    QFont hot = arialBold(21);
    b->setHotTrackFont(hot);
    b->setHotTrackFontColor(hotColor);
    b->setUseHotTrackFont(true);
    b->setSlowDecease(false);
    return b;
}

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

    auto* central = new QWidget(this);
    central->setObjectName("Panel2");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);
    setStyleSheet(QStringLiteral("QMainWindow { background: #a6caf0; }"));

    buildTopBar();
    column->addWidget(Panel1);
    buildRaceArea();
    column->addWidget(PanelLeft);
    protocolPanel_ = new ProtocolPanel(*protocol_, *dialogs_, options_.fileChooser, this);
    column->addWidget(protocolPanel_->grid(), 1);
    protocolPanel_->toolBar()->setParent(PanelLeft);
    protocolPanel_->toolBar()->show();
    protocolPanel_->grid()->setObjectName("SortGrid1");
    protocolPanel_->setFolder(paths_.dataFolder());
    publish_ =
        std::make_unique<PublishBinder>(*protocolPanel_, *protocol_, *dialogs_, *shell_, paths_,
                                        [this] { return eTitle->text().toStdString(); });
    statusBar()->setObjectName("StatusBar1");
    connect(protocolPanel_, &ProtocolPanel::statusText, this,
            [this](const QString& t) { statusBar()->showMessage(t); });
    buildImitationPanel();
    buildMenu();
    bindRace();
    bindSerial();
    settingsBinder_ = new SettingsBinder(
        *this, {options_.settingsStore, options_.probePorts, options_.portMap, *dialogs_});
    new RowCommandsBinder(*this);

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

// ---------------------------------------------------------------- construction

void TFormMain::buildTopBar() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(38);
    Panel1->setFont(arialBold(16));

    auto topButton = [this](const char* name, const QString& hint, const QPixmap& pic, int x,
                            int y) {
        auto* b = new TLbSpeedButton(Panel1);
        b->setObjectName(name);
        b->setButtonStyle(bsShape);
        b->setGlyph(pic);
        b->setToolTip(hint);
        b->setCursor(Qt::PointingHandCursor);
        b->setGeometry(x, y, 38, 40);
        return b;
    };
    bHelp = topButton("bHelp", QStringLiteral("Hilfe (F1)"), HelpPicture(), 0, -1);
    bCFG = topButton("bCFG", QStringLiteral("Einstellungen (F2)"), SettingsPicture(), 38, 0);
    bInfo = topButton("bInfo", QStringLiteral("Info (F3)"), InfoPicture(), 76, 1);
    connect(bHelp, &TLbSpeedButton::clicked, this, [this] { bHelpClick(); });
    connect(bCFG, &TLbSpeedButton::clicked, this, [this] { bCFGClick(); });
    connect(bInfo, &TLbSpeedButton::clicked, this, [this] { bInfoClick(); });

    // The maker's brand word: coloured letters over a black copy shifted by two pixels.
    auto* shadow = new QLabel(QStringLiteral("Quorvane"), Panel1);
    shadow->setFont(arialBold(27));
    shadow->setStyleSheet(QStringLiteral("color: black;"));
    shadow->move(117, 4);
    auto* logo = new ClickImage(Panel1);
    logo->setObjectName("ImageDE");
    logo->setTextFormat(Qt::RichText);
    logo->setText(QStringLiteral("<span style='color:#ff0000'>Quor</span>"
                                 "<span style='color:#009900'>vane</span>"));
    logo->setFont(arialBold(27));
    logo->move(115, 2);
    logo->setCursor(Qt::PointingHandCursor);
    logo->onClick = [this] { ImageDEClick(); };
    auto* suffix = new QLabel(QStringLiteral("Sport"), Panel1);
    suffix->setFont(arialBold(19));
    suffix->setStyleSheet(QStringLiteral("color: #0000ff;"));
    suffix->move(254, 10);

    eTitle = new QLineEdit(Panel1);
    eTitle->setObjectName("eTitle");
    eTitle->setToolTip(QStringLiteral("Titel"));
    eTitle->setGeometry(392, 4, 184, 28);
    connect(eTitle, &QLineEdit::textChanged, this, [this] { eTitleChange(); });

    PanelDate = new QLabel(QStringLiteral("00:00"), Panel1);
    PanelDate->setObjectName("PanelDate");
    PanelDate->setFont([] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(20);
        return f;
    }());
    PanelDate->setAlignment(Qt::AlignCenter);
    PanelDate->setStyleSheet(
        QStringLiteral("QLabel { background: black; color: silver; border: 2px inset gray; }"));
    PanelDate->setFixedWidth(216);

    TimerDate = new QTimer(this);
    TimerDate->setObjectName("TimerDate");
    TimerDate->setInterval(5000);
    connect(TimerDate, &QTimer::timeout, this, [this] { TimerDateTimer(); });
    TimerDate->start();
}

void TFormMain::buildRaceArea() {
    PanelLeft = new QWidget(this);
    PanelLeft->setObjectName("PanelLeft");
    PanelLeft->setFixedHeight(265);
    PanelLeft->setFont(arialBold(19));
    PanelLeft->installEventFilter(this);

    RaceControl& rc = *race_;
    FrameT1 = new TFrame1(rc.FrameT1, PanelLeft);
    FrameT2 = new TFrame1(rc.FrameT2, PanelLeft);

    bAvaria1 = raceButton(PanelLeft, "bAvaria1", QStringLiteral("UNFALL"), QStringLiteral("F7"),
                          0x800000, 0xFFFFFF, 0x00FFFF);
    bAvaria2 = raceButton(PanelLeft, "bAvaria2", QStringLiteral("UNFALL"), QStringLiteral("F7"),
                          0x800000, 0xFFFFFF, 0x00FFFF);
    bFehlStart1 = raceButton(PanelLeft, "bFehlStart1", QStringLiteral("Fehlstart"),
                             QStringLiteral("F6"), 0x008080, 0x0000FF, 0x0000FF);
    bFehlStart2 = raceButton(PanelLeft, "bFehlStart2", QStringLiteral("Fehlstart"),
                             QStringLiteral("Strg+F6"), 0x008080, 0x0000FF, 0x0000FF);
    bFehlStart1->setTag(1);
    bFehlStart2->setTag(2);
    bSTOP1 = raceButton(PanelLeft, "bSTOP1", QStringLiteral("STOPP 1"), QStringLiteral("F8"),
                        0x0000FF, 0xFFFFFF, 0x00FFFF);
    bSTOP2 = raceButton(PanelLeft, "bSTOP2", QStringLiteral("STOPP 2"), QStringLiteral("F9"),
                        0x0000FF, 0xFFFFFF, 0x00FFFF);
    bSTOP1->setTag(1);
    bSTOP2->setTag(2);
    bRESET = raceButton(PanelLeft, "bRESET", QStringLiteral("0,000"), QStringLiteral("F7"),
                        0x808080, 0xFFFFFF, 0x00FFFF);
    bSTART = raceButton(PanelLeft, "bSTART", QStringLiteral("START"), QStringLiteral("F5"),
                        0x008000, 0xFFFFFF, 0x00FFFF);
    // The false-start buttons never take a click: being shown is the false-start indication.
    // The accident buttons start disabled; their binder enables them.
    for (auto* b : {bAvaria1, bAvaria2, bFehlStart1, bFehlStart2})
        b->setEnabled(false);

    connect(bSTART, &TLbSpeedButton::mouseDown, this, [this] { race_->bSTARTMouseDown(); });
    connect(bSTOP1, &TLbSpeedButton::mouseDown, this, [this] { race_->bSTOPMouseDown(1); });
    connect(bSTOP2, &TLbSpeedButton::mouseDown, this, [this] { race_->bSTOPMouseDown(2); });
    connect(bRESET, &TLbSpeedButton::clicked, this, [this] { race_->mResetClick(); });

    auto image = [this](const char* name, const QString& hint, int w, int h) {
        auto* l = new ClickImage(PanelLeft);
        l->setObjectName(name);
        l->setToolTip(hint);
        l->setFixedSize(w, h);
        l->setScaledContents(true);
        return l;
    };
    auto* ampel = image("ImageAmpel", QString(), 64, 64);
    ImageAmpel = ampel;
    auto* lsStart = image("ImageLSstart", QStringLiteral("Blockieren LS START (F10)"), 22, 22);
    auto* ls1 = image("ImageLSstop1", QStringLiteral("Blockieren LS STOPP1 (F11)"), 22, 22);
    auto* ls2 = image("ImageLSstop2", QStringLiteral("Blockieren LS STOPP2 (F12)"), 22, 22);
    ImageLSstart = lsStart;
    ImageLSstop1 = ls1;
    ImageLSstop2 = ls2;
    for (auto* l : {lsStart, ls1, ls2})
        l->setCursor(Qt::PointingHandCursor);
    lsStart->onClick = [this] { race_->ImageLSClick(kLockStart); };
    ls1->onClick = [this] { race_->ImageLSClick(kLockLane1); };
    ls2->onClick = [this] { race_->ImageLSClick(kLockLane2); };

    auto* tvOff = image("ImageTVAus", QStringLiteral("Strg+M"), 90, 20);
    auto* tvOn = image("ImageTVEin", QStringLiteral("Strg+M"), 90, 20);
    tvOff->setPixmap(TvOffPicture());
    tvOn->setPixmap(TvOnPicture());
    tvOff->setCursor(Qt::PointingHandCursor);
    tvOn->setCursor(Qt::PointingHandCursor);
    tvOff->onClick = [this] { ImageTVAusClick(); };
    tvOn->onClick = [this] { ImageTVEinClick(); };
    ImageTVAus = tvOff;
    ImageTVEin = tvOn;
    tvOff->hide();
    tvOn->hide();

    cbKlass = new QComboBox(PanelLeft);
    cbKlass->setObjectName("cbKlass");
    for (const auto& k : protocol_->classList)
        cbKlass->addItem(QString::fromStdString(k));

    cbAutomatisch = new QCheckBox(PanelLeft);
    cbAutomatisch->setObjectName("cbAutomatisch");
    cbAutomatisch->setToolTip(QStringLiteral("Automatische Umschaltung in 5 Sekunden"));
    connect(cbAutomatisch, &QCheckBox::toggled, this,
            [this](bool on) { race_->cbAutomatisch = on; });

    PanelImit = new QWidget(PanelLeft);
    PanelImit->setObjectName("PanelImit");
}

void TFormMain::buildImitationPanel() {
    PanelImit->setToolTip(QStringLiteral("Lichtschranken Imitation"));
    PanelImit->setAutoFillBackground(true);
    PanelImit->setStyleSheet(
        QStringLiteral("#PanelImit { background: #0054e3; border: 1px inset gray; }"));
    auto* caption = new QLabel(QStringLiteral("LS IMIT"), PanelImit);
    caption->setFont(arialBold(24));
    caption->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    caption->move(56, 6);

    auto button = [this](const char* name, const QString& text, const QString& hint, int tag,
                         QRect r) {
        auto* b = new QPushButton(text, PanelImit);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setProperty("tag", tag);
        b->setGeometry(r);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::pressed, this, [this, tag] { race_->bImit1Click(tag); });
        return b;
    };
    bImit1 = button("bImit1", QStringLiteral("7+8"), QStringLiteral("Ampel-Kontakt-Start"), 1,
                    {5, 4, 48, 33});
    bImit2 = button("bImit2", QStringLiteral("1+4 (L)"),
                    QStringLiteral("1.Reakt/Zwisch/TopSpeed/Stopp"), 2, {170, 4, 75, 33});
    bImit3 = button("bImit3", QStringLiteral("4+6 (R)"),
                    QStringLiteral("2.Reakt/Zwisch/TopSpeed/Stopp"), 3, {269, 5, 75, 33});

    const int ledX[9] = {21, 168, 188, 208, 228, 266, 286, 306, 326};
    const char* hints[9] = {"Ampel-Kontakt-Start", "Reaktion-LS1",  "LS-Zwischzeit 1",
                            "TopSpeed-LS 1",       "Stopp-LS 1",    "Reaktion-LS2",
                            "LS-Zwischzeit 2",     "TopSpeed-LS 2", "Stopp-LS 2"};
    for (int i = 0; i < 9; ++i) {
        auto* led = new TLed(PanelImit);
        led->setObjectName(QStringLiteral("Led%1").arg(i));
        led->setKind(lkGreen);
        led->setShape(lsCircle);
        led->setToolTip(QString::fromUtf8(hints[i]));
        led->setGeometry(ledX[i], 41, 16, 16);
        Led[static_cast<size_t>(i)] = led;
    }
}

QAction* TFormMain::addEntry(const char* name, const QString& caption, const QKeySequence& key,
                             int tag, std::function<void()> run) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setData(tag);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
    HideMenu->addAction(a);
    addAction(a);
    menu[QString::fromLatin1(name)] = a;
    return a;
}

void TFormMain::buildMenu() {
    HideMenu = new QMenu(QStringLiteral("HideMenu"), this);
    HideMenu->setObjectName("HideMenu");
    menuBar()->addMenu(HideMenu)->setVisible(false);
    menuBar()->setObjectName("MainMenu1");
    RaceControl& rc = *race_;
    addEntry("mStart", QStringLiteral("Start"), Qt::Key_F5, 0, [&rc] { rc.mStart.click(); });
    addEntry("mFehlstart1", QStringLiteral("Fehlstart 1"), Qt::Key_F6, 1,
             [&rc] { rc.mFehlstart1.click(); });
    addEntry("mFehlstart2", QStringLiteral("Fehlstart 2"), QKeySequence(Qt::CTRL | Qt::Key_F6), 2,
             [&rc] { rc.mFehlstart2.click(); });
    addEntry("mStop1", QStringLiteral("Stopp 1"), Qt::Key_F8, 1, [&rc] { rc.mStop1.click(); });
    addEntry("mStop2", QStringLiteral("Stopp 2"), Qt::Key_F9, 2, [&rc] { rc.mStop2.click(); });
    addEntry("mReset", QStringLiteral("0,00"), Qt::Key_F7, 0, [&rc] { rc.mReset.click(); });
    addEntry("mAvaria", QStringLiteral("Unfall"), Qt::Key_F4, 0, [] {})->setEnabled(false);
    HideMenu->addSeparator();
    for (QAction* a : protocolPanel_->menuActions()) {
        HideMenu->addAction(a);
        addAction(a);
        menu[a->objectName()] = a;
    }
    HideMenu->addSeparator();
    addEntry("Modus1", QStringLiteral("Modus"), QKeySequence(Qt::CTRL | Qt::Key_M), 0,
             [this] { Modus1Click(); });
    addEntry("Hilfe1", QStringLiteral("H&ilfe"), QKeySequence(Qt::ALT | Qt::Key_I), 0,
             [this] { bHelpClick(); });
    addEntry("mHilfe", QStringLiteral("Hilfe"), Qt::Key_F1, 0, [this] { bHelpClick(); });
    addEntry("EinstellunGen1", QStringLiteral("Einstellungen"), Qt::Key_F2, 0,
             [this] { bCFGClick(); });
    addEntry("mInfo", QStringLiteral("Info"), Qt::Key_F3, 0, [this] { bInfoClick(); });
    HideMenu->addSeparator();
    addEntry("LockLS1", QStringLiteral("Lock LS start"), Qt::Key_F10, 0,
             [&rc] { rc.LockLSClick(kLockStart); });
    addEntry("LockLS2", QStringLiteral("Lock LS1"), Qt::Key_F11, 1,
             [&rc] { rc.LockLSClick(kLockLane1); });
    addEntry("LockLS3", QStringLiteral("Lock LS2"), Qt::Key_F12, 2,
             [&rc] { rc.LockLSClick(kLockLane2); });
    // Alt+F4 closes the window through the window system, which passes the close question.
    addEntry("Beenden1", QStringLiteral("&Beenden"), QKeySequence(Qt::ALT | Qt::Key_F4), 0,
             [this] { close(); });
    addEntry("TestLS", QStringLiteral("Test LS"), QKeySequence(Qt::CTRL | Qt::Key_T), 0,
             [&rc] { rc.TestLSClick(); });
}

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
    RaceControl& rc = *race_;
    ComPort->OnCTS = [&rc](TComPort*) { rc.ComPortStart(); };
    ComPort->OnDSR = [&rc](TComPort*) { rc.ComPortStop(); };
    ComPort->OnRLSD = [&rc](TComPort*) { rc.ComPortStop(); };
    ComPort->OnOpen = [&rc](TComPort*) { rc.ComPortOpen(); };
    ComPort->OnClose = [&rc](TComPort*) { rc.ComPortClose(); };
    ComPort->OnDeviceLost = [this](TComPort* p) {
        statusBar()->showMessage(QString::fromStdString(DeviceLostText(*p)));
    };
    ComPort->OnDeviceBack = [this](TComPort* p) {
        statusBar()->showMessage(QString::fromStdString(DeviceBackText(*p)));
    };
    rc.modemStatus = [this] { return ComPort->ModemStatus(); };
    rc.eventStamp = [this] { return ComPort->EventTick(); };
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
    settingsBinder_->ReportSaveFailure(settingsFailure);
    race_->onChanged = nullptr;
    protocolBinder_.reset();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (race_->anyClockRunning() && !dialogs_->askYesNo("Beenden?")) {
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

    menu["mStart"]->setEnabled(rc.mStart.enabled());
    menu["mStop1"]->setEnabled(rc.mStop1.enabled());
    menu["mStop2"]->setEnabled(rc.mStop2.enabled());
    menu["mReset"]->setEnabled(rc.mReset.enabled());
    menu["mFehlstart1"]->setEnabled(rc.mFehlstart1.enabled());
    menu["mFehlstart2"]->setEnabled(rc.mFehlstart2.enabled());

    if (ampelShown_ != rc.ampelPicture) {
        ampelShown_ = rc.ampelPicture;
        ImageAmpel->setPixmap(AmpelPicture(ampelShown_));
    }
    ImageAmpel->setVisible(settings_.ColSpeed0);
    QLabel* icons[3] = {ImageLSstart, ImageLSstop1, ImageLSstop2};
    for (size_t i = 0; i < 3; ++i) {
        if (lockShown_[i] != rc.lockTag[i]) {
            lockShown_[i] = rc.lockTag[i];
            icons[i]->setPixmap(LockPicture(lockShown_[i]));
        }
        icons[i]->setVisible(rc.iconsVisible);
    }
    for (size_t i = 0; i < Led.size(); ++i)
        Led[i]->setValue(rc.led[i]);
    PanelImit->setVisible(rc.panelImitVisible);
    if (cbAutomatisch->isChecked() != rc.cbAutomatisch)
        cbAutomatisch->setChecked(rc.cbAutomatisch);
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
    const int areaWidth = PanelLeft->width();
    for (const Placement& p : RaceAreaPlacements()) {
        QWidget* w = p.name == "Panel4"
                         ? protocolPanel_->toolBar()
                         : PanelLeft->findChild<QWidget*>(QString::fromStdString(p.name));
        if (!w)
            continue;
        const Rect r = PlaceInRaceArea(p, areaWidth);
        w->setGeometry(r.left, r.top, r.width, r.height);
    }
    // The protocol's column widths follow the grid's own resize (the protocol panel).
    eTitle->setFixedWidth(std::max(40, width() - eTitle->x() - PanelDate->width()));
    PanelDate->move(width() - PanelDate->width(), 0);
    PanelDate->setFixedHeight(38);
}

// ---------------------------------------------------------------- shell handlers

void TFormMain::TimerDateTimer() {
    const QLocale loc = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    PanelDate->setText(loc.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
                       loc.toString(now.time(), QLocale::ShortFormat));
}

void TFormMain::setYesNoDialog(TFDlgYesNo* dialog) {
    qtDialogs_->setYesNoDialog(dialog);
}

void TFormMain::setMonitor(TFormMonitor2* monitor) {
    monitor_ = monitor;
    if (monitor)
        BindAudience(*this, *monitor);
}

void TFormMain::eTitleChange() {
    settings_.Title = eTitle->text().toStdString();
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
        monitor_->show();
}

void TFormMain::bHelpClick() {
    // The real desktop reports a missing page; a test's shell records what was asked.
    if (qtShell_)
        ShowHelpPage(paths_.helpPage(), dialogs_);
    else
        shell_->open(paths_.helpPage());
}

void TFormMain::bInfoClick() {
    dialogs_->information(InfoText(applicationTitle()).toStdString());
}

void TFormMain::ImageDEClick() {
    shell_->open(kMakerPage);
}

void TFormMain::bCFGClick() {
    settingsBinder_->bCFGClick(cfgDialog_);
}

} // namespace vk

namespace vk {
void TFormMain::setCfgDialog(TCfgDialog* dialog) {
    cfgDialog_ = dialog;
}
} // namespace vk
