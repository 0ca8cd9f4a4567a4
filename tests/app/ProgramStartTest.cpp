// What main() does before the windows exist: one program per backup and Qt's German texts.
#include "app/QtTranslation.h"
#include "app/SingleInstance.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
};

QTEST_MAIN(ProgramStartTest)
#include "ProgramStartTest.moc"
