#include "app/MainMenu.h"

#include "app/FMain.h"
#include "app/LiveBinder.h"
#include "app/RowCommandsBinder.h"
#include "app/RunLogBinder.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolPanel.h"
#include "race/RaceControl.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace vk {

namespace {

constexpr QKeyCombination kNoKey{Qt::Key_unknown};

// Shared handlers act on the tag of the entry that called them.
void mStartClick(TFormMain& w, int) {
    w.race().mStart.click();
}
void bFehlStartClick(TFormMain& w, int tag) {
    w.race().falseStartCommand(tag).click();
}
void mStopClick(TFormMain& w, int tag) {
    w.race().stopCommand(tag).click();
}
void mResetClick(TFormMain& w, int) {
    w.race().mReset.click();
}
void bAVARIAClick(TFormMain& w, int) {
    w.rowCommands().commands().bAVARIAClick();
}
void sbCLSClick(TFormMain& w, int) {
    w.protocolPanel().sbCLSClick();
}
void Modus1Click(TFormMain& w, int) {
    w.Modus1Click();
}
void bHelpClick(TFormMain& w, int) {
    w.bHelpClick();
}
void bCFGClick(TFormMain& w, int) {
    w.bCFGClick();
}
void bInfoClick(TFormMain& w, int) {
    w.bInfoClick();
}
void Erase1Click(TFormMain& w, int) {
    w.protocolPanel().Erase1Click();
}
void Neuezeile1Click(TFormMain& w, int) {
    w.protocolPanel().Neuezeile1Click();
}
void mJokerClick(TFormMain& w, int) {
    w.protocolPanel().Joker1Click();
}
void LockLSClick(TFormMain& w, int tag) {
    w.race().LockLSClick(tag);
}
// Alt+F4 closes the window; closing passes the close question.
void Beenden1Click(TFormMain& w, int) {
    w.close();
}
void mZeitkarteClick(TFormMain& w, int) {
    w.runLog().printTimeslip(w.protocol().cursor().row, false);
}
void TestLSClick(TFormMain& w, int) {
    w.race().TestLSClick();
}
void mLiveClick(TFormMain& w, int) {
    w.live().showWindow();
}
void mLiveQrClick(TFormMain& w, int) {
    w.live().toggleAudienceCode();
}

} // namespace

const std::vector<MenuEntry>& MainMenuEntries() {
    using Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7,
        Qt::Key_F8, Qt::Key_F9, Qt::Key_F10, Qt::Key_F11, Qt::Key_F12, Qt::CTRL, Qt::ALT;
    static const std::vector<MenuEntry> entries = {
        // name, caption, key, tag, enabled at start, runs, mirrors
        {"mStart", "Start", Key_F5, 0, true, mStartClick,
         [](RaceControl& rc) { return &rc.mStart; }},
        {"mFehlstart1", "Fehlstart 1", Key_F6, 1, false, bFehlStartClick,
         [](RaceControl& rc) { return &rc.mFehlstart1; }},
        {"mFehlstart2", "Fehlstart 2", CTRL | Key_F6, 2, false, bFehlStartClick,
         [](RaceControl& rc) { return &rc.mFehlstart2; }},
        {"mStop1", "Stopp 1", Key_F8, 1, false, mStopClick,
         [](RaceControl& rc) { return &rc.mStop1; }},
        {"mStop2", "Stopp 2", Key_F9, 2, false, mStopClick,
         [](RaceControl& rc) { return &rc.mStop2; }},
        {"mReset", "0,00", Key_F7, 0, false, mResetClick,
         [](RaceControl& rc) { return &rc.mReset; }},
        {"mAvaria", "Unfall", Key_F4, 0, false, bAVARIAClick, nullptr},
        {nullptr, "-", kNoKey, 0, true, nullptr, nullptr},
        {"New1", "New", kNoKey, 0, true, sbCLSClick, nullptr},
        {nullptr, "-", kNoKey, 0, true, nullptr, nullptr},
        {"Modus1", "Modus", CTRL | Qt::Key_M, 0, true, Modus1Click, nullptr},
        {"Hilfe1", "H&ilfe", ALT | Qt::Key_I, 0, true, bHelpClick, nullptr},
        {"mHilfe", "Hilfe", Key_F1, 0, true, bHelpClick, nullptr},
        {"EinstellunGen1", "Einstellungen", Key_F2, 0, true, bCFGClick, nullptr},
        {"mInfo", "Info", Key_F3, 0, true, bInfoClick, nullptr},
        {nullptr, "-", kNoKey, 0, true, nullptr, nullptr},
        {"Zeileentfernen1", "Zeile entfernen", CTRL | Qt::Key_0, 0, true, Erase1Click, nullptr},
        {"Neu1", "Neue zeile", CTRL | Qt::Key_N, 0, true, Neuezeile1Click, nullptr},
        {"mJoker", "Jocker", CTRL | Qt::Key_J, 0, true, mJokerClick, nullptr},
        {"LockLS1", "Lock LS start", Key_F10, 0, true, LockLSClick, nullptr},
        {"LockLS2", "Lock LS1", Key_F11, 1, true, LockLSClick, nullptr},
        {"LockLS3", "Lock LS2", Key_F12, 2, true, LockLSClick, nullptr},
        {"Beenden1", "&Beenden", ALT | Key_F4, 0, true, Beenden1Click, nullptr},
        {"TestLS", "Test LS", CTRL | Qt::Key_T, 0, true, TestLSClick, nullptr},
        {"mLive", "Live-Ergebnisse", CTRL | Qt::Key_L, 0, true, mLiveClick, nullptr},
        {"mLiveQr", "QR-Code am TV", CTRL | Qt::Key_Q, 0, true, mLiveQrClick, nullptr},
        {"mZeitkarte", "Zeitkarte", CTRL | Qt::Key_K, 0, true, mZeitkarteClick, nullptr},
    };
    return entries;
}

void BuildMainMenu(TFormMain& w) {
    w.HideMenu = new QMenu(QStringLiteral("HideMenu"), &w);
    w.HideMenu->setObjectName("HideMenu");
    w.menuBar()->setObjectName("MainMenu1");
    w.menuBar()->addMenu(w.HideMenu)->setVisible(false);
    for (const MenuEntry& e : MainMenuEntries()) {
        if (!e.name) {
            w.HideMenu->addSeparator();
            continue;
        }
        auto* a = new QAction(QString::fromUtf8(e.caption), &w);
        a->setObjectName(QString::fromLatin1(e.name));
        if (e.key.key() != Qt::Key_unknown)
            a->setShortcut(QKeySequence(e.key));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setData(e.tag);
        a->setEnabled(e.enabled);
        if (e.run)
            QObject::connect(a, &QAction::triggered, &w,
                             [&w, run = e.run, tag = e.tag] { run(w, tag); });
        w.HideMenu->addAction(a);
        w.addAction(a);
        w.menu[a->objectName()] = a;
    }
}

void MirrorRaceCommands(TFormMain& w) {
    for (const MenuEntry& e : MainMenuEntries())
        if (e.mirrors) {
            QAction* a = w.menu.at(QString::fromLatin1(e.name));
            const bool on = e.mirrors(w.race())->enabled();
            if (a->isEnabled() != on)
                a->setEnabled(on);
        }
}

} // namespace vk
