#include "app/SettingsBinder.h"

#include "app/FMain.h"
#include "config/Cfg.h"
#include "config/CfgModel.h"
#include "config/QtSettingsStore.h"
#include "config/SettingsIo.h"
#include "display/Pictures.h"
#include "protocol/ProtocolPanel.h"
#include "serial/Adapter.h"
#include "serial/Comms.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>

namespace vk {

namespace {

SettingsContext ScreensAndPorts() {
    SettingsContext c;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        c.screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    c.portCount = ComPortMap::Count;
    return c;
}

std::string NotSavedText(const std::string& why) {
    return "Die Einstellungen wurden nicht gespeichert: " + why;
}

} // namespace

SettingsBinder::SettingsBinder(TFormMain& window, Deps deps)
    : QObject(&window), w_(window), store_(deps.store), probe_(std::move(deps.probe)),
      dialogs_(deps.dialogs), roots_(std::move(deps.roots)), openTimer_(new QTimer(this)) {
    if (!store_) {
        ownStore_ = std::make_unique<QtSettingsStore>();
        store_ = ownStore_.get();
    }
    if (deps.portMap)
        w_.comPort().PortMap = *deps.portMap;
    openTimer_->setSingleShot(true);
    openTimer_->setInterval(ReopenDelayMs);
    connect(openTimer_, &QTimer::timeout, this, [this] { openPort(); });
}

SettingsBinder::~SettingsBinder() = default;

void SettingsBinder::LoadSettings() {
    Settings& s = w_.settings();
    loadProblems_ = QString::fromStdString(
        SettingsProblemsText(vk::LoadSettings(*store_, w_.paths().title(), s, ScreensAndPorts())));
    if (!loadProblems_.isEmpty())
        w_.statusBar()->showMessage(loadProblems_);
    if (s.left && s.top)
        w_.move(*s.left, *s.top);
    w_.resize(s.width, s.height);
    w_.comPort().Port = s.Port;
    w_.race().applyWaitStart(s.WaitStart);
    w_.protocolPanel().chooser().saveFilterIndex = s.FilterInd;
    w_.eTitle->setText(QString::fromStdString(s.Title));
    w_.ImageAmpel->setVisible(s.ColSpeed0);
}

void SettingsBinder::BuildFileFilters() {
    // No system register of file-type names here: the dialogs use the default names.
    w_.protocolPanel().chooser().filters = vk::BuildFileFilters();
}

void SettingsBinder::ProbeComPorts() {
    const ComPortMap& map = w_.comPort().PortMap;
    PresentPorts = probe_ ? probe_(map) : vk::ProbeComPorts(map, roots_.ClassTty());
}

std::vector<std::string> SettingsBinder::listPorts() {
    ProbeComPorts();
    std::vector<std::string> entries;
    for (const PortListing& p : ListPorts(PresentPorts, w_.comPort().PortMap, roots_))
        entries.push_back(PortEntryText(p.number, p.path, p.adapter));
    return entries;
}

void SettingsBinder::OpenStoredPort() {
    TComPort& port = w_.comPort();
    if (port.Port == 0)
        return;
    // The stored adapter may have come back under another node name since the last run.
    const int at = LocateAdapter(w_.settings().Adapter, port.Port, port.PortMap, roots_);
    const std::string before = port.ResolvedPath();
    if (at != 0)
        port.Port = static_cast<uint8_t>(at);
    openPort();
    if (port.Connected() && port.ResolvedPath() != before)
        showPortText(QString::fromStdString(AdapterFoundText(port, before)));
}

void SettingsBinder::showPortText(const QString& text) {
    portText_ = text;
    w_.statusBar()->showMessage(text);
    w_.statusBar()->setToolTip(text); // a long hint does not fit the bar
}

void SettingsBinder::openPort() {
    TComPort& port = w_.comPort();
    try {
        port.Open();
        if (w_.statusBar()->currentMessage() == portText_)
            w_.statusBar()->clearMessage();
        // The adapter opened now is the one to follow when its node name changes.
        w_.settings().Adapter = DescribeAdapter(port.ResolvedPath(), roots_).Identity();
        FollowAdapter(port, w_.settings().Adapter, roots_);
    } catch (const std::exception& e) {
        // The program runs on without barrier input, but never silently; a trap the system
        // sets (the group, brltty, ModemManager) is named with its way out, and a word on the
        // settings read at start-up stays beside it.
        const auto* handle = dynamic_cast<const EComHandle*>(&e);
        const std::string trap =
            handle ? OpenTrapText(handle->Error(), port.ResolvedPath(), roots_, LoginName())
                   : std::string();
        QString text = QString::fromStdString(
            trap.empty() ? PortOpenFailedText(port.PortName(), e.what()) : trap);
        if (!loadProblems_.isEmpty() && w_.statusBar()->currentMessage() == loadProblems_)
            text += QStringLiteral(" – ") + loadProblems_;
        showPortText(text);
    }
}

void SettingsBinder::gather() {
    Settings& s = w_.settings();
    s.left = w_.x();
    s.top = w_.y();
    s.width = w_.width();
    s.height = w_.height();
    s.Port = w_.comPort().Port;
    s.WaitStart = w_.race().TimerGesperrtStart().interval();
    s.FilterInd = w_.protocolPanel().chooser().saveFilterIndex;
    s.Title = w_.eTitle->text().toStdString();
}

std::string SettingsBinder::write() {
    gather();
    return vk::SaveSettings(*store_, w_.paths().title(), w_.settings());
}

std::string SettingsBinder::SaveSettings() {
    openTimer_->stop();
    return write();
}

void SettingsBinder::ReportSaveFailure(const std::string& why, bool unattended) {
    if (why.empty())
        return;
    if (unattended)
        std::fprintf(stderr, "%s: %s\n", w_.paths().title().c_str(), NotSavedText(why).c_str());
    else
        dialogs_.errorReport(NotSavedText(why));
}

void SettingsBinder::bCFGClick(TCfgDialog* dialog) {
    if (dialog) {
        gather();
        dialog->setPortLister([this] { return listPorts(); });
        dialog->Fill(w_.settings());
        if (dialog->exec() == QDialog::Accepted)
            apply(*dialog);
    }
    w_.PanelLeft->setFocus(Qt::OtherFocusReason);
}

void SettingsBinder::apply(TCfgDialog& dialog) {
    Settings& s = w_.settings();
    // The dialog does not close on a track length that is no number, so this holds.
    if (!ApplyChoices(dialog.Choice(), s))
        return;
    w_.race().TimerGesperrtStart().setInterval(s.WaitStart);

    TComPort& port = w_.comPort();
    openTimer_->stop();
    try {
        port.Close();
    } catch (const std::exception&) {
        // Closing is best effort; the port is chosen anew below.
    }
    port.Port = s.Port;
    if (s.Port != 0)
        openTimer_->start();
    else
        s.Adapter.clear();

    w_.ImageAmpel->setVisible(s.ColSpeed0);
    w_.protocolPanel().setKlassSortEnabled(s.Klass);
    w_.placeAudienceWindow();

    // Written at once, so a crash later in the event keeps the set-up.
    const std::string why = write();
    if (!why.empty())
        w_.statusBar()->showMessage(QString::fromStdString(NotSavedText(why)));
}

} // namespace vk
