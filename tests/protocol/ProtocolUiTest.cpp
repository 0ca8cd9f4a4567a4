#include "protocol/ProtocolBackup.h"
#include "protocol/ProtocolPanel.h"
#include "protocol/SortGrid.h"

#include "ProtocolFiles.h"
#include "ScriptedFileChooser.h"
#include "support/ManualClock.h"
#include "support/Screenshot.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace vk;

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// Types text of any characters (QTest's char overloads take ASCII only).
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        const int key = c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode()
                                                                  : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

void saveScreenshot(QWidget* w, const char* name) {
    test::SaveScreenshot(w, name);
}

// A window holding a Protocol with its panel, as the main window will.
struct PanelWindow {
    CellTable table;
    test::ScriptedDialogs dialogs;
    Protocol protocol{table, dialogs};
    test::ScriptedFileChooser chooser;
    QWidget window;
    ProtocolPanel* panel;
    std::vector<std::tuple<int, bool, int>> numbers;

    PanelWindow() {
        protocol.onStartNumber = [this](int l, bool n, int v) { numbers.emplace_back(l, n, v); };
        panel = new ProtocolPanel(protocol, dialogs, &chooser, &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(panel->toolBar());
        layout->addWidget(panel->grid());
        window.resize(800, 400);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("window not active");
    }
    TSortGrid* grid() const { return panel->grid(); }
    QPoint cellCenter(int col, int row) const {
        return grid()->visualRect(grid()->model()->index(row - 1, col)).center();
    }
    void click(int col, int row) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(col, row));
    }
    // The open editor (closed ones wait for their deferred deletion).
    QLineEdit* editor() const {
        for (QLineEdit* e : grid()->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return nullptr;
    }
};

struct GridWindow {
    CellTable table{11, 2};
    QWidget window;
    TSortGrid* grid;
    GridWindow() {
        grid = new TSortGrid(table, &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        window.resize(600, 300);
        window.show();
    }
    std::vector<std::string> column(int col) const {
        std::vector<std::string> v;
        for (int r = 1; r < table.RowCount(); ++r)
            v.push_back(table.Cell(col, r));
        return v;
    }
    void clickHeader(int col, Qt::MouseButton button = Qt::LeftButton) {
        QHeaderView* h = grid->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), button, {}, p);
    }
};

} // namespace

class ProtocolUiTest : public QObject {
    Q_OBJECT

private slots:
    void gridFollowsAddRowAndDeleteRow() {
        GridWindow w;
        QCOMPARE(w.grid->model()->rowCount(), 1);
        w.table.AddRow({"1", "Meier"});
        QCOMPARE(w.grid->model()->rowCount(), 1);
        QCOMPARE(w.grid->model()->index(0, 1).data().toString(), QStringLiteral("Meier"));
        w.table.AddRow({"2", "Huber"});
        QCOMPARE(w.grid->model()->rowCount(), 2);
        w.table.DeleteRow(1);
        w.table.DeleteRow(1);
        QCOMPARE(w.table.RowCount(), 2);
        QCOMPARE(w.grid->model()->rowCount(), 1);
        QVERIFY(w.grid->model()->index(0, 0).data().toString().isEmpty());
        QCOMPARE(w.table.FindRow(0, "12", false), -1);
        w.table.AddRow({"012"});
        w.table.AddRow({"12 "});
        w.table.AddRow({"12"});
        QCOMPARE(w.table.FindRow(0, "12", false), 3);
        QCOMPARE(w.grid->model()->index(2, 0).data().toString(), QStringLiteral("12"));
    }

    void headerGeszeitShortenedAtFortyPixels() {
        GridWindow w;
        w.table.SetCell(8, 0, "Geszeit");
        w.grid->setColWidth(8, 40);
        const std::string shown = w.grid->shownHeaderText(8);
        const QString s = qs(shown);
        QVERIFY2(s.endsWith(QStringLiteral("..")), shown.c_str());
        QVERIFY(s.size() >= 3);
        QVERIFY(s.size() < 7);
        const QFontMetrics fm(w.grid->horizontalHeader()->font());
        QVERIFY(s.size() == 3 || fm.horizontalAdvance(s) <= 39);
        w.grid->setColWidth(8, 200);
        QCOMPARE(qs(w.grid->shownHeaderText(8)), QStringLiteral("Geszeit"));
    }

