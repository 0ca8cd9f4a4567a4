#include "protocol/SortGrid.h"

#include "protocol/TextCodec.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>

namespace vk {

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string us(const QString& s) {
    return s.toUtf8().toStdString();
}

Qt::Alignment qtAlignment(const CellFormat& f) {
    Qt::Alignment a;
    switch (f.AlignmentHorz) {
    case taLeftJustify:
        a = Qt::AlignLeft;
        break;
    case taRightJustify:
        a = Qt::AlignRight;
        break;
    case taCenter:
        a = Qt::AlignHCenter;
        break;
    }
    switch (f.AlignmentVert) {
    case taTopJustify:
        a |= Qt::AlignTop;
        break;
    case taBottomJustify:
        a |= Qt::AlignBottom;
        break;
    case taMiddle:
        a |= Qt::AlignVCenter;
        break;
    }
    return a;
}

// A cell shows at most this many characters: no column is wider, and a hostile file's
// megabyte-long field must not be measured at every paint.
constexpr size_t kShownChars = 1000;

QString shown(const std::string& s) {
    return qs(s.size() <= kShownChars ? s : FirstChars(s, kShownChars));
}

// A typed character as the key callbacks see it; empty for keys that type nothing.
std::string typedKey(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Backspace)
        return "\b";
    const QString t = e->text();
    if (t.isEmpty() || !t.at(0).isPrint())
        return {};
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    return us(t);
}

} // namespace

// The table as a Qt model: view row i is table row i + 1; row 0 is the horizontal header.
class CellTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    CellTableModel(CellTable& table, TSortGrid* grid)
        : QAbstractTableModel(grid), table_(&table), grid_(grid) {
        shownRows_ = dataRows();
        shownCols_ = table_->ColCount();
        // The table may outlive the model or die first (a window's members go before its
        // child widgets): the callback checks the model, and the model never touches the
        // table on its way out.
        table_->onChanged = [self = QPointer<CellTableModel>(this),
                             previous = table_->onChanged](int row) {
            if (previous)
                previous(row);
            if (self && self->table_)
                self->changed(row);
        };
        table_->onDestroyed = [self = QPointer<CellTableModel>(this),
                               previous = table_->onDestroyed](const CellTable* t) {
            if (previous)
                previous(t);
            if (self && self->table_ == t)
                self->tableGone();
        };
    }

    bool attached() const { return table_ != nullptr; }

    int dataRows() const { return table_ ? std::max(table_->RowCount() - 1, 0) : 0; }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : shownRows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : shownCols_;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || !table_)
            return {};
        const int col = index.column(), row = index.row() + 1;
        switch (role) {
        case Qt::DisplayRole: {
            if (grid_->cellFormat(col, row).CheckBox)
                return {};
            return shown(table_->Cell(col, row));
        }
        case Qt::EditRole:
            return qs(table_->Cell(col, row));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(grid_->cellFormat(col, row)));
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (!table_)
            return {};
        if (o == Qt::Horizontal && role == Qt::DisplayRole)
            return shown(table_->Cell(section, 0));
        if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
            return QVariant::fromValue(qtAlignment(grid_->cellFormat(section, 0)));
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid() || !table_)
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const CellFormat fmt = grid_->cellFormat(index.column(), index.row() + 1);
        if (grid_->editing() && !fmt.Combobox && !fmt.CheckBox)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole || !table_)
            return false;
        return grid_->storeEdit(index.column(), index.row() + 1, us(value.toString()));
    }

    void refreshAll() {
        if (shownRows_ > 0 && shownCols_ > 0)
            emit dataChanged(index(0, 0), index(shownRows_ - 1, shownCols_ - 1));
        emit headerDataChanged(Qt::Horizontal, 0, shownCols_ - 1);
    }

