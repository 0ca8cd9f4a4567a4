#include "config/Cfg.h"
#include "config/FlEdit.h"
#include "config/QtSettingsStore.h"
#include "config/SettingsIo.h"
#include "support/Screenshot.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

using namespace vk;

namespace {

// Every value of a complete settings file, in reading order.
const std::vector<std::pair<const char*, const char*>> kFullFile = {
    {"Left", "30"},      {"Top", "20"},      {"Width", "900"},   {"Height", "600"},
    {"Sound", "0"},      {"Port", "5"},      {"Alg", "1"},       {"WaitStart", "2500"},
    {"FilterInd", "2"},  {"Length", "201"},  {"Monitor", "0"},   {"Title", "Finale"},
    {"Klass", "1"},      {"KlassSort", "0"}, {"LengthS", "5"},   {"LengthC", "1000"},
    {"LengthF", "1800"}, {"ColSpeed0", "1"}, {"ColSpeed1", "0"}, {"ColSpeed2", "0"},
    {"ColSpeed3", "0"},  {"ManyStart", "1"},
};

} // namespace

class ConfigUiTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home;

    QString configFile(const char* program = "Velkoran") const {
        return home->filePath(QStringLiteral(".config/Quorvane/%1.conf").arg(program));
    }
    // Writes the file of kFullFile without `drop`, with `change` replacing a value.
    // `pad` makes the size differ from the last file's: QSettings keeps a file it read while
    // size and time stay the same, and several files are written within one tick here.
    void writeFile(const char* drop, std::pair<const char*, const char*> change = {}, int pad = 0) {
        QDir().mkpath(QFileInfo(configFile()).absolutePath());
        QFile f(configFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nPad=" + QByteArray(pad, 'x') + '\n');
        for (auto [name, value] : kFullFile) {
            if (drop && qstrcmp(name, drop) == 0)
                continue;
            if (change.first && qstrcmp(name, change.first) == 0)
                value = change.second;
            f.write(QByteArray(name) + '=' + value + '\n');
        }
    }
    static void useComma(TCfgDialog& d) {
        for (TSpinFloatEdit* f : {d.sfeLen, d.seStartLen, d.seCentrLen, d.seFinalLen, d.seWait})
            f->setDecimalSeparator(QLatin1Char(','));
    }
    static Settings load() {
        QtSettingsStore store;
        Settings s;
        LoadSettings(store, "Velkoran", s, {});
        return s;
    }

private slots:
    void init() {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("HOME", home->path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
    }

    // ---- the settings file

    // The file's texts: each bad value costs only itself and is named, the later ones are read.
    void eachValueOfTheFileOnItsOwn() {
        using K = SettingsProblem::Kind;
        struct Row {
            const char* drop;
            std::pair<const char*, const char*> change;
            std::vector<SettingsProblem> problems;
        };
        const Row rows[] = {
            {"Sound", {}, {{"Sound", K::Missing}}},
            {"Left", {}, {{"Left", K::Missing}}},
            {"Title", {}, {}}, // reads as empty
            {nullptr, {"Width", "800px"}, {{"Width", K::WrongType}}},
            {nullptr, {"Width", "99999999999"}, {{"Width", K::WrongType}}},
            {nullptr, {"Alg", "1.5"}, {{"Alg", K::WrongType}}},
            {nullptr, {"Port", "300"}, {{"Port", K::OutOfRange}}}, // never COM44
            {nullptr, {"Monitor", "1"}, {}},                       // one screen: index 0
        };
        int pad = 0;
        for (const Row& row : rows) {
            writeFile(row.drop, row.change, ++pad);
            Settings s;
            QtSettingsStore store;
            const auto problems = LoadSettings(store, "Velkoran", s, {});
            const QByteArray tag = QByteArray(row.drop ? row.drop : row.change.first);
            QVERIFY2(problems == row.problems, tag);
            QVERIFY2(s.Length == 201 && s.ManyStart, tag); // the values after it still count
            QVERIFY2(s.Title == (row.drop && qstrcmp(row.drop, "Title") == 0 ? "" : "Finale"), tag);
            QVERIFY2(s.Port == (qstrcmp(row.change.first, "Port") == 0 ? 0 : 5), tag);
            QVERIFY2(s.width == (qstrcmp(row.change.first, "Width") == 0 ? 800 : 900), tag);
            QVERIFY2(s.MonitorIndex == 0 && s.Sound == (qstrcmp(row.drop, "Sound") == 0), tag);
        }
        QCOMPARE(SettingsProblemsText({{"Width", K::WrongType}, {"Port", K::OutOfRange}}),
                 std::string("Einstellungen: es gilt der Standardwert für Width (kein gültiger "
                             "Wert), Port (außerhalb des Bereichs)"));
    }

    // A pipe where the file should be is neither read nor written: both would wait for good.
    void aPipeInPlaceOfTheFileBlocksNothing() {
        QVERIFY(QDir().mkpath(QFileInfo(configFile()).absolutePath()));
        QCOMPARE(mkfifo(configFile().toLocal8Bit().constData(), 0600), 0);
        QtSettingsStore store;
        Settings s;
        const auto problems = LoadSettings(store, "Velkoran", s, {});
        QCOMPARE(problems.size(), size_t(1));
        QCOMPARE(problems[0].kind, SettingsProblem::NotAFile);
        QCOMPARE(s, Settings{});
        QVERIFY(QString::fromStdString(SaveSettings(store, "Velkoran", s))
                    .endsWith(QStringLiteral("ist keine gewöhnliche Datei")));
        struct stat st {};
        QCOMPARE(stat(configFile().toLocal8Bit().constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode)); // left as it was
    }

    void saveAndLoadAgain() {
        QtSettingsStore store;
        Settings s;
        s.left = 12;
        s.top = -3;
        s.Port = 12;
        s.Alg = 1;
        s.Title = "Sommer, Lauf 2";
        s.ColSpeed0 = true;
        s.ManyStart = true;
        QCOMPARE(SaveSettings(store, "Velkoran", s), std::string());
        QFile f(configFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("[General]\n"));
        QVERIFY(text.contains("\nPort=12\n"));
        QVERIFY(text.contains("\nColSpeed0=1\n"));
        const Settings back = load();
        QCOMPARE(back.top, s.top);
        QCOMPARE(back.Port, s.Port);
        QCOMPARE(back.Title, s.Title);
        QCOMPARE(back.ColSpeed0, true);
        QCOMPARE(back.ManyStart, true);

        // Written as a new file put in place of the old one: a cut-off write leaves the old.
        struct stat before {
        }, after{};
        QCOMPARE(stat(configFile().toLocal8Bit().constData(), &before), 0);
        s.Port = 3;
        QCOMPARE(SaveSettings(store, "Velkoran", s), std::string());
        QCOMPARE(stat(configFile().toLocal8Bit().constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);

        // Another program name keeps its own file.
        QCOMPARE(SaveSettings(store, "Kopie", Settings{}), std::string());
        QVERIFY(QFile::exists(configFile("Kopie")));
        QCOMPARE(load().Port, 3);
    }

    void unwritableFolderIsReported() {
        QDir().mkpath(home->filePath(QStringLiteral(".config")));
        QFile blocker(home->filePath(QStringLiteral(".config/Quorvane")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        QtSettingsStore store;
        QVERIFY(!SaveSettings(store, "Velkoran", Settings{}).empty());
    }

    // ---- the dialog

    void creationAndOpening() {
        Settings s; // Length 0
        s.Port = 2; // stored, but COM2 was not present at start-up
        s.Alg = 1;
        s.ManyStart = true;
        s.Length = 0;
        TCfgDialog d(s, 0x00050015, nullptr); // COM1, COM3, COM5
        QCOMPARE(s.Length, 402);
        QCOMPARE(d.Label2->text(), QStringLiteral("Streckenlänge:"));
        QCOMPARE(d.cbPort->count(), 4);
        QCOMPARE(d.cbPort->itemText(3), QStringLiteral("COM5"));

        d.Fill(s);
        QCOMPARE(d.cbPort->currentIndex(), 0);
        QVERIFY(!d.cbAlg->isEnabled());
        QVERIFY(d.cbManyStart->isChecked() && d.cbManyStart->isVisibleTo(&d));
        d.show();
        QCOMPARE(d.cbMonitor->count(), 1); // one screen
        QCOMPARE(d.cbMonitor->currentText(), QStringLiteral("Kein"));
        QVERIFY(!d.cbMonitor->isEnabled() && !d.LabMonitor->isEnabled());
        test::SaveScreenshot(&d, "settings-dialog.png");
        d.done(QDialog::Accepted);
        QVERIFY(!d.isVisible());
        QVERIFY(ApplyChoices(d.Choice(), s));
        QCOMPARE(s.Port, 0); // OK switches the absent port off
        QCOMPARE(s.Alg, 1);
        QVERIFY(s.ManyStart); // kept through OK
        QCOMPARE(s.MonitorIndex, 0);
    }

    // An adapter plugged in after the start appears when the list opens; one pulled goes.
    void portListReadAgainWhenItOpens() {
        Settings s;
        s.Port = 5;
        TCfgDialog d(s, 0x00050010, nullptr);
        const std::string ftdi = "COM5 – FT232R USB UART (/dev/ttyUSB0)";
        std::vector<std::string> present{ftdi};
        d.setPortLister([&present] { return present; });
        d.Fill(s);
        QCOMPARE(d.cbPort->currentText().toStdString(), ftdi);
        QVERIFY(d.cbAlg->isEnabled());
        d.show();
        present.push_back("COM6 – USB Serial (/dev/ttyUSB1)");
        d.cbPort->showPopup();
        d.cbPort->hidePopup();
        QCOMPARE(d.cbPort->count(), 3);
        QCOMPARE(d.cbPort->currentText().toStdString(), ftdi);
        present.erase(present.begin());
        d.cbPort->showPopup();
        d.cbPort->hidePopup();
        QCOMPARE(d.cbPort->count(), 2);
        QCOMPARE(d.cbPort->currentIndex(), 0);
        QVERIFY(!d.cbAlg->isEnabled());
        d.cbPort->setCurrentIndex(1);
        d.done(QDialog::Accepted);
        QVERIFY(ApplyChoices(d.Choice(), s));
        QCOMPARE(s.Port, 6);
    }

    void portAndBarrierChoicesEnableFields() {
        Settings s;
        TCfgDialog d(s, 0x00050010, nullptr);
        d.Fill(s);
        d.cbPort->setCurrentIndex(1);
        emit d.cbPort->activated(1);
        QVERIFY(d.cbAlg->isEnabled() && d.seWait->isEnabled() && d.seFinalLen->isEnabled());
        d.cbLsCentr->setChecked(false);
        QVERIFY(!d.seCentrLen->isEnabled());
        d.cbPort->setCurrentIndex(0);
        emit d.cbPort->activated(0);
        QVERIFY(!d.cbAlg->isEnabled() && !d.seWait->isEnabled() && !d.seStartLen->isEnabled());
        d.cbLsStart->setChecked(false);
        d.cbLsStart->setChecked(true); // the barrier boxes ran last
        QVERIFY(d.seStartLen->isEnabled());
    }

    void shorterTrackLowersTheDistances() {
        Settings s;
        s.Length = 402;
        s.LengthF = 3900;
        TCfgDialog d(s, 0, nullptr);
        useComma(d);
        d.Fill(s);
        QCOMPARE(d.seFinalLen->text(), QStringLiteral("390,0"));
        d.show();
        d.sfeLen->setFocus();
        d.sfeLen->selectAll();
        QTest::keyClicks(d.sfeLen, QStringLiteral(",3")); // "0,0" on the way to "0,3"
        QCOMPARE(d.sfeLen->text(), QStringLiteral("0,3"));
        QCOMPARE(d.seFinalLen->maxValue(), 300.0);
        QCOMPARE(d.seFinalLen->text(), QStringLiteral("300,0"));
        QCOMPARE(d.seCentrLen->text(), QStringLiteral("200,0"));
        d.done(QDialog::Accepted);
        QVERIFY(ApplyChoices(d.Choice(), s));
        QCOMPARE(s.LengthF, 3000);
        QCOMPARE(s.Length, 300);
    }

    void trackLengthThatIsNoNumberKeepsTheDialogOpen() {
        Settings s;
        s.Length = 402;
        TCfgDialog d(s, 0, nullptr);
        d.Fill(s);
        d.show();
        d.sfeLen->setFocus();
        d.sfeLen->selectAll();
        QTest::keyClick(d.sfeLen, Qt::Key_Backspace);
        QCOMPARE(d.sfeLen->text(), QString());
        QTest::keyClick(d.sfeLen, Qt::Key_Return); // Enter reaches the OK button
        QVERIFY(d.isVisible());
        QVERIFY(d.LabError->text().contains(QStringLiteral("Streckenlänge")));
        QVERIFY(!d.Choice().lengthMetres);
        QVERIFY(d.TimerBlink->isActive());
    }

    void schematicBlinksWithoutAPort() {
        Settings s;
        TCfgDialog d(s, 0x00010001, nullptr);
        d.Fill(s);
        d.show();
        SchematicShapeWidget* reaction = d.shape("shpLStart");
        SchematicShapeWidget* stop = d.shape("shpRStop");
        QVERIFY(reaction && stop);
        QVERIFY(d.TimerBlink->isActive());
        QCOMPARE(d.TimerBlink->interval(), 500);
        std::vector<Color> seen;
        for (int i = 0; i < 2; ++i) {
            d.TimerBlinkTimer();
            seen.push_back(reaction->color());
        }
        QVERIFY(seen[0] != seen[1]); // no port: it blinks
        QCOMPARE(reaction->toolTip(), QStringLiteral("Reaktion-LS"));

        d.cbPort->setCurrentIndex(1);
        d.cbLsStart->setChecked(false);
        d.TimerBlinkTimer();
        const Color a = reaction->color();
        d.TimerBlinkTimer();
        QCOMPARE(reaction->color(), a); // a port: steady, the unticked barrier dark
        QCOMPARE(a, Color(0x00007F));
        QCOMPARE(stop->color(), Color(0xFF0000));
        const int phase = d.blinkPhase();
        d.done(QDialog::Rejected);
        QVERIFY(!d.TimerBlink->isActive());
        d.show();
        QCOMPARE(d.blinkPhase(), phase); // carried over to the next showing
    }

    void monitorListOfTwoScreens() {
        if (QGuiApplication::screens().size() < 2)
            QSKIP("runs with two offscreen screens (config_ui_two_screens)");
        Settings s;
        s.MonitorIndex = 1;
        TCfgDialog d(s, 0, nullptr);
        d.Fill(s);
        d.show();
        QVERIFY(d.cbMonitor->isEnabled());
        QCOMPARE(d.cbMonitor->count(), 2);
        QCOMPARE(d.cbMonitor->itemText(0), QStringLiteral("0=(0,0)-(1280,1024)"));
        QCOMPARE(d.cbMonitor->itemText(1), QStringLiteral("1=(1280,0)-(1920,1080)"));
        QCOMPARE(d.cbMonitor->currentIndex(), 1);
        d.done(QDialog::Accepted);
        QVERIFY(ApplyChoices(d.Choice(), s));
        QCOMPARE(s.MonitorIndex, 1);
    }

    // ---- the spin field widget

    void pastedNumberOutOfRangeKeepsTheFocus() {
        QWidget window;
        auto* f = new TSpinFloatEdit(&window);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        f->setDecimalSeparator(QLatin1Char(','));
        f->setMaxValue(600);
        f->setValue(42);
        QSignalSpy exits(f, &TCustomFloatEdit::exited);
        QSignalSpy changes(f, &TCustomFloatEdit::userChanged);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        f->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f, Qt::Key_End);
        QTest::keyClick(f, Qt::Key_Backspace);
        QTest::keyClick(f, Qt::Key_5);
        QCOMPARE(f->text(), QStringLiteral("42,5"));
        f->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("1e5"));
        QTest::keySequence(f, QKeySequence::Paste);
        QCOMPARE(f->text(), QStringLiteral("1e5"));
        QCOMPARE(changes.count(), 3); // each change told once
        other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f->hasFocus());
        QCOMPARE(f->text(), QStringLiteral("42,0"));
        QCOMPARE(f->selectedText(), f->text());
        QCOMPARE(exits.count(), 0);

        f->setEditorEnabled(false);
        f->setSelection(0, 2);
        QTest::keySequence(f, QKeySequence::Cut);
        QTest::keyClick(f, Qt::Key_Up);
        QCOMPARE(f->text(), QStringLiteral("42,0"));
        QTest::mouseClick(f->upButton(), Qt::LeftButton);
        QCOMPARE(f->text(), QStringLiteral("43,0"));
        QVERIFY(f->minimumHeight() >= FloatEditModel::MinimumHeight(1, f->fontMetrics().height(),
                                                                    f->fontMetrics().height()));
    }
};

QTEST_MAIN(ConfigUiTest)
#include "ConfigUiTest.moc"
