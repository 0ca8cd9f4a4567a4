// Every key of the hidden menu reaches its operation although no menu bar is shown; a
// disabled entry's key does nothing.
#include "app/LiveBinder.h"
#include "app/MainMenu.h"
#include "app/Program.h"
#include "app/TestPlatform.h"
#include "config/Cfg.h"
#include "display/FMonitor2.h"
#include "display/FrTimer.h"
#include "protocol/ProtocolPanel.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace vk;

namespace {

// What one key must do: the entry's start state, what the test prepares, and what shows
// that the operation ran.
struct KeyCase {
    const char* entry;
    bool enabledAtStart;
    std::function<void(TFormMain&)> prepare;
    std::function<bool(TFormMain&, Program&)> ran;
};

std::string cell(TFormMain& w, int col, int number) {
    const int row = w.table().FindRow(0, std::to_string(number), false);
    return row > 0 ? w.table().Cell(col, row) : "?";
}

void key(TFormMain& w, QKeyCombination k) {
    QTest::keyClick(&w, k.key(), k.keyboardModifiers());
}

void press(TFormMain& w, Qt::Key k) {
    QTest::keyClick(&w, k);
}

void raceStarted(TFormMain& w) {
    press(w, Qt::Key_F5);
}

void numberedRow(TFormMain& w) {
    w.table().SetCell(0, 1, "7");
    w.protocol().SelectWholeRow(1);
}

} // namespace

class KeyTableTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    test::TestPlatform platform;
    std::vector<std::string>& opened = platform.shell.opened;

    std::unique_ptr<Program> start() {
        return platform.start(dir->filePath("Velkoran").toStdString());
    }

    std::vector<KeyCase> cases() {
        const std::string help = "Velkoran-Hilfe.html";
        return {
            {"mStart", true, nullptr,
             [](TFormMain& w, Program&) { return w.race().FrameT1.clockRunning(); }},
            {"mFehlstart1", false, raceStarted,
             [](TFormMain& w, Program&) {
                 return !w.race().FrameT1.clockRunning() && cell(w, 7, 1) == "-" &&
                        w.race().FrameT2.clockRunning();
             }},
            {"mFehlstart2", false, raceStarted,
             [](TFormMain& w, Program&) {
                 return !w.race().FrameT2.clockRunning() && cell(w, 8, 2) == "-";
             }},
            {"mStop1", false, raceStarted,
             [](TFormMain& w, Program&) {
                 return !w.race().FrameT1.clockRunning() && w.race().FrameT2.clockRunning();
             }},
            {"mStop2", false, raceStarted,
             [](TFormMain& w, Program&) {
                 return w.race().FrameT1.clockRunning() && !w.race().FrameT2.clockRunning();
             }},
            {"mReset", false,
             [](TFormMain& w) {
                 raceStarted(w);
                 press(w, Qt::Key_F8);
                 press(w, Qt::Key_F9);
             },
             [](TFormMain& w, Program&) {
                 return w.race().mStart.enabled() && w.race().FrameT1.startNumber() == 3;
             }},
            // The accident rule: no lane timed and the current row has a start number.
            {"mAvaria", false, numberedRow,
             [](TFormMain& w, Program&) { return w.table().Cell(6, 1) == "-"; }},
            {"Modus1", true, nullptr,
             [](TFormMain&, Program& p) { return p.monitor().isVisible(); }},
            {"Hilfe1", true, nullptr,
             [this, help](TFormMain&, Program&) {
                 return opened.size() == 1 && opened[0].ends_with(help);
             }},
            {"mHilfe", true, nullptr,
             [this, help](TFormMain&, Program&) {
                 return opened.size() == 1 && opened[0].ends_with(help);
             }},
            {"EinstellunGen1", true,
             [](TFormMain& w) {
                 // The dialog is modal: once shown it reports itself and closes.
                 auto* poll = new QTimer(&w);
                 QObject::connect(poll, &QTimer::timeout, &w, [&w, poll] {
                     if (auto* d = w.findChild<TCfgDialog*>(); d && d->isVisible()) {
                         w.setProperty("cfgShown", true);
                         poll->stop();
                         d->reject();
                     }
                 });
                 poll->start(10);
             },
             [](TFormMain& w, Program&) { return w.property("cfgShown").toBool(); }},
            {"mInfo", true, nullptr,
             [this](TFormMain&, Program&) { return platform.dialogs.infos.size() == 1; }},
            {"mLive", true, nullptr,
             [](TFormMain& w, Program&) {
                 auto* d = w.findChild<QWidget*>(QStringLiteral("FormLive"));
                 return d && d->isVisible();
             }},
            {"mLiveQr", true, nullptr,
             [](TFormMain& w, Program&) { return !w.live().audienceCodeWanted(); }},
            {"Zeileentfernen1", true,
             [](TFormMain& w) {
                 w.table().AddRow({"5"});
                 w.table().AddRow({"6"});
                 w.protocol().SelectWholeRow(1);
             },
             [](TFormMain& w, Program&) {
                 return w.table().RowCount() == 2 && w.table().Cell(0, 1) == "6";
             }},
            {"Neu1", true, nullptr,
             [](TFormMain& w, Program&) { return w.table().Cell(0, 1) == "1"; }},
            {"mJoker", true, numberedRow,
             [](TFormMain& w, Program&) { return w.table().Cell(9, 1) == "+"; }},
            {"LockLS1", true, nullptr,
             [](TFormMain& w, Program&) { return w.race().armed(kLockStart); }},
            {"LockLS2", true, nullptr,
             [](TFormMain& w, Program&) { return w.race().armed(kLockLane1); }},
            {"LockLS3", true, nullptr,
             [](TFormMain& w, Program&) { return w.race().armed(kLockLane2); }},
            {"Beenden1", true, nullptr, [](TFormMain& w, Program&) { return !w.isVisible(); }},
            {"TestLS", true, nullptr,
             [](TFormMain& w, Program&) { return !w.PanelImit->isVisible(); }},
            // No run of the row in the log yet: the status bar says so, nothing is printed.
            {"mZeitkarte", true, numberedRow,
             [](TFormMain& w, Program&) {
                 return w.statusBar()->currentMessage().startsWith(QStringLiteral("Zeitkarte"));
             }},
        };
    }

    // What a key could change, to see that a disabled one changed nothing.
    static std::string snapshot(TFormMain& w) {
        std::string s;
        for (int r = 0; r < w.table().RowCount(); ++r)
            for (int c = 0; c < w.table().ColCount(); ++c)
                s += w.table().Cell(c, r) + "|";
        RaceControl& rc = w.race();
        for (const Command* c :
             {&rc.mStart, &rc.mStop1, &rc.mStop2, &rc.mReset, &rc.mFehlstart1, &rc.mFehlstart2})
            s += c->enabled() ? "1" : "0";
        s += std::to_string(rc.race.StopCount) + std::to_string(rc.FrameT1.clockRunning()) +
             std::to_string(rc.FrameT2.clockRunning()) + std::to_string(rc.race.FalseStartLane);
        return s;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>(); // no backup of an earlier case
        QVERIFY(
            QFile(dir->filePath(QStringLiteral("Velkoran-Hilfe.html"))).open(QIODevice::WriteOnly));
        platform.store = {};
        platform.dialogs = {};
        opened.clear();
    }

    void everyKeyReachesItsOperation_data() {
        QTest::addColumn<int>("index");
        const auto all = cases();
        for (size_t i = 0; i < all.size(); ++i)
            QTest::newRow(all[i].entry) << static_cast<int>(i);
    }
    void everyKeyReachesItsOperation() {
        QFETCH(int, index);
        const KeyCase c = cases()[static_cast<size_t>(index)];
        const MenuEntry* entry = nullptr;
        for (const MenuEntry& e : MainMenuEntries())
            if (e.name && std::string(e.name) == c.entry)
                entry = &e;
        QVERIFY(entry);
        QVERIFY(entry->key.key() != Qt::Key_unknown);

        auto program = start();
        TFormMain& w = program->main();
        QAction* a = w.menu.at(QString::fromLatin1(c.entry));
        QCOMPARE(a->isEnabled(), c.enabledAtStart);
        QCOMPARE(a->data().toInt(), entry->tag);
        QVERIFY(!w.HideMenu->menuAction()->isVisible()); // no menu bar entry is shown

        // Before its moment a disabled entry's key changes nothing.
        if (!c.enabledAtStart) {
            const std::string before = snapshot(w);
            key(w, entry->key);
            QCOMPARE(snapshot(w), before);
        }
        if (c.prepare)
            c.prepare(w);
        QVERIFY(a->isEnabled());
        QTest::qWait(5); // a stop needs a time above zero
        key(w, entry->key);
        QVERIFY(c.ran(w, *program));
    }

    void everyEntryWithAKeyIsCovered() {
        const auto all = cases();
        for (const MenuEntry& e : MainMenuEntries()) {
            if (!e.name || e.key.key() == Qt::Key_unknown)
                continue;
            const bool covered = std::any_of(all.begin(), all.end(), [&e](const KeyCase& c) {
                return std::string(c.entry) == e.name;
            });
            QVERIFY2(covered, e.name);
        }
    }

    void accidentKeyOnlyWhenTheRuleAllowsIt() {
        auto program = start();
        TFormMain& w = program->main();
        numberedRow(w);
        raceStarted(w); // lane rows 1 and 2 are added; the numbered row stays current
        w.protocol().SelectWholeRow(1);
        QVERIFY(!w.menu.at("mAvaria")->isEnabled()); // a lane is timed
        press(w, Qt::Key_F4);
        QCOMPARE(w.table().Cell(6, 1), std::string());
        QTest::qWait(5);
        press(w, Qt::Key_F8);
        press(w, Qt::Key_F9);
        w.protocol().SelectWholeRow(1);
        QVERIFY(w.menu.at("mAvaria")->isEnabled());
        press(w, Qt::Key_F4);
        QCOMPARE(w.table().Cell(6, 1), std::string("-"));
    }

    void newProtocolEntryHasNoKeyButClearsTheProtocol() {
        auto program = start();
        TFormMain& w = program->main();
        numberedRow(w);
        w.menu.at("New1")->trigger();
        QCOMPARE(platform.dialogs.questions, std::vector<std::string>{"Zeitenprotokoll  löschen?"});
        QVERIFY(w.table().IsRowEmpty(1));
    }

    void contextMenuShowsEveryEntry() {
        auto program = start();
        TFormMain& w = program->main();
        const QStringList names = {
            "Joker1", "Erase1",           "Neuezeile1", "SortierenKlassenZeit1",
            "mPlatz", "Rezultentfernen1", "mLaeufe",    "mZeitkarte1"};
        QStringList shown;
        for (QAction* a : w.protocolPanel().popupMenu()->actions()) {
            shown << a->objectName();
            QVERIFY2(a->isVisible(), qPrintable(a->objectName()));
        }
        QCOMPARE(shown, names);
        // "Sortieren Klassen+Zeit" is enabled exactly while the setting Klass is on.
        QCOMPARE(w.protocolPanel().klassSortEnabled(), w.settings().Klass);
    }
};

QTEST_MAIN(KeyTableTest)
#include "KeyTableTest.moc"