    void headerClickSortsNumericWithDashAndStableBothWays() {
        GridWindow w;
        for (auto [n, t] : std::vector<std::pair<std::string, std::string>>{
                 {"1", "10,5"}, {"2", "-"}, {"3", "9,25"}, {"4", "9,25"}, {"5", "100"}})
            w.table.AddRow({n, t});
        w.grid->SortOptions().SortStyle = ssNumeric;
        w.grid->setCurrentCell(0, 3); // row of number 3
        w.clickHeader(1);
        QCOMPARE(w.grid->SortOptions().SortCol, 1);
        QCOMPARE(w.column(0), (std::vector<std::string>{"2", "3", "4", "1", "5"}));
        QCOMPARE(w.grid->Row(), 2); // the current row went with its row
        w.clickHeader(1);           // second click on the sort column: descending
        QCOMPARE(w.grid->SortOptions().SortDirection, sdDescending);
        QCOMPARE(w.column(0), (std::vector<std::string>{"5", "1", "3", "4", "2"}));
        w.clickHeader(1, Qt::RightButton);
        QCOMPARE(w.grid->SortOptions().SortDirection, sdDescending);

        w.grid->SortOptions().CanSort = false;
        w.clickHeader(0);
        QCOMPARE(w.column(0), (std::vector<std::string>{"5", "1", "3", "4", "2"}));
    }

    void automaticStyleThroughTheGrid() {
        GridWindow w;
        for (const char* t : {"10", "9", "100"})
            w.table.AddRow({t});
        w.grid->SortOptions().SortStyle = ssAutomatic;
        w.grid->SortByColumn(0);
        QCOMPARE(w.grid->SortOptions().SortStyle, ssNumeric);
        QCOMPARE(w.column(0), (std::vector<std::string>{"9", "10", "100"}));
    }

    void updateOnSizeChangeSortsOnceTheRowIsWritten() {
        GridWindow w;
        w.table.AddRow({"5", "E"});
        w.table.AddRow({"7", "G"});
        w.grid->SortOptions().SortStyle = ssNumeric;
        w.grid->SortOptions().UpdateOnSizeChange = true;
        w.table.AddRow({"6", "F"});
        QCoreApplication::processEvents();
        QCOMPARE(w.column(0), (std::vector<std::string>{"5", "6", "7"}));
        QCOMPARE(w.column(1), (std::vector<std::string>{"E", "F", "G"}));
        w.grid->SortOptions().UpdateOnSizeChange = false;
        w.table.AddRow({"1", "A"});
        QCoreApplication::processEvents();
        QCOMPARE(w.column(0), (std::vector<std::string>{"5", "6", "7", "1"}));
    }

    void incrementalSearchPlusOnColumnNineWraps() {
        GridWindow w;
        for (int i = 1; i <= 5; ++i)
            w.table.AddRow({std::to_string(i)});
        w.table.SetCell(9, 2, "+");
        w.table.SetCell(9, 4, "+");
        w.grid->SortOptions().SortCol = 9;
        w.grid->setCurrentCell(0, 2);
        QTest::keyClick(w.grid, '+');
        QCOMPARE(w.grid->Row(), 4);
        QTest::keyClick(w.grid, '+');
        QCOMPARE(w.grid->Row(), 2); // wraps to the top
        QTest::keyClick(w.grid, 'x');
        QCOMPARE(w.grid->Row(), 2);
    }

    void autoSizeAndCheckBoxCells() {
        GridWindow w;
        w.table.AddRow({"1", "ein recht langer Name"});
        w.grid->AutoSizeColumn(1);
        const QFontMetrics fm(w.grid->font());
        QCOMPARE(w.grid->columnWidth(1),
                 fm.horizontalAdvance(QStringLiteral("ein recht langer Name")) +
                     fm.horizontalAdvance(QStringLiteral("X")));
        w.grid->AutoSizeColumn(5);
        QCOMPARE(w.grid->columnWidth(5), fm.horizontalAdvance(QStringLiteral("xx")));

        w.grid->onGetCellFormat = [](int col, int, int, CellFormat& f) { f.CheckBox = col == 2; };
        std::vector<bool> checks;
        w.grid->onSetChecked = [&](int, int, bool on) { checks.push_back(on); };
        const QPoint p = w.grid->visualRect(w.grid->model()->index(0, 2)).center();
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(qs(w.table.Cell(2, 1)), QStringLiteral("V"));
        QTest::keyClick(w.grid, Qt::Key_Space);
        QCOMPARE(qs(w.table.Cell(2, 1)), QString());
        QCOMPARE(checks, (std::vector<bool>{true, false}));
    }

