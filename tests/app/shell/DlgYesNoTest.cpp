#include "app/DlgYesNo.h"
#include "app/QtPlatform.h"
#include "app/shell/ModalHelper.h"
#include "support/ManualClock.h"
#include "support/RecordingShell.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class DlgYesNoTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAndCaption();
    void centredOnTheMainWindow();
    void enterAnswersYes();
    void escapeAndNeinAnswerNo();
    void clickingJaAnswersYes();
    void focusReturnsToJaOnEveryShowing();
    void closingTheWindowAnswersNo();
    void dialogsAskThroughTheDialog();
    void dialogsWithoutDialogUseATemporaryOne();
    void reportsCarryTheTitle();
    void infoTextNamesTheProgram();
    void missingHelpPageIsReported();
};

void DlgYesNoTest::layoutAndCaption() {
    TFDlgYesNo dlg(QStringLiteral("Strecke2"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Strecke2"));
    QVERIFY(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(dlg.size(), QSize(222, 94));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());

    auto* label = dlg.findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("?"));
    QCOMPARE(label->size(), QSize(169, 49));
    QVERIFY(label->wordWrap());
    QCOMPARE(label->alignment(), Qt::AlignCenter);

    auto* image = dlg.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);
    QCOMPARE(image->geometry(), QRect(4, 14, 32, 32));
    QVERIFY(!image->pixmap().isNull());

    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("OKBtn"));
    auto* cancel = dlg.findChild<QPushButton*>(QStringLiteral("CancelBtn"));
    QVERIFY(ok && cancel);
    QCOMPARE(ok->text(), QStringLiteral("Ja"));
    QCOMPARE(cancel->text(), QStringLiteral("Nein"));
    // Everything lies inside the fixed client area.
    for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(image),
                       static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel)})
        QVERIFY2(QRect(0, 0, 222, 94).contains(w->geometry()), qPrintable(w->objectName()));
    QVERIFY(!ok->geometry().intersects(cancel->geometry()));
}

void DlgYesNoTest::centredOnTheMainWindow() {
    QWidget main;
    main.setGeometry(300, 200, 800, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TFDlgYesNo dlg(QStringLiteral("Velkoran"), &main);
    QPoint centre;
    WhenModal([&](QWidget* w) {
        centre = w->geometry().center();
        w->close();
    });
    dlg.ask(QStringLiteral("Beenden?"));
    const QPoint d = centre - main.geometry().center();
    QVERIFY2(d.manhattanLength() < 40, qPrintable(QStringLiteral("%1,%2").arg(d.x()).arg(d.y())));
}

void DlgYesNoTest::enterAnswersYes() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    QString seen;
    QWidget* focus = nullptr;
    WhenModal([&](QWidget* w) {
        seen = dlg.Label1->text();
        focus = w->focusWidget();
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return);
    });
    QVERIFY(dlg.ask(QStringLiteral("Beenden?")));
    QCOMPARE(seen, QStringLiteral("Beenden?"));
    QCOMPARE(focus, static_cast<QWidget*>(dlg.OKBtn));

    // The keypad's Enter as well.
    WhenModal([&](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Enter); });
    QVERIFY(dlg.ask(QStringLiteral("Beenden?")));
}

void DlgYesNoTest::escapeAndNeinAnswerNo() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    WhenModal([](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Escape); });
    QVERIFY(!dlg.ask(QStringLiteral("Zeitenprotokoll  löschen?")));

    WhenModal([&](QWidget*) { QTest::mouseClick(dlg.CancelBtn, Qt::LeftButton); });
    QVERIFY(!dlg.ask(QStringLiteral("Beenden?")));
    QVERIFY(!dlg.isVisible());
}

void DlgYesNoTest::clickingJaAnswersYes() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    WhenModal([&](QWidget*) { QTest::mouseClick(dlg.OKBtn, Qt::LeftButton); });
    QVERIFY(dlg.ask(QStringLiteral("Beenden?")));
}

void DlgYesNoTest::focusReturnsToJaOnEveryShowing() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    // Tab to "Nein" and answer there with Enter: that is a no.
    WhenModal([&](QWidget* w) {
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(!dlg.ask(QStringLiteral("Beenden?")));
    // The next showing starts on "Ja" again.
    WhenModal([](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); });
    QVERIFY(dlg.ask(QStringLiteral("Beenden?")));
}