private:
    void tableGone() {
        beginResetModel();
        table_ = nullptr;
        shownRows_ = 0;
        shownCols_ = 0;
        endResetModel();
        grid_->tableGone();
    }

    void changed(int row) {
        if (row == CellTable::kReplaced) {
            // A loaded file: one reset instead of a notification per cell.
            beginResetModel();
            shownRows_ = dataRows();
            shownCols_ = table_->ColCount();
            endResetModel();
            sizeChanged();
            return;
        }
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, 0, shownCols_ - 1);
            return;
        }
        if (row > 0) {
            if (row - 1 < shownRows_)
                emit dataChanged(index(row - 1, 0), index(row - 1, shownCols_ - 1));
            return;
        }
        const int rows = dataRows(), cols = table_->ColCount();
        if (cols != shownCols_ || rows < shownRows_) {
            // Rows may have gone from anywhere: start afresh (an open editor is dropped, not
            // written into a row that moved).
            beginResetModel();
            shownRows_ = rows;
            shownCols_ = cols;
            endResetModel();
            sizeChanged();
            return;
        }
        const bool grew = rows > shownRows_;
        if (grew) {
            // Growth only appends rows: an editor open above keeps its text.
            beginInsertRows({}, shownRows_, rows - 1);
            shownRows_ = rows;
            endInsertRows();
        }
        refreshAll();
        if (grew)
            sizeChanged();
    }

    void sizeChanged() {
        // Re-sort after the operation that changed the size has finished: AddRow writes its
        // values into the last row after growing the table, and a sort in between would
        // move that row away.
        if (table_->SortOptions.UpdateOnSizeChange && table_->SortOptions.CanSort)
            QMetaObject::invokeMethod(
                grid_,
                [g = QPointer<TSortGrid>(grid_)] {
                    if (g)
                        g->SortByColumn(g->table().SortOptions.SortCol);
                },
                Qt::QueuedConnection);
    }

    CellTable* table_;
    TSortGrid* grid_;
    int shownRows_ = 0;
    int shownCols_ = 0;
};

// Draws the cell kinds and filters the keys typed into the in-place editor.
class SortGridDelegate final : public QStyledItemDelegate {
public:
    explicit SortGridDelegate(TSortGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (grid_->detached())
            return;
        const int col = index.column(), row = index.row() + 1;
        int state = 0;
        if (option.state & QStyle::State_Selected)
            state |= kCellSelected;
        if (grid_->currentIndex() == index && grid_->hasFocus())
            state |= kCellFocused;
        const CellFormat f = grid_->cellFormat(col, row, state);
        QStyledItemDelegate::paint(p, option, index);
        const QRect r = option.rect;
        const bool currentRow = grid_->currentIndex().row() == index.row();
        const bool currentCell = grid_->currentIndex() == index;
        if (f.CheckBox) {
            QStyleOptionButton box;
            const int w = std::min(16, r.width() - 1);
            box.rect = QRect(r.left() + (r.width() - w) / 2, r.top() + r.height() / 2 - 8, w, 16);
            box.state = QStyle::State_Enabled |
                        (IsCheckedText(grid_->table().Cell(col, row)) ? QStyle::State_On
                                                                      : QStyle::State_Off);
            grid_->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, grid_);
        }
        if (f.Combobox && currentRow && (currentCell || grid_->editorActive())) {
            QStyleOption arrow;
            const int w = std::min(16, r.width());
            arrow.rect = QRect(r.right() - w + 1, r.top(), w, std::min(16, r.height()));
            arrow.state = QStyle::State_Enabled;
            arrow.palette = option.palette;
            grid_->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, p, grid_);
        }
        if (f.Ellipsis && currentRow && !currentCell) {
            const int w = std::min(16, r.width());
            p->drawText(QRect(r.right() - w + 1, r.top(), w, r.height()), Qt::AlignCenter,
                        QStringLiteral("…"));
        }
        if (f.BevelStyle != cbNone) {
            const QPalette& pal = option.palette;
            const QColor light = pal.color(QPalette::Light), dark = pal.color(QPalette::Dark);
            const QColor hi = f.BevelStyle == cbRaised ? light : dark;
            const QColor lo = f.BevelStyle == cbRaised ? dark : light;
            p->setPen(hi);
            p->drawLine(r.topLeft(), r.topRight());
            p->drawLine(r.topLeft(), r.bottomLeft());
            p->setPen(lo);
            p->drawLine(r.bottomLeft(), r.bottomRight());
            p->drawLine(r.topRight(), r.bottomRight());
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* e = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(e)) {
            line->setFrame(false);
            // Qt's default of 32767 characters would cut a longer cell at the first keystroke.
            line->setMaxLength(std::numeric_limits<int>::max());
            // Every typed character reaches the cell at once.
            const QPersistentModelIndex at(index);
            connect(line, &QLineEdit::textEdited, grid_, [g = grid_, at](const QString& text) {
                if (at.isValid())
                    g->liveEdit(at.column(), at.row() + 1, us(text));
            });
        }
        return e;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        // Only when the editor opens: a table change (a lane start, a new row) must never reset
        // what is being typed.
        if (editor->property("vkLoaded").toBool())
            return;
        editor->setProperty("vkLoaded", true);
        grid_->editorOpened(editor, index.column(), index.row() + 1);
        QStyledItemDelegate::setEditorData(editor, index);
    }

protected:
    bool eventFilter(QObject* editor, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Escape) {
                grid_->revertEdit();
                const bool r = QStyledItemDelegate::eventFilter(editor, event);
                grid_->editorKeyDown(k->key(), k->modifiers());
                return r;
            }
            std::string key = typedKey(k);
            if (!key.empty() && !grid_->filterTypedKey(key))
                return true;
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }

private:
    TSortGrid* grid_;
};

// The shared drop-down list. It reports through callbacks from its own handlers (not an event
// filter), so nothing runs while it is being destroyed.
class ComboList final : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> onTake, onCancel;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        QListWidget::mouseReleaseEvent(e);
        if (QListWidgetItem* it = itemAt(e->position().toPoint()))
            setCurrentItem(it);
        if (onTake)
            onTake();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) {
            if (onCancel)
                onCancel();
            return;
        }
        QListWidget::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        const int k = e->key();
        if ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) && onTake) {
            onTake();
            return;
        }
        QListWidget::keyReleaseEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QListWidget::focusOutEvent(e);
        if (onTake)
            onTake();
    }
};

// Header row: texts shortened with "..", the sort arrow, sorting by click, auto-size on a
// double click at a column border.
class SortGridHeader final : public QHeaderView {
public:
    explicit SortGridHeader(TSortGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
        setSectionsClickable(true);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Interactive);
        setMinimumSectionSize(0);
        connect(this, &QHeaderView::sectionHandleDoubleClicked, this,
                [this](int logical) { grid_->AutoSizeColumn(logical); });
    }

    bool sortedColumn(int col) const {
        if (grid_->detached())
            return false;
        return grid_->table().SortOptions.CanSort && grid_->table().SortOptions.SortCol == col;
    }

    std::string shownText(int col) const {
        if (grid_->detached())
            return {};
        const QFontMetrics fm(font());
        return ShortenHeader(grid_->table().Cell(col, 0),
                             HeaderRoom(sectionSize(col), sortedColumn(col)),
                             [&fm](const std::string& s) { return fm.horizontalAdvance(qs(s)); });
    }

protected:
    void paintSection(QPainter* p, const QRect& rect, int col) const override {
        if (grid_->detached())
            return;
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = col;
        opt.text.clear();
        style()->drawControl(QStyle::CE_Header, &opt, p, this);
        const CellFormat f = grid_->cellFormat(col, 0);
        QRect text = rect.adjusted(2, 0, -2, 0);
        if (sortedColumn(col)) {
            text.setLeft(text.left() + 10);
            const int w = rect.width() <= 10 ? rect.width() - 3 : 8;
            const int x = rect.left() + 3, y = rect.top() + rect.height() / 2 - 4;
            QPolygon arrow;
            if (grid_->table().SortOptions.SortDirection == sdAscending)
                arrow << QPoint(x, y + 6) << QPoint(x + w, y + 6) << QPoint(x + w / 2, y);
            else
                arrow << QPoint(x, y) << QPoint(x + w, y) << QPoint(x + w / 2, y + 6);
            p->save();
            p->setBrush(palette().color(QPalette::ButtonText));
            p->setPen(Qt::NoPen);
            p->drawPolygon(arrow);
            p->restore();
        }
        p->save();
        p->setClipRect(rect);
        p->setPen(palette().color(QPalette::ButtonText));
        p->drawText(text, static_cast<int>(qtAlignment(f)), qs(shownText(col)));
        p->restore();
    }

    void mousePressEvent(QMouseEvent* e) override {
        pressed_ = onBorder(e->position().toPoint()) ? -1 : logicalIndexAt(e->position().toPoint());
        QHeaderView::mousePressEvent(e);
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        const QPoint pos = e->position().toPoint();
        const int col = logicalIndexAt(pos);
        QHeaderView::mouseReleaseEvent(e);
        if (col < 0 || col != pressed_ || onBorder(pos) || grid_->detached())
            return;
        TSortOptions& o = grid_->table().SortOptions;
        if (e->button() == Qt::RightButton)
            o.SortDirection = sdDescending;
        else
            o.SortDirection =
                o.SortDirection == sdAscending && o.SortCol == col ? sdDescending : sdAscending;
        grid_->SortByColumn(col);
        viewport()->update();
    }

private:
    bool onBorder(const QPoint& pos) const {
        const int col = logicalIndexAt(pos);
        if (col < 0)
            return false;
        const int left = sectionViewportPosition(col), right = left + sectionSize(col);
        return pos.x() >= right - 3 || (col > 0 && pos.x() <= left + 3);
    }

    TSortGrid* grid_;
    int pressed_ = -1;
};

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
    setColumnWidth(col, width);
}

int TSortGrid::colWidth(int col) const {
    return isColumnHidden(col) ? -1 : columnWidth(col);
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
    const QModelIndex target = QTableView::moveCursor(action, modifiers);
    if (!target.isValid() || target == currentIndex() || detached())
        return target;
    if (!askSelect(target.column(), target.row() + 1))
        return currentIndex();
    return target;
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

#include "SortGrid.moc"
