// What main() does before the windows exist: one program per backup and Qt's German texts.
#include "app/QtTranslation.h"
#include "app/SingleInstance.h"
#include "app/TestPlatform.h"
#include "support/Screenshot.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vk;

class ProgramStartTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondProgramOnTheSameBackupRaisesTheFirstAndEnds() {
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("Velkoran-Sicherungsdatei.txt"));
        SingleInstance first(backup);
        QVERIFY(first.acquire());
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        {
            SingleInstance second(backup);
            QVERIFY(!second.acquire());
        }
        QVERIFY(raised.count() == 1 || raised.wait(5000));
        // A copy under another name has a backup of its own.
        SingleInstance other(dir.filePath(QStringLiteral("Rennen2-Sicherungsdatei.txt")));
        QVERIFY(other.acquire());
        // The lock holds for as long as the program runs, not for a fixed time.
        QVERIFY(QFile::exists(first.lockPath()));
    }

    void qtTextsAreGermanOnlyUnderAGermanLocale() {
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
        QVERIFY(!LoadQtTranslation(*qApp, QLocale(QLocale::French, QLocale::France)));
        QVERIFY(LoadQtTranslation(*qApp, QLocale(QLocale::German, QLocale::Austria)));
        QDialogButtonBox german(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(german.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
        QCOMPARE(german.button(QDialogButtonBox::Save)->text(), QStringLiteral("Speichern"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Save As"),
                 QStringLiteral("Speichern unter"));
    }

    // The save dialog as the program shows it (no file chooser replaced) speaks German.
    void theSaveDialogIsGerman() {
        QVERIFY(LoadQtTranslation(*qApp, QLocale(QLocale::German, QLocale::Germany)));
        QTemporaryDir dir;
        test::TestPlatform platform;
        TFormMain::Options o =
            platform.options(dir.filePath(QStringLiteral("Velkoran")).toStdString());
        o.fileChooser = nullptr;
        Program program(std::move(o));
        TFormMain& w = program.main();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.race().mStart.click(); // a race, so there is something to save
        w.race().mStop1.click();
        w.race().mStop2.click();
        QWidget* save = w.findChild<QWidget*>(QStringLiteral("sbSave"));
        QVERIFY(save && save->isEnabled());

        QStringList texts;
        QTimer::singleShot(0, &w, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            for (int i = 0; !d && i < 200; ++i) {
                QTest::qWait(10);
                d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            }
            if (!d)
                return;
            d->resize(760, 460);
            QTest::qWait(200); // the folder's files are listed by a thread
            texts << d->windowTitle();
            for (const QPushButton* b : d->findChildren<QPushButton*>())
                texts << b->text();
            test::SaveScreenshot(d, "save-dialog-de.png");
            d->reject();
        });
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY2(texts.contains(QStringLiteral("S&peichern")), qPrintable(texts.join('|')));
        QVERIFY2(texts.contains(QStringLiteral("Abbrechen")), qPrintable(texts.join('|')));
        QVERIFY2(texts.contains(QStringLiteral("Speichern unter")), qPrintable(texts.join('|')));
    }
};

QTEST_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