void DlgYesNoTest::closingTheWindowAnswersNo() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    WhenModal([](QWidget* w) { w->close(); });
    QVERIFY(!dlg.ask(QStringLiteral("Beenden?")));
}

void DlgYesNoTest::dialogsAskThroughTheDialog() {
    TFDlgYesNo dlg(QStringLiteral("Velkoran"));
    vk::QtDialogs dialogs(QStringLiteral("Velkoran"));
    dialogs.setYesNoDialog(&dlg);
    QWidget* asked = nullptr;
    WhenModal([&](QWidget* w) {
        asked = w;
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(dialogs.askYesNo("Zeitenprotokoll  löschen?"));
    QCOMPARE(asked, static_cast<QWidget*>(&dlg));
    QCOMPARE(dlg.Label1->text(), QStringLiteral("Zeitenprotokoll  löschen?"));

    WhenModal([](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Escape); });
    QVERIFY(!dialogs.askYesNo("Beenden?"));
}

void DlgYesNoTest::dialogsWithoutDialogUseATemporaryOne() {
    vk::QtDialogs dialogs(QStringLiteral("Strecke2"));
    QString caption;
    WhenModal([&](QWidget* w) {
        caption = w->windowTitle();
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(dialogs.askYesNo("Beenden?"));
    QCOMPARE(caption, QStringLiteral("Strecke2"));
    {
        // A dialog that went away is not used any more.
        auto* gone = new TFDlgYesNo(QStringLiteral("alt"));
        dialogs.setYesNoDialog(gone);
        delete gone;
    }
    WhenModal([&](QWidget* w) {
        caption = w->windowTitle();
        QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
    });
    QVERIFY(!dialogs.askYesNo("Beenden?"));
    QCOMPARE(caption, QStringLiteral("Strecke2"));
}

void DlgYesNoTest::reportsCarryTheTitle() {
    vk::QtDialogs dialogs(QStringLiteral("Velkoran"));
    QString caption, text;
    auto answer = [&](QWidget* w) {
        caption = w->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(w))
            text = box->text();
        QTest::keyClick(w, Qt::Key_Escape);
    };
    WhenModal(answer);
    dialogs.errorReport("Der Schreibfehler der Datei: /x/y.html");
    QCOMPARE(caption, QStringLiteral("Velkoran"));
    QCOMPARE(text, QStringLiteral("Der Schreibfehler der Datei: /x/y.html"));

    caption.clear();
    WhenModal(answer);
    dialogs.information("Hinweis äöü");
    QCOMPARE(caption, QStringLiteral("Velkoran"));
    QCOMPARE(text, QStringLiteral("Hinweis äöü"));
}

void DlgYesNoTest::infoTextNamesTheProgram() {
    const QString t = vk::InfoText(QStringLiteral("Strecke2"));
    QVERIFY(t.startsWith(QStringLiteral("Strecke2 v 0.5")));
    QVERIFY(t.contains(QStringLiteral("F1")));
}

void DlgYesNoTest::missingHelpPageIsReported() {
    vk::test::ScriptedDialogs report;
    vk::test::RecordingShell shell;
    const std::string path = QDir::tempPath().toStdString() + "/vk-missing/Velkoran-Hilfe.html";
    QVERIFY(!vk::ShowHelpPage(path, shell, &report));
    QCOMPARE(report.errors.size(), size_t(1));
    QVERIFY(report.errors[0].find(path) != std::string::npos);
    QVERIFY(!vk::ShowHelpPage(path, shell, nullptr));
    QVERIFY(shell.opened.empty());

    // A page that is there but that no program opens is reported too.
    QTemporaryDir dir;
    const std::string there = dir.filePath(QStringLiteral("Velkoran-Hilfe.html")).toStdString();
    QVERIFY(QFile(QString::fromStdString(there)).open(QIODevice::WriteOnly));
    shell.opens = false;
    QVERIFY(!vk::ShowHelpPage(there, shell, &report));
    QCOMPARE(report.errors.size(), size_t(2));
    shell.opens = true;
    QVERIFY(vk::ShowHelpPage(there, shell, &report));
    QCOMPARE(shell.opened, (std::vector<std::string>{there, there}));
    QCOMPARE(report.errors.size(), size_t(2));
}

QTEST_MAIN(DlgYesNoTest)
#include "DlgYesNoTest.moc"