    void cellValidationKeepsReplacesOrRestores() {
        GridWindow w;
        w.table.AddRow({"1", "alt"});
        w.table.SetModified(false);
        w.grid->setEditing(true);
        w.grid->setRowSelect(false);
        w.grid->onCellValidate = [](int, int, const std::string& old, std::string& text,
                                    bool& valid) {
            if (text == "leer")
                valid = false; // no replacement: the old text comes back
            else if (text == "klein") {
                valid = false;
                text = "Klein";
            } else if (old == "x")
                text += "!";
        };
        QAbstractItemModel* m = w.grid->model();
        QVERIFY(!m->setData(m->index(0, 1), QStringLiteral("leer")));
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("alt"));
        QVERIFY(!w.table.Modified());
        QVERIFY(m->setData(m->index(0, 1), QStringLiteral("klein")));
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("Klein"));
        QVERIFY(w.table.Modified());
        w.table.SetCell(1, 1, "x");
        QVERIFY(m->setData(m->index(0, 1), QStringLiteral("y")));
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("y!"));
    }

    void extendedKeysInsertAndDeleteRowsAndColumns() {
        GridWindow w;
        w.table.AddRow({"1"});
        w.table.AddRow({"2"});
        QTest::keyClick(w.grid, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(w.table.RowCount(), 3); // off by default
        w.grid->ExtendedKeys = true;
        w.grid->setCurrentCell(0, 2);
        QTest::keyClick(w.grid, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(w.column(0), (std::vector<std::string>{"1", "", "2"}));
        QCOMPARE(w.grid->model()->rowCount(), 3);
        w.grid->setCurrentCell(0, 1);
        QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w.table.RowCount(), 2); // never below one data row
        QTest::keyClick(w.grid, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.table.ColCount(), 12);
        QCOMPARE(w.grid->model()->columnCount(), 12);
        for (int i = 0; i < 13; ++i)
            QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.table.ColCount(), 1);
    }

    void goToCellScrollsAndAsksTheOwner() {
        GridWindow w;
        for (int i = 1; i <= 200; ++i)
            w.table.AddRow({std::to_string(i)});
        std::vector<std::pair<int, int>> asked;
        w.grid->onSelectCell = [&](int col, int row, bool& can) {
            asked.emplace_back(col, row);
            can = col != 5;
        };
        w.grid->GoToCell(40, 120, true);
        QCOMPARE(asked.back(), (std::pair<int, int>{10, 120}));
        QCOMPARE(w.grid->Row(), 120);
        QCOMPARE(w.grid->firstVisibleRow(), 119);
        w.grid->GoToCell(5, 3, false);
        QCOMPARE(w.grid->Row(), 120); // refused
        w.grid->GoToCell(0, 999, true);
        QCOMPARE(w.grid->Row(), 200);
        QCOMPARE(w.grid->firstVisibleRow(), 201 - w.grid->visibleDataRows());
    }

    void doubleClickOnHeaderBorderAutoSizes() {
        GridWindow w;
        w.table.AddRow({"1", "ein ziemlich langer Name"});
        QHeaderView* h = w.grid->horizontalHeader();
        const int right = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
        QTest::mouseDClick(h->viewport(), Qt::LeftButton, {}, QPoint(right, h->height() / 2));
        const QFontMetrics fm(w.grid->font());
        QCOMPARE(w.grid->columnWidth(1),
                 fm.horizontalAdvance(QStringLiteral("ein ziemlich langer Name")) +
                     fm.horizontalAdvance(QStringLiteral("X")));
    }

    void ellipsisCellsReportClicksAtTheirRightEnd() {
        GridWindow w;
        w.table.AddRow({"1", "a"});
        w.grid->onGetCellFormat = [](int col, int, int, CellFormat& f) { f.Ellipsis = col == 1; };
        int raised = 0;
        w.grid->onSetEllipsis = [&](int col, int row) {
            QCOMPARE(col, 1);
            QCOMPARE(row, 1);
            ++raised;
        };
        const QRect r = w.grid->visualRect(w.grid->model()->index(0, 1));
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + 3, r.center().y()));
        QCOMPARE(raised, 0);
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {},
                          QPoint(r.right() - 4, r.center().y()));
        QCOMPARE(raised, 1);
        QTest::keyClick(w.grid, Qt::Key_Space);
        QCOMPARE(raised, 2);
    }

    void panelToolBarButtonsAndMenus() {
        PanelWindow w;
        QWidget* bar = w.panel->toolBar();
        QCOMPARE(bar->objectName(), QStringLiteral("Panel4"));
        QCOMPARE(bar->size(), QSize(351, 43));
        QCOMPARE(w.grid()->objectName(), QStringLiteral("SortGrid1"));
        const std::vector<std::pair<const char*, const char*>> hints = {
            {"sbLoad", "Öffnen"},
            {"sbSave", "Speichern unter..."},
            {"sbExcel", "Datei in MS Excel"},
            {"sbInet", "Als Webseite"},
            {"sbNextKrug", "Folgenden Rennen"},
            {"sbPrint", "Drucken"},
            {"sbCLS", "Löschen (F8)"}};
        for (auto [name, hint] : hints) {
            QToolButton* b = bar->findChild<QToolButton*>(QString::fromLatin1(name));
            QVERIFY2(b, name);
            QCOMPARE(b->toolTip(), QString::fromUtf8(hint));
        }
        auto enabled = [&](const char* n) {
            return bar->findChild<QToolButton*>(QString::fromLatin1(n))->isEnabled();
        };
        for (const char* n : {"sbCLS", "sbPrint", "sbExcel", "sbSave", "sbInet"})
            QVERIFY2(!enabled(n), n);
        QVERIFY(enabled("sbLoad"));
        QVERIFY(enabled("sbNextKrug"));

        QMenu* menu = w.panel->popupMenu();
        QCOMPARE(menu->objectName(), QStringLiteral("PopupMenuProtokol"));
        QCOMPARE(w.panel->action("Erase1")->text(), QStringLiteral("Zeile entfernen (Strg+0)"));
        QVERIFY(!w.panel->action("mPlatz")->isVisible());
        QVERIFY(!w.panel->action("SortierenKlassenZeit1")->isVisible());
        QVERIFY(!w.panel->klassSortEnabled());
        w.panel->setKlassSortEnabled(true);
        QVERIFY(w.panel->klassSortEnabled());
        // A new row (Ctrl+N in the main window) adds row 1, and the buttons follow.
        w.panel->Neuezeile1Click();
        QCOMPARE(qs(w.table.Cell(0, 1)), QStringLiteral("1"));
        for (const char* n : {"sbCLS", "sbPrint", "sbExcel", "sbSave", "sbInet"})
            QVERIFY2(enabled(n), n);
        w.panel->Erase1Click();
        QVERIFY(w.table.IsRowEmpty(1));
        QVERIFY(!enabled("sbSave"));

        // The context menu brings the buttons up to date before it opens.
        w.table.SetCell(0, 1, "8");
        QVERIFY(!enabled("sbSave"));
        emit w.grid()->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(enabled("sbSave"));
        QVERIFY(menu->isVisible());
        menu->hide();

        // Resize rule: column 10 hidden, column 1 gets the rest.
        const auto widths = ProtocolColumnWidths(w.grid()->viewport()->width());
        QCOMPARE(w.grid()->colWidth(1), widths[1]);
        QCOMPARE(w.grid()->colWidth(10), -1);
    }

    void newRowNumbersAndEditingInTheGrid() {
        PanelWindow w;
        w.panel->Neuezeile1Click();
        w.panel->Neuezeile1Click();
        QCOMPARE(qs(w.table.Cell(0, 2)), QStringLiteral("2"));
        QCOMPARE(w.grid()->Row(), 2);
        QCOMPARE(w.grid()->Col(), 0);
        QVERIFY(w.grid()->editing());
        QVERIFY(!w.grid()->rowSelect());
    }

    void letterInStartNumberColumnDoesNothing() {
        PanelWindow w;
        w.table.AddRow({"", "Meier"});
        w.click(0, 1);
        QVERIFY(w.grid()->editing());
        QTest::keyClick(w.grid(), 'a');
        QVERIFY(!w.grid()->editorActive());
        QCOMPARE(qs(w.table.Cell(0, 1)), QString());
        QTest::keyClick(w.grid(), '4');
        QLineEdit* e = w.editor();
        QVERIFY(e);
        QTest::keyClicks(e, "x2");
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClick(e, '7');
        QTest::keyClick(e, Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor commits through a queued call
        QCOMPARE(qs(w.table.Cell(0, 1)), QStringLiteral("47"));

        // In the name column letters work.
        w.click(1, 1);
        QTest::keyClick(w.grid(), 'K');
        QVERIFY(w.editor());
        typeText(w.editor(), QStringLiteral("ühn"));
        QTest::keyClick(w.editor(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor commits through a queued call
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("Kühn"));

        // Esc in an open editor drops the typing and returns to whole-row browsing.
        QTest::keyClick(w.grid(), 'X');
        QVERIFY(w.editor());
        QTest::keyClick(w.editor(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("Kühn"));
        QCOMPARE(w.protocol.mode(), Protocol::Mode::Browse);
        QVERIFY(w.grid()->rowSelect());
        QVERIFY(!w.grid()->editing());
    }

    void clickOnTimeCellSelectsRowWithoutEditor() {
        PanelWindow w;
        w.table.AddRow({"1", "A", "", "", "0,5", "1,1", "80,0", "5,1", "5,6"});
        w.table.AddRow({"2", "B", "", "", "0,6", "1,2", "81,0", "5,2", "5,8"});
        w.click(1, 1);
        QVERIFY(w.grid()->editing());
        w.click(7, 2);
        QCOMPARE(w.protocol.mode(), Protocol::Mode::Browse);
        QVERIFY(w.grid()->rowSelect());
        QVERIFY(!w.grid()->editing());
        QCOMPARE(w.grid()->Row(), 2);
        QVERIFY(w.grid()->Col() != 7);
        QVERIFY(w.grid()->selectionModel()->isRowSelected(1, {}));
        QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, {}, w.cellCenter(7, 2));
        QTest::keyClick(w.grid(), '9');
        QVERIFY(!w.grid()->editorActive());
        QCOMPARE(qs(w.table.Cell(7, 2)), QStringLiteral("5,2"));
    }

    void dropDownStoresEntryZeroForUnknownText() {
        PanelWindow w;
        w.table.AddRow({"1", "A", "", "x"});
        w.click(3, 1);
        QListWidget* list = w.grid()->comboList();
        QVERIFY(w.grid()->comboVisible());
        saveScreenshot(&w.window, "protocol_dropdown.png");
        QCOMPARE(list->count(), 7);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(list->item(6)->text(), QStringLiteral("7"));
        // Leaving the list (a click elsewhere) stores the highlighted entry.
        w.click(1, 1);
        QVERIFY(!w.grid()->comboVisible());
        QCOMPARE(qs(w.table.Cell(3, 1)), QStringLiteral("1"));

        w.click(3, 1);
        QVERIFY(w.grid()->comboVisible());
        QCOMPARE(list->currentRow(), 0); // the cell's own text is highlighted
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(qs(w.table.Cell(3, 1)), QStringLiteral("3"));

        // Focus leaving the list stores what it highlights; Esc stores nothing.
        w.click(3, 1);
        QCOMPARE(list->currentRow(), 2);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(list->hasFocus());
        w.grid()->setFocus();
        QVERIFY(!w.grid()->comboVisible());
        QCOMPARE(qs(w.table.Cell(3, 1)), QStringLiteral("4"));
        w.click(3, 1);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!w.grid()->comboVisible());
        QCOMPARE(qs(w.table.Cell(3, 1)), QStringLiteral("4"));

        // Rows deleted while the list is open: the list closes without storing.
        w.table.AddRow({"2", "B", "", "6"});
        w.click(3, 1);
        QVERIFY(w.grid()->comboVisible());
        w.panel->Erase1Click();
        QVERIFY(!w.grid()->comboVisible());
        QCOMPARE(qs(w.table.Cell(3, 1)), QStringLiteral("6"));

        // In browse mode no list is offered.
        w.click(5, 1);
        w.protocol.BrowseMode();
        QVERIFY(!w.grid()->OpenComboBox(3, 1));
    }

    void dropDownFloatsOverTheFormTheGridWasPlacedIn() {
        CellTable table(4, 2);
        table.AddRow({"1", "", "", "b"});
        QWidget form;
        auto* grid = new TSortGrid(table); // placed after construction, as a window does
        auto* layout = new QVBoxLayout(&form);
        layout->addWidget(grid);
        form.resize(300, 200);
        form.show();
        grid->setEditing(true);
        grid->onGetCellFormat = [](int col, int, int, CellFormat& f) { f.Combobox = col == 3; };
        std::vector<std::string> stored;
        grid->onGetComboBox = [](int, int, std::vector<std::string>& items, int&, int&, bool&) {
            items = {"c", "a", "b"};
        };
        grid->onSetComboBox = [&](int, int, const std::string& t) { stored.push_back(t); };
        QVERIFY(grid->OpenComboBox(3, 1));
        QCOMPARE(grid->comboList()->parentWidget(), &form);
        QCOMPARE(grid->comboList()->item(0)->text(), QStringLiteral("a")); // sorted by default
        QCOMPARE(grid->comboList()->currentItem()->text(), QStringLiteral("b"));
        QTest::keyClick(grid->comboList(), Qt::Key_Up);
        QTest::keyClick(grid->comboList(), Qt::Key_Space);
        QCOMPARE(stored, std::vector<std::string>{"a"});
        QCOMPARE(qs(table.Cell(3, 1)), QStringLiteral("a"));
        grid->onGetComboBox = [](int, int, std::vector<std::string>&, int&, int&, bool&) {};
        QVERIFY(!grid->OpenComboBox(3, 1)); // an empty list opens nothing
    }

    void windowMembersMayDieBeforeThePanel() {
        // As in a main window: the Protocol and its table are members, the panel and grid
        // children that are deleted after them.
        auto table = std::make_unique<CellTable>();
        test::ScriptedDialogs dialogs;
        auto protocol = std::make_unique<Protocol>(*table, dialogs);
        auto window = std::make_unique<QWidget>();
        auto* panel = new ProtocolPanel(*protocol, dialogs, nullptr, window.get());
        QPointer<TSortGrid> grid = panel->grid();
        window->show();
        protocol->NewRow();
        QCOMPARE(grid->model()->rowCount(), 1);
        protocol.reset();
        table.reset();
        QVERIFY(grid->detached());
        QCOMPARE(grid->model()->rowCount(), 0);
        QTest::keyClick(grid, 'a'); // input after the table died is ignored
        window->resize(500, 300);
        window.reset(); // must not touch the dead table or protocol
        QVERIFY(grid.isNull());

        // And the other way round: a panel gone before the protocol leaves it usable.
        CellTable t2;
        Protocol p2(t2, dialogs);
        {
            QWidget w;
            new ProtocolPanel(p2, dialogs, nullptr, &w);
        }
        p2.NewRow();
        p2.statusText("ok");
        QCOMPARE(qs(t2.Cell(0, 1)), QStringLiteral("1"));
    }

    void clearAnsweredNeinChangesNothing() {
        PanelWindow w;
        w.table.AddRow({"1", "A"});
        w.table.AddRow({"2", "B"});
        w.protocol.UpdateProtocolButtons();
        w.dialogs.answer = false;
        w.panel->button("sbCLS")->click();
        QCOMPARE(w.dialogs.questions.size(), size_t(1));
        QCOMPARE(w.table.RowCount(), 3);
        QVERIFY(w.panel->button("sbCLS")->isEnabled());
        w.dialogs.answer = true;
        w.panel->button("sbCLS")->click();
        QCOMPARE(w.table.RowCount(), 2);
        QCOMPARE(w.grid()->model()->rowCount(), 1);
        QVERIFY(!w.panel->button("sbCLS")->isEnabled());
    }

    void saveAndOpenThroughTheChooser() {
        test::TempFolder dir;
        PanelWindow w;
        w.panel->setClock([] { return std::chrono::system_clock::from_time_t(0); });
        w.table.AddRow({"1", "Jäger"});
        w.table.AddRow({"2", "Öz"});
        const std::string path = dir.file("p.txt");
        w.chooser.answers = {FileChooser::Choice{path, 0}};
        w.panel->sbSaveClick();
        QCOMPARE(w.chooser.saveAsked.size(), size_t(1));
        QCOMPARE(w.chooser.saveAsked[0], DateStampName(std::chrono::system_clock::from_time_t(0)));
        QVERIFY(test::ReadBytes(path).find("Jäger") != std::string::npos);

        w.protocol.RemoveResults();
        w.table.SetRowCount(2);
        w.table.ClearRow(1);
        w.chooser.answers = {std::nullopt};
        w.panel->sbLoadClick(); // cancel
        QVERIFY(w.table.IsRowEmpty(1));
        w.chooser.answers = {FileChooser::Choice{path, 0}};
        w.panel->sbLoadClick();
        QCOMPARE(w.chooser.folders.back(), dir.path.string()); // open starts where save went
        QCOMPARE(w.grid()->model()->rowCount(), 2);
        QCOMPARE(qs(w.table.Cell(1, 2)), QStringLiteral("Öz"));
        QCOMPARE(w.numbers.size(), size_t(2));
        QVERIFY(w.panel->button("sbSave")->isEnabled());
    }

    void unreadableFileOnOpenLeavesTableAndSaysSo() {
        test::TempFolder dir;
        PanelWindow w;
        QSignalSpy status(w.panel, &ProtocolPanel::statusText);
        w.table.AddRow({"1", "Bleibt"});
        w.chooser.answers = {FileChooser::Choice{dir.path.string(), 0},
                             FileChooser::Choice{dir.file("weg.txt"), 0}};
        w.panel->sbLoadClick();
        w.panel->sbLoadClick();
        QCOMPARE(qs(w.table.Cell(1, 1)), QStringLiteral("Bleibt"));
        QCOMPARE(w.grid()->model()->rowCount(), 1);
        QCOMPARE(status.count(), 2);
        QVERIFY(
            status.at(0).at(0).toString().contains(QStringLiteral("konnte nicht gelesen werden")));
    }

    void loadingNotifiesTheGridOnce() {
        test::TempFolder dir;
        std::string text = "Nr.\tName\t\r\n";
        for (int r = 1; r <= 500; ++r)
            text += std::to_string(r) + "\tName\t\r\n";
        test::WriteBytes(dir.file("viele.txt"), text);
        PanelWindow w;
        QSignalSpy resets(w.grid()->model(), &QAbstractItemModel::modelReset);
        QSignalSpy cells(w.grid()->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(w.grid()->model(), &QAbstractItemModel::rowsInserted);
        QCOMPARE(w.protocol.ReadProtocolText(dir.file("viele.txt")), ReadStatus::Ok);
        QCOMPARE(w.grid()->model()->rowCount(), 500);
        QCOMPARE(resets.count() + cells.count() + inserted.count(), 1);
    }

    void confirmedNameReachesBackupSoonAndRestartBringsRowsBack() {
        test::TempFolder dir;
        test::ManualClock clock;
        test::PostQueue posted;
        const std::string path = dir.file("Velkoran-Sicherungsdatei.txt");
        {
            PanelWindow w;
            BackupWriter backup(w.protocol, clock, path, posted.poster());
            backup.LoadAtStartup();
            w.panel->Neuezeile1Click();
            w.click(1, 1);
            QTest::keyClick(w.grid(), 'S');
            QVERIFY(w.editor());
            QTest::keyClicks(w.editor(), "chulz");
            QTest::keyClick(w.editor(), Qt::Key_Return);
            QCoreApplication::processEvents(); // the editor commits through a queued call
            clock.advance(BackupWriter::kOperatorMs);
            backup.WaitForWrites();
            QVERIFY(test::ReadBytes(path).find("1\tSchulz\t") != std::string::npos);
            // A race result: the lane stop asks for a write.
            w.table.SetCell(8, 1, "5,432");
            backup.RequestWrite();
            backup.WaitForWrites();
            QVERIFY(test::ReadBytes(path).find("5,432") != std::string::npos);
            w.table.SetCell(9, 1, "+");
            backup.WriteNow(); // shutdown
        }
        PanelWindow again;
        BackupWriter backup(again.protocol, clock, path, posted.poster());
        QCOMPARE(backup.LoadAtStartup(), ReadStatus::Ok);
        QCOMPARE(again.grid()->model()->rowCount(), 1);
        QCOMPARE(again.grid()->model()->index(0, 1).data().toString(), QStringLiteral("Schulz"));
        QCOMPARE(qs(again.table.Cell(9, 1)), QStringLiteral("+"));
        QVERIFY(again.panel->button("sbSave")->isEnabled());
        QVERIFY(again.grid()->rowSelect());
    }
};

QTEST_MAIN(ProtocolUiTest)
#include "ProtocolUiTest.moc"
