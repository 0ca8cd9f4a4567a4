#include "app/Program.h"
#include "app/shell/ModalHelper.h"
#include "config/Cfg.h"
#include "config/MemorySettingsStore.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/ScriptedFileChooser.h"
#include "serial/Adapter.h"
#include "serial/Comms.h"
#include "serial/FakeComDevice.h"
#include "support/FakeSystem.h"
#include "support/ManualClock.h"
#include "support/RecordingShell.h"
#include "support/Screenshot.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cerrno>

using namespace vk;

namespace {

const std::string kDevice = "/fake/ttyUSB0";
const std::string kMoved = "/fake/ttyUSB1"; // COM6
constexpr char kFtdi[] = "usb-FTDI_FT232R_USB_UART_A1-if00-port0";

// Records whether the port was still open when an error was reported.
struct PortAwareDialogs final : Dialogs {
    FakeComDriver* driver = nullptr;
    bool askYesNo(const std::string&) override { return true; }
    void errorReport(const std::string& m) override {
        errors.push_back(m);
        portOpenAtReport = driver->IsOpen(kDevice);
    }
    void information(const std::string&) override {}
    std::vector<std::string> errors;
    bool portOpenAtReport = true;
};

} // namespace

// The program with a settings file naming COM5, which the port map puts on a fake device.
class SettingsEndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    PortAwareDialogs dialogs;
    test::ScriptedFileChooser chooser;
    FakeComDriver driver;
    test::RecordingShell shell;
    std::unique_ptr<Program> program;
    test::FakeSystem emptySystem;

    QString settingsFile() const {
        return dir->filePath(QStringLiteral("home/.config/Quorvane/Velkoran.conf"));
    }
    void writeSettings(const QByteArray& text) {
        QDir().mkpath(QFileInfo(settingsFile()).absolutePath());
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readSettings() const {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Without `system`, an empty sysfs and /proc and a probe that finds COM5.
    TFormMain& start(SettingsStore* store = nullptr, test::FakeSystem* system = nullptr) {
        TFormMain::Options o;
        o.executablePath = dir->filePath(QStringLiteral("Velkoran")).toStdString();
        o.dialogs = &dialogs;
        o.fileChooser = &chooser;
        o.comDriver = &driver;
        o.shell = &shell;
        o.settingsStore = store;
        ComPortMap map;
        map.entries[4] = {kDevice, false};
        map.entries[5] = {kMoved, false};
        o.portMap = map;
        o.systemRoots = system ? system->roots : emptySystem.roots;
        if (!system)
            o.probePorts = [](const ComPortMap& m) { return m.Find(5) ? 0x00050010u : 0u; };
        program = std::make_unique<Program>(o);
        return program->main();
    }
    // Sets the lines and waits until the race has seen them.
    void lines(TFormMain& w, uint32_t word) {
        driver.SetLines(kDevice, word);
        QTRY_COMPARE_WITH_TIMEOUT(w.race().LastModemStatus, word, 3000);
    }
    // Confirms the settings dialog with the port entry `entry`.
    void confirmWithPort(TFormMain& w, const QString& entry) {
        WhenModal([entry](QWidget* m) {
            auto* d = qobject_cast<TCfgDialog*>(m);
            QVERIFY(d);
            d->cbPort->setCurrentIndex(d->cbPort->findText(entry, Qt::MatchStartsWith));
            emit d->cbPort->activated(d->cbPort->currentIndex());
            d->OKBtn->click();
        });
        w.bCFGClick();
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        qputenv("HOME", dir->filePath(QStringLiteral("home")).toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        driver.AddDevice(kDevice);
        driver.FailOpen(kDevice, 0);
        dialogs = {};
        dialogs.driver = &driver;
    }
    void cleanup() {
        program.reset();
        dir.reset();
    }

    void storedPortTimesARaceAndTheDialogSwitchesIt() {
        writeSettings("[General]\nLeft=10\nTop=10\nWidth=800\nHeight=561\nSound=0\nPort=5\n"
                      "Alg=0\nWaitStart=3000\nFilterInd=1\nLength=402\nMonitor=0\n"
                      "Title=Sommerlauf\nKlass=0\nKlassSort=1\nLengthS=1\nLengthC=2000\n"
                      "LengthF=3900\nColSpeed0=1\nColSpeed1=1\nColSpeed2=1\nColSpeed3=1\n"
                      "ManyStart=0\n");
        TFormMain& w = start();
        w.show();
        QVERIFY(driver.IsOpen(kDevice));
        QVERIFY(w.comPort().Connected());
        QCOMPARE(w.eTitle->text(), QStringLiteral("Sommerlauf"));
        QVERIFY(w.ImageAmpel->isVisible()); // ColSpeed0

        // A race from the lines: contact, then four passes on both lanes.
        w.race().LockLSClick(kLockStart);
        lines(w, kStatusCTS);
        QVERIFY(w.race().FrameT1.clockRunning());
        lines(w, 0);
        for (int pass = 0; pass < 4; ++pass) {
            lines(w, kStatusRLSD | kStatusDSR);
            lines(w, 0);
        }
        QVERIFY(!w.race().anyClockRunning());
        const CellTable& t = w.table();
        for (const char* number : {"1", "2"}) {
            const int row = t.FindRow(0, number, false);
            QVERIFY(row > 0);
            QVERIFY(!t.Cell(8, row).empty()); // total time
        }

        // The dialog lists COM5, switches the port off with "Kein" and on again.
        const int opens = driver.Opens(kDevice);
        confirmWithPort(w, QStringLiteral("Kein"));
        QVERIFY(!driver.IsOpen(kDevice));
        QCOMPARE(w.comPort().Port, 0);
        QVERIFY(readSettings().contains("\nPort=0\n")); // written on OK
        confirmWithPort(w, QStringLiteral("COM5"));
        QVERIFY(!driver.IsOpen(kDevice)); // opened 50 ms later, by a timer
        QTRY_VERIFY_WITH_TIMEOUT(driver.IsOpen(kDevice), 3000);
        QCOMPARE(driver.Opens(kDevice), opens + 1);
        QVERIFY(readSettings().contains("\nPort=5\n"));
        QCOMPARE(w.focusWidget(), w.PanelLeft); // back to the race area

        program.reset(); // shutdown writes the settings and closes the port
        QVERIFY(!driver.IsOpen(kDevice));
        QVERIFY(readSettings().contains("Title=Sommerlauf"));
        QVERIFY(dialogs.errors.empty());
    }

    // A cut and edited file: the bad values are named once, the good ones after them are used
    // and written back instead of the defaults.
    void damagedFileCostsOnlyTheBadValues() {
        writeSettings("[General]\nTop=10\nWidth=800px\nHeight=561\nSound=0\nPort=257\nAlg=2\n"
                      "WaitStart=3000\nFilterInd=1\nLength=201\nMonitor=0\nTitle=Sommerlauf\n");
        TFormMain& w = start();
        QCOMPARE(w.statusBar()->currentMessage(),
                 QStringLiteral("Einstellungen: es gilt der Standardwert für Left (fehlt), Width "
                                "(kein gültiger Wert), Port (außerhalb des Bereichs), Alg "
                                "(außerhalb des Bereichs), Klass (fehlt), KlassSort (fehlt), "
                                "LengthS (fehlt), LengthC (fehlt), LengthF (fehlt), ColSpeed0 "
                                "(fehlt), ColSpeed1 (fehlt), ColSpeed2 (fehlt), ColSpeed3 "
                                "(fehlt), ManyStart (fehlt)"));
        QCOMPARE(w.comPort().Port, 0); // never COM1
        QCOMPARE(w.settings().Length, 201);
        program.reset();
        const QByteArray after = readSettings();
        for (const char* kept : {"\nLength=201\n", "\nSound=0\n", "\nTitle=Sommerlauf\n",
                                 "\nPort=0\n", "\nAlg=0\n", "\nWidth=800\n"})
            QVERIFY2(after.contains(kept), after.constData());
    }

    void portThatDoesNotOpenIsNamed() {
        writeSettings("[General]\nLeft=10\nTop=10\nWidth=800\nHeight=561\nSound=1\nPort=5\n");
        driver.FailOpen(kDevice, EBUSY);
        TFormMain& w = start();
        // The short file's missing values stay named beside the port.
        QVERIFY(w.statusBar()->currentMessage().startsWith(
            QStringLiteral("Schnittstelle COM5: Device or resource busy – Einstellungen: ")));
        driver.FailOpen(kDevice, 0);
        confirmWithPort(w, QStringLiteral("COM5"));
        QTRY_VERIFY_WITH_TIMEOUT(driver.IsOpen(kDevice), 3000);
        QVERIFY(w.statusBar()->currentMessage().isEmpty());
    }

    void portWithoutRightsNamesTheGroup() {
        writeSettings("[General]\nLeft=10\nTop=10\nWidth=800\nHeight=561\nSound=1\nPort=5\n");
        driver.FailOpen(kDevice, EACCES);
        TFormMain& w = start();
        // The trap first; the short file's missing values stay named after it.
        QVERIFY(w.statusBar()->currentMessage().startsWith(
            QString::fromStdString(AccessDeniedText(kDevice, LoginName()))));
    }

    // The stored adapter came back as ttyUSB1 while another one took ttyUSB0; the port list
    // names both and is read again when it opens.
    void adapterFoundUnderAnotherNameAndListedByName() {
        test::FakeSystem sys;
        sys.usb("ttyUSB1", "1-1", "0403", "6001", "A1", "FT232R USB UART");
        sys.byId(kFtdi, "ttyUSB1");
        driver.AddDevice(kMoved);
        writeSettings("[General]\nLeft=10\nTop=10\nWidth=800\nHeight=561\nSound=0\nPort=5\n"
                      "Alg=0\nWaitStart=3000\nFilterInd=1\nLength=402\nMonitor=0\n"
                      "Title=x\nKlass=0\nKlassSort=1\nLengthS=1\nLengthC=2000\n"
                      "LengthF=3900\nColSpeed0=1\nColSpeed1=1\nColSpeed2=1\nColSpeed3=1\n"
                      "ManyStart=0\nAdapter=by-id:" +
                      QByteArray(kFtdi) + "\n");
        TFormMain& w = start(nullptr, &sys);
        QVERIFY(driver.IsOpen(kMoved));
        QVERIFY(!driver.IsOpen(kDevice));
        QCOMPARE(w.statusBar()->currentMessage(),
                 QStringLiteral("Adapter unter neuem Namen gefunden: COM6 (/fake/ttyUSB1, "
                                "zuletzt /fake/ttyUSB0)"));

        QStringList shown, opened;
        WhenModal([&](QWidget* m) {
            auto* d = qobject_cast<TCfgDialog*>(m);
            QVERIFY(d);
            for (int i = 0; i < d->cbPort->count(); ++i)
                shown << d->cbPort->itemText(i);
            sys.usb("ttyUSB0", "1-2", "1a86", "7523", "", "USB Serial"); // plugged in now
            d->cbPort->showPopup();
            for (int i = 0; i < d->cbPort->count(); ++i)
                opened << d->cbPort->itemText(i);
            test::SaveScreenshot(d->cbPort->view()->window(), "settings-port-list.png");
            d->cbPort->hidePopup();
            d->CancelBtn->click();
        });
        w.bCFGClick();
        QCOMPARE(shown, QStringList({QStringLiteral("Kein"),
                                     QStringLiteral("COM6 – FT232R USB UART (/fake/ttyUSB1)")}));
        QCOMPARE(opened, QStringList({QStringLiteral("Kein"),
                                      QStringLiteral("COM5 – USB Serial (/fake/ttyUSB0)"),
                                      QStringLiteral("COM6 – FT232R USB UART (/fake/ttyUSB1)")}));

        program.reset();
        QVERIFY(readSettings().contains("\nPort=6\n"));
        QVERIFY(readSettings().contains(QByteArray("\nAdapter=by-id:") + kFtdi));
    }

    void saveDialogKeepsItsTypeAndWritesThatType() {
        MemorySettingsStore store;
        store.keys["Velkoran"] = {{"Left", 0},     {"Top", 0},          {"Width", 800},
                                  {"Height", 561}, {"Sound", 1},        {"Port", 0},
                                  {"Alg", 0},      {"WaitStart", 3000}, {"FilterInd", 4}};
        TFormMain& w = start(&store);
        FileChooser& c = w.protocolPanel().chooser();
        QCOMPARE(c.saveFilterIndex, 4);
        QCOMPARE(c.filters.save.size(), size_t(4));
        QToolButton* save = w.protocolPanel().button(QStringLiteral("sbSave"));
        w.table().SetCell(0, 1, "7");
        save->setEnabled(true);

        const QString sheet = dir->filePath(QStringLiteral("lauf.xlsx"));
        chooser.answers = {FileChooser::Choice{sheet.toStdString(), 2}};
        save->click();
        QFile written(sheet);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.read(2), QByteArray("PK")); // a workbook, never text under its name
        QCOMPARE(c.saveFilterIndex, 2);

        const QString text = dir->filePath(QStringLiteral("lauf.txt"));
        chooser.answers = {FileChooser::Choice{text.toStdString(), 1}};
        save->click();
        QVERIFY(QFile::exists(text));
        program.reset();
        QCOMPARE(std::get<int32_t>(store.keys["Velkoran"]["FilterInd"]), 1);
    }

    void failedWriteAtShutdownIsReportedAfterTheClose() {
        MemorySettingsStore store;
        store.keys["Velkoran"] = {{"Left", 0},     {"Top", 0},   {"Width", 800},
                                  {"Height", 561}, {"Sound", 1}, {"Port", 5}};
        start(&store);
        QVERIFY(driver.IsOpen(kDevice));
        store.failWrites = "kein Platz";
        program.reset();
        QCOMPARE(dialogs.errors.size(), size_t(1));
        QVERIFY(QString::fromStdString(dialogs.errors[0]).contains(QStringLiteral("kein Platz")));
        QVERIFY(!dialogs.portOpenAtReport);
    }
};

QTEST_MAIN(SettingsEndToEndTest)
#include "SettingsEndToEndTest.moc"
