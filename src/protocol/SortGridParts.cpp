#include "protocol/SortGridParts.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace vk {

namespace {

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

} // namespace

CellTableModel::CellTableModel(CellTable& table, TSortGrid* grid)
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

QVariant CellTableModel::data(const QModelIndex& index, int role) const {
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

QVariant CellTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (!table_)
        return {};
    if (o == Qt::Horizontal && role == Qt::DisplayRole)
        return shown(table_->Cell(section, 0));
    if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
        return QVariant::fromValue(qtAlignment(grid_->cellFormat(section, 0)));
    return {};
}

Qt::ItemFlags CellTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !table_)
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const CellFormat fmt = grid_->cellFormat(index.column(), index.row() + 1);
    if (grid_->editing() && !fmt.Combobox && !fmt.CheckBox)
        f |= Qt::ItemIsEditable;
    return f;
}

bool CellTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !table_)
        return false;
    return grid_->storeEdit(index.column(), index.row() + 1, us(value.toString()));
}

void CellTableModel::refreshAll() {
    if (shownRows_ > 0 && shownCols_ > 0)
        emit dataChanged(index(0, 0), index(shownRows_ - 1, shownCols_ - 1));
    emit headerDataChanged(Qt::Horizontal, 0, shownCols_ - 1);
}

void CellTableModel::tableGone() {
    beginResetModel();
    table_ = nullptr;
    shownRows_ = 0;
    shownCols_ = 0;
    endResetModel();
    grid_->tableGone();
}

void CellTableModel::changed(int row) {
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

void CellTableModel::sizeChanged() {
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

void SortGridDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (grid_->detached())
        return;
    const int col = index.column(), row = index.row() + 1;
    int state = 0;
    if (option.state & QStyle::State_Selected)
        state |= kCellSelected;
    if (grid_->currentIndex() == index && grid_->hasFocus())
        state |= kCellFocused;
    const CellFormat f = grid_->cellFormat(col, row, state);
    // The style draws the cell's ground, selection and focus; the text follows the grid's
    // own offsets and is never elided (a time must be read whole).
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* view = opt.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, p, view);
    const QRect r = option.rect;
    if (!text.isEmpty())
        paintText(p, opt, r, f, col, row, text);
    const bool currentRow = grid_->currentIndex().row() == index.row();
    const bool currentCell = grid_->currentIndex() == index;
    if (f.CheckBox) {
        QStyleOptionButton box;
        const int w = std::min(16, r.width() - 1);
        box.rect = QRect(r.left() + (r.width() - w) / 2, r.top() + r.height() / 2 - 8, w, 16);
        box.state =
            QStyle::State_Enabled |
            (IsCheckedText(grid_->table().Cell(col, row)) ? QStyle::State_On : QStyle::State_Off);
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

void SortGridDelegate::paintText(QPainter* p, const QStyleOptionViewItem& opt, const QRect& r,
                                 const CellFormat& f, int col, int row, const QString& text) const {
    const QFontMetrics fm(opt.font);
    const int tw = fm.horizontalAdvance(text);
    if (CellWidthFor(tw) > r.width() && grid_->onTextTooWide)
        grid_->onTextTooWide(col, row, CellWidthFor(tw));
    const int x = r.left() + CellTextLeft(f.AlignmentHorz, r.width(), tw);
    const int y = r.top() + CellTextTop(f.AlignmentVert, r.height(), fm.height());
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    p->save();
    p->setClipRect(r);
    p->setFont(opt.font);
    p->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(QPoint(x, y + fm.ascent()), text);
    p->restore();
}

QWidget* SortGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
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

void SortGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    // Only when the editor opens: a table change (a lane start, a new row) must never reset
    // what is being typed.
    if (editor->property("vkLoaded").toBool())
        return;
    editor->setProperty("vkLoaded", true);
    grid_->editorOpened(editor, index.column(), index.row() + 1);
    QStyledItemDelegate::setEditorData(editor, index);
}

bool SortGridDelegate::eventFilter(QObject* editor, QEvent* event) {
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

void ComboList::mouseReleaseEvent(QMouseEvent* e) {
    QListWidget::mouseReleaseEvent(e);
    if (QListWidgetItem* it = itemAt(e->position().toPoint()))
        setCurrentItem(it);
    if (onTake)
        onTake();
}

bool IsTabKey(QEvent* e, bool& forward) {
    if (e->type() != QEvent::KeyPress)
        return false;
    const auto* k = static_cast<QKeyEvent*>(e);
    if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    forward = k->key() == Qt::Key_Tab && !(k->modifiers() & Qt::ShiftModifier);
    return k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab;
}

bool ComboList::event(QEvent* e) {
    // Only the keys: hiding the focused list also asks for the next focus.
    bool forward = true;
    if (onTab && IsTabKey(e, forward)) {
        onTab(forward);
        return true;
    }
    return QListWidget::event(e);
}

void ComboList::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        if (onCancel)
            onCancel();
        return;
    }
    QListWidget::keyPressEvent(e);
}

void ComboList::keyReleaseEvent(QKeyEvent* e) {
    const int k = e->key();
    if ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) && onTake) {
        onTake();
        return;
    }
    QListWidget::keyReleaseEvent(e);
}

void ComboList::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    if (onTake)
        onTake();
}

SortGridHeader::SortGridHeader(TSortGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
    connect(this, &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int logical) { grid_->AutoSizeColumn(logical); });
}

bool SortGridHeader::sortedColumn(int col) const {
    if (grid_->detached())
        return false;
    return grid_->table().SortOptions.CanSort && grid_->table().SortOptions.SortCol == col;
}

std::string SortGridHeader::shownText(int col) const {
    if (grid_->detached())
        return {};
    const QFontMetrics fm(font());
    return ShortenHeader(grid_->table().Cell(col, 0),
                         HeaderRoom(sectionSize(col), sortedColumn(col)),
                         [&fm](const std::string& s) { return fm.horizontalAdvance(qs(s)); });
}

void SortGridHeader::paintSection(QPainter* p, const QRect& rect, int col) const {
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

void SortGridHeader::mousePressEvent(QMouseEvent* e) {
    pressed_ = onBorder(e->position().toPoint()) ? -1 : logicalIndexAt(e->position().toPoint());
    QHeaderView::mousePressEvent(e);
}

void SortGridHeader::mouseReleaseEvent(QMouseEvent* e) {
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

bool SortGridHeader::onBorder(const QPoint& pos) const {
    const int col = logicalIndexAt(pos);
    if (col < 0)
        return false;
    const int left = sectionViewportPosition(col), right = left + sectionSize(col);
    return pos.x() >= right - 3 || (col > 0 && pos.x() <= left + 3);
}

} // namespace vk
