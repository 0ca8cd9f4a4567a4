#include "app/Program.h"
#include "app/TestPlatform.h"
#include "display/LbSpeedButton.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"

#include <QAction>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace vk;

// Joker, accident mark and next race reach the protocol from keys, buttons and the context
// menu, and their controls are enabled as the race allows.
class RowCommandsUiTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    test::TestPlatform platform;

private slots:
    void jokerAccidentAndNextRaceFromTheWindow() {
        Program program(platform.options(dir.filePath(QStringLiteral("Velkoran")).toStdString()));
        TFormMain& w = program.main();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const CellTable& t = w.table();
        auto cell = [&t](int c, int r) { return QString::fromStdString(t.Cell(c, r)); };
        auto rowOf = [&t](int n) { return t.FindRow(0, std::to_string(n), false); };
        auto key = [&w](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(&w, static_cast<Qt::Key>(k), m);
        };
        QToolButton* next = w.protocolPanel().button(QStringLiteral("sbNextKrug"));
        QAction* mAvaria = w.menu.at(QStringLiteral("mAvaria"));
        auto accidentEnabled = [&] {
            const bool on = mAvaria->isEnabled();
            return w.bAvaria1->isEnabled() == on && w.bAvaria2->isEnabled() == on ? int(on) : -1;
        };

        // The empty protocol's row has no start number: F4 does nothing.
        QCOMPARE(accidentEnabled(), 0);
        key(Qt::Key_F4);
        QVERIFY(t.IsRowEmpty(1));

        key(Qt::Key_F5);
        QCOMPARE(accidentEnabled(), 0); // a lane is timed
        QVERIFY(!next->isEnabled());
        QTest::qWait(20);
        key(Qt::Key_F8);
        QVERIFY(!next->isEnabled());
        key(Qt::Key_F9);
        QVERIFY(next->isEnabled());
        QCOMPARE(accidentEnabled(), 1);

        // Ctrl+J with a name being typed into the row: the typing is committed first, so a
        // later Esc cannot take it back.
        const int two = rowOf(2);
        TSortGrid* grid = w.protocolPanel().grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(two - 1, 1)).center());
        QTest::keyClick(grid, 'Z');
        QVERIFY(grid->editorActive());
        key(Qt::Key_J, Qt::ControlModifier);
        QVERIFY(!grid->editorActive());
        QCOMPARE(cell(9, two), QStringLiteral("+"));
        QTest::keyClick(grid, Qt::Key_Escape);
        QCOMPARE(cell(1, two), QStringLiteral("Z"));
        w.protocolPanel().action(QStringLiteral("Joker1"))->trigger();
        QCOMPARE(cell(9, two), QString());
        QTest::mouseClick(w.bAvaria2, Qt::LeftButton);
        for (int c = 6; c < t.ColCount(); ++c)
            QCOMPARE(cell(c, two), QStringLiteral("-"));

        w.menu.at(QStringLiteral("Neu1"))->trigger(); // Ctrl+N: row 3, the current row
        QCOMPARE(w.protocol().cursor().row, rowOf(3));
        key(Qt::Key_F4);
        QCOMPARE(cell(6, rowOf(3)), QStringLiteral("-"));

        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(t.RowCount(), 2); // only lane 1's winner is left
        QCOMPARE(cell(0, 1), QStringLiteral("1"));
        QCOMPARE(cell(9, 1), QStringLiteral("+"));
    }
};

QTEST_MAIN(RowCommandsUiTest)
#include "RowCommandsUiTest.moc"
