#include "protocol/SortGrid.h"

#include "protocol/SortGridParts.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace vk {

TSortGrid::TSortGrid(CellTable& table, QWidget* parent) : QTableView(parent), table_(&table) {
    model_ = new CellTableModel(table, this);
    header_ = new SortGridHeader(this);
    setHorizontalHeader(header_);
    setModel(model_);
    // A double click at a border sizes by our own rule, not by Qt's size hints.
    disconnect(header_, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    delegate_ = new SortGridDelegate(this);
    setItemDelegate(delegate_);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(19);
    horizontalHeader()->setDefaultSectionSize(48);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setRowSelect(true);
    setEditing(false);

    auto* list = new ComboList(this);
    list->onTake = [this] { commitCombo(); };
    list->onCancel = [this] { cancelCombo(); };
    list->onTab = [this](bool next) {
        commitCombo();
        tabTo(next);
    };
    combo_ = list;
    combo_->setObjectName(QStringLiteral("SortGridComboList"));
    combo_->setFocusPolicy(Qt::StrongFocus);
    combo_->hide();

    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        // Rows may have moved: an open list must not store into whatever row now has its
        // number.
        cancelCombo();
        savedCol_ = Col();
        savedRow_ = Row();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        const GridCell c =
            ClampToDataCell(savedCol_, savedRow_, table_->ColCount(), table_->RowCount());
        setCurrentCell(c.col, c.row);
    });
    if (model_->rowCount() > 0)
        setCurrentCell(0, 1);
}

TSortGrid::~TSortGrid() {
    // The list may live on the form rather than on the grid.
    if (combo_) {
        static_cast<ComboList*>(combo_.data())->onTake = nullptr;
        static_cast<ComboList*>(combo_.data())->onCancel = nullptr;
        if (combo_->parentWidget() != this)
            delete combo_.data();
    }
}

void TSortGrid::tableGone() {
    table_ = nullptr;
    onGetCellFormat = nullptr;
    onSelectCell = nullptr;
    onCurrentChanged = nullptr;
    onKeyPress = nullptr;
    onKeyDown = nullptr;
    onGetComboBox = nullptr;
    onSetComboBox = nullptr;
    onSetChecked = nullptr;
    onSetEllipsis = nullptr;
    onCellValidate = nullptr;
    onCellEdited = nullptr;
    onResized = nullptr;
    if (combo_) {
        static_cast<ComboList*>(combo_.data())->onTake = nullptr;
        combo_->hide();
    }
}

QModelIndex TSortGrid::indexOf(int col, int row) const {
    return model_->index(row - 1, col);
}

int TSortGrid::Col() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : 0;
}

int TSortGrid::Row() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 1;
}

void TSortGrid::applyEditTriggers() {
    setEditTriggers(editing_
                        ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed
                        : QAbstractItemView::NoEditTriggers);
}

void TSortGrid::setEditing(bool on) {
    editing_ = on;
    applyEditTriggers();
}

void TSortGrid::setRowSelect(bool on) {
    rowSelect_ = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && selectionModel())
        selectionModel()->select(
            cur, QItemSelectionModel::ClearAndSelect |
                     (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    viewport()->update();
}

void TSortGrid::setCurrentCell(int col, int row) {
    const QModelIndex i = indexOf(col, row);
    if (!i.isValid())
        return;
    selectionModel()->setCurrentIndex(
        i, QItemSelectionModel::ClearAndSelect |
               (rowSelect_ ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    viewport()->update();
}

bool TSortGrid::askSelect(int col, int row) {
    bool can = true;
    if (onSelectCell)
        onSelectCell(col, row, can);
    return can;
}

void TSortGrid::GoToCell(int col, int row, bool scroll) {
    if (detached())
        return;
    const GridCell c = ClampToDataCell(col, row, table_->ColCount(), table_->RowCount());
    if (askSelect(c.col, c.row))
        setCurrentCell(c.col, c.row);
    if (scroll) {
        scrollTo(indexOf(c.col, c.row));
        verticalScrollBar()->setValue(ScrollTopRow(c.row, table_->RowCount(), visibleDataRows()) -
                                      1);
    }
}

int TSortGrid::visibleDataRows() const {
    const int h = verticalHeader()->defaultSectionSize();
    return std::max(1, viewport()->height() / std::max(h, 1));
}

int TSortGrid::firstVisibleRow() const {
    return verticalScrollBar()->value() + 1;
}

void TSortGrid::AutoSizeColumn(int col) {
    if (detached())
        return;
    const QFontMetrics fm(font());
    const bool sorted = table_->SortOptions.CanSort && table_->SortOptions.SortCol == col;
    setColumnWidth(col, AutoSizeWidth(*table_, col, sorted, [&fm](const std::string& s) {
                       return fm.horizontalAdvance(shown(s));
                   }));
}

void TSortGrid::SortByColumn(int col) {
    if (detached())
        return;
    const int col0 = Col(), row0 = Row();
    const std::vector<int> order = table_->SortByColumn(col);
    if (order.empty())
        return;
    const auto at = std::find(order.begin(), order.end(), row0);
    if (at != order.end())
        setCurrentCell(col0, static_cast<int>(at - order.begin()) + 1);
    header_->viewport()->update();
}

void TSortGrid::setColWidth(int col, int width) {
    if (width < 0) {
        setColumnHidden(col, true);
        return;
    }
    setColumnHidden(col, false);
    // The width is the cell's; the grid line right of it comes on top, as the resize rule
    // counts it.
    setColumnWidth(col, width + gridLineWidth());
}

int TSortGrid::colWidth(int col) const {
    return isColumnHidden(col) ? -1 : columnWidth(col) - gridLineWidth();
}

int TSortGrid::gridLineWidth() const {
    return showGrid() ? 1 : 0;
}

CellFormat TSortGrid::cellFormat(int col, int row, int state) const {
    CellFormat f;
    if (detached())
        return f;
    f.AlignmentHorz = AlignmentHorz;
    f.AlignmentVert = AlignmentVert;
    f.BevelStyle = BevelStyle;
    if (onGetCellFormat)
        onGetCellFormat(col, row, state, f);
    return f;
}

std::string TSortGrid::shownHeaderText(int col) const {
    if (detached())
        return {};
    return header_->shownText(col);
}

bool TSortGrid::comboVisible() const {
    return combo_->isVisible();
}

bool TSortGrid::OpenComboBox(int col, int row) {
    if (detached())
        return false;
    if (!cellFormat(col, row).Combobox || !onGetComboBox)
        return false;
    std::vector<std::string> items;
    int width = 0, height = 0;
    bool sorted = true;
    onGetComboBox(col, row, items, width, height, sorted);
    if (items.empty()) {
        cancelCombo();
        return false;
    }
    // The list floats over the form, which is known only once the grid has been placed.
    if (combo_->parentWidget() != window()) {
        combo_->setParent(window());
        combo_->hide();
    }
    combo_->clear();
    for (const auto& s : items)
        combo_->addItem(qs(s));
    if (sorted)
        combo_->sortItems();
    combo_->setFont(font());
    const QList<QListWidgetItem*> same =
        combo_->findItems(qs(table_->Cell(col, row)), Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo_->setCurrentRow(same.isEmpty() ? 0 : combo_->row(same.first()));

    QWidget* form = combo_->parentWidget() ? combo_->parentWidget() : this;
    const QRect cell = visualRect(indexOf(col, row));
    const QPoint topLeft = viewport()->mapTo(form, cell.topLeft());
    const int entry = std::max(combo_->sizeHintForRow(0), 1);
    const int count = combo_->count();
    const int h = (height != 0 || count >= 10 ? 10 : count) * entry + 5;
    const int w = width != 0 ? width : cell.width() + 1;
    int top = topLeft.y();
    if (form != this && top + h > form->height())
        top = std::max(0, form->height() - h);
    combo_->setGeometry(topLeft.x() + 2, top, w, h);
    comboCol_ = col;
    comboRow_ = row;
    combo_->show();
    combo_->raise();
    combo_->setFocus(Qt::PopupFocusReason);
    return true;
}

void TSortGrid::commitCombo() {
    if (detached())
        return;
    if (comboClosing_ || !combo_->isVisible())
        return;
    comboClosing_ = true;
    const int col = comboCol_, row = comboRow_;
    QListWidgetItem* item = combo_->currentItem();
    const std::string text = item ? us(item->text()) : std::string();
    combo_->hide();
    comboClosing_ = false;
    if (item && row >= 1 && row < table_->RowCount()) {
        table_->SetCell(col, row, text);
        setFocus(Qt::OtherFocusReason);
        if (onSetComboBox)
            onSetComboBox(col, row, text);
        if (onCellEdited)
            onCellEdited(col, row);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
    viewport()->update();
}

void TSortGrid::cancelCombo() {
    if (!combo_->isVisible())
        return;
    comboClosing_ = true;
    combo_->hide();
    comboClosing_ = false;
    setFocus(Qt::OtherFocusReason);
}

void TSortGrid::toggleCheck(int col, int row) {
    if (detached())
        return;
    const bool checked = !IsCheckedText(table_->Cell(col, row));
    table_->SetCell(col, row, checked ? "V" : "");
    table_->SetModified(true);
    if (onSetChecked)
        onSetChecked(col, row, checked);
    if (onCellEdited)
        onCellEdited(col, row);
}

bool TSortGrid::filterTypedKey(std::string& key) {
    if (onKeyPress)
        onKeyPress(key);
    return !key.empty();
}

void TSortGrid::editorKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (onKeyDown)
        onKeyDown(key, modifiers);
}

void TSortGrid::editorOpened(QWidget* editor, int col, int row) {
    if (detached())
        return;
    editor_ = editor;
    origin_ = EditOrigin{col, row, table_->Cell(col, row), true};
}

void TSortGrid::liveEdit(int col, int row, const std::string& text) {
    if (detached())
        return;
    table_->SetCell(col, row, text);
    table_->SetModified(true);
}

void TSortGrid::revertEdit() {
    if (detached() || !origin_.valid)
        return;
    table_->SetCell(origin_.col, origin_.row, origin_.text);
    origin_.valid = false;
}

void TSortGrid::commitEditor() {
    if (editorActive() && editor_) {
        commitData(editor_);
        closeEditor(editor_, QAbstractItemDelegate::NoHint);
    }
}

bool TSortGrid::storeEdit(int col, int row, const std::string& text) {
    if (detached())
        return false;
    // Typing already put the text into the cell: what counts is the text before the editor
    // opened.
    const bool opened = origin_.valid && origin_.col == col && origin_.row == row;
    const std::string old = opened ? origin_.text : table_->Cell(col, row);
    if (opened)
        origin_.text = text;
    if (old == text) {
        table_->SetCell(col, row, text);
        return true;
    }
    std::string next = text;
    bool valid = true;
    if (onCellValidate)
        onCellValidate(col, row, old, next, valid);
    if (!valid) {
        // The handler's replacement, or the old text when it offers none.
        if (next == text)
            next = old;
    }
    if (opened)
        origin_.text = next;
    table_->SetCell(col, row, next);
    if (next == old)
        return false;
    table_->SetModified(true);
    if (onCellEdited)
        onCellEdited(col, row);
    return true;
}

void TSortGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    // Tabbing from an open editor into a drop-down cell opens its list, as a click does.
    if ((hint == QAbstractItemDelegate::EditNextItem ||
         hint == QAbstractItemDelegate::EditPreviousItem) &&
        !detached() && editing_ && cellFormat(Col(), Row()).Combobox)
        OpenComboBox(Col(), Row());
}

void TSortGrid::keyPressEvent(QKeyEvent* event) {
    if (detached()) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (onKeyDown)
        onKeyDown(event->key(), event->modifiers());
    if (ExtendedKeys && !editorActive() && (event->modifiers() & Qt::ControlModifier) &&
        (event->key() == Qt::Key_Insert || event->key() == Qt::Key_Delete)) {
        const bool columns = event->modifiers() & Qt::ShiftModifier;
        const int col = Col(), row = Row();
        if (event->key() == Qt::Key_Insert && columns)
            table_->InsertColumn(col);
        else if (event->key() == Qt::Key_Insert)
            table_->InsertRow(row);
        else if (columns && table_->ColCount() > 1)
            table_->DeleteColumn(col);
        else if (!columns && table_->RowCount() > 2)
            table_->DeleteRow(row);
        event->accept();
        return;
    }
    std::string key = typedKey(event);
    if (!editorActive() && !key.empty() && key != "\b" && key != " ") {
        const int row = IncrementalSearchRow(*table_, table_->SortOptions.SortCol, Row(), key);
        if (row > 0)
            GoToCell(table_->SortOptions.SortCol, row, true);
    }
    if (!key.empty() && !filterTypedKey(key)) {
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && editing_ &&
        !editorActive()) {
        const QModelIndex cur = currentIndex();
        if (cur.isValid() && cellFormat(Col(), Row()).Combobox)
            OpenComboBox(Col(), Row());
        else if (cur.isValid())
            QTableView::edit(cur, QAbstractItemView::EditKeyPressed, event);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && !editorActive()) {
        const CellFormat f = cellFormat(Col(), Row());
        if (f.Combobox || f.CheckBox || f.Ellipsis) {
            event->accept(); // acts on release
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TSortGrid::keyReleaseEvent(QKeyEvent* event) {
    if (detached()) {
        QTableView::keyReleaseEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Space && !editorActive() && !event->isAutoRepeat()) {
        const int col = Col(), row = Row();
        const CellFormat f = cellFormat(col, row);
        if (f.Combobox)
            OpenComboBox(col, row);
        else if (f.CheckBox)
            toggleCheck(col, row);
        else if (f.Ellipsis && onSetEllipsis)
            onSetEllipsis(col, row);
    }
    QTableView::keyReleaseEvent(event);
}

void TSortGrid::mousePressEvent(QMouseEvent* event) {
    if (detached()) {
        QTableView::mousePressEvent(event);
        return;
    }
    if (combo_->isVisible())
        commitCombo();
    const QModelIndex i = indexAt(event->position().toPoint());
    pressed_ = i;
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    if (!i.isValid()) {
        QTableView::mousePressEvent(event);
        return;
    }
    if (askSelect(i.column(), i.row() + 1))
        QTableView::mousePressEvent(event);
    else
        event->accept();
}

void TSortGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (detached()) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    const QModelIndex i = indexAt(event->position().toPoint());
    const bool same = i.isValid() && i == pressed_ && event->button() == Qt::LeftButton;
    QTableView::mouseReleaseEvent(event);
    if (!same || i != currentIndex())
        return;
    const int col = i.column(), row = i.row() + 1;
    const CellFormat f = cellFormat(col, row);
    if (f.Combobox) {
        OpenComboBox(col, row);
    } else if (f.CheckBox) {
        toggleCheck(col, row);
    } else if (f.Ellipsis && onSetEllipsis) {
        const QRect r = visualRect(i);
        if (event->position().toPoint().x() >= r.right() - 16)
            onSetEllipsis(col, row);
    }
}

void TSortGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (detached()) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    const QModelIndex i = indexAt(event->position().toPoint());
    if (i.isValid() && i != currentIndex())
        return; // a refused cell does not start an editor
    QTableView::mouseDoubleClickEvent(event);
}

void TSortGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (onResized)
        onResized();
}

void TSortGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    viewport()->update();
    if (current.isValid() && onCurrentChanged)
        onCurrentChanged(current.column(), current.row() + 1);
}

QModelIndex TSortGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QModelIndex target;
    if ((action == MoveNext || action == MovePrevious) && !detached()) {
        const GridCell c = NextTabCell(
            {Col(), Row()}, action == MoveNext, table_->ColCount(), table_->RowCount(),
            [this](int col) { return !isColumnHidden(col) && (!onTabStop || onTabStop(col)); });
        target = indexOf(c.col, c.row);
    } else {
        target = QTableView::moveCursor(action, modifiers);
    }
    if (!target.isValid() || target == currentIndex() || detached())
        return target;
    if (!askSelect(target.column(), target.row() + 1))
        return currentIndex();
    return target;
}

bool TSortGrid::event(QEvent* event) {
    bool forward = true;
    if (IsTabKey(event, forward) && !detached() && model_ && model_->rowCount() > 0) {
        tabTo(forward);
        return true;
    }
    return QTableView::event(event);
}

void TSortGrid::tabTo(bool next) {
    const QModelIndex target = moveCursor(next ? MoveNext : MovePrevious, Qt::NoModifier);
    if (target.isValid() && target != currentIndex())
        setCurrentCell(target.column(), target.row() + 1);
    // Arriving opens the cell, so what is typed next goes into it.
    if (editing_ && currentIndex().isValid())
        edit(currentIndex(), AllEditTriggers, nullptr);
}

bool TSortGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (index.isValid() && !detached()) {
        const CellFormat f = cellFormat(index.column(), index.row() + 1);
        if (f.Combobox || f.CheckBox) {
            if (f.Combobox && editing_ &&
                (trigger == QAbstractItemView::AllEditTriggers ||
                 (trigger & editTriggers() && trigger != QAbstractItemView::AnyKeyPressed)))
                OpenComboBox(index.column(), index.row() + 1);
            return false;
        }
    }
    return QTableView::edit(index, trigger, event);
}

void TSortGrid::tableChanged(int) {
    viewport()->update();
}

} // namespace vk
