#pragma once
// The pieces of TSortGrid: the table as a Qt model, the delegate that draws the cell kinds and
// runs the in-place editor, the shared drop-down list and the header row. Private to the grid:
// only SortGrid.cpp and SortGridParts.cpp include this.
#include "protocol/SortGrid.h"

#include "protocol/TextCodec.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>
#include <string>

namespace vk {

inline QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string us(const QString& s) {
    return s.toUtf8().toStdString();
}

// A cell shows at most this many characters: no column is wider, and a hostile file's
// megabyte-long field must not be measured at every paint.
constexpr size_t kShownChars = 1000;

inline QString shown(const std::string& s) {
    return qs(s.size() <= kShownChars ? s : FirstChars(s, kShownChars));
}

// A typed character as the key callbacks see it; empty for keys that type nothing.
inline std::string typedKey(const QKeyEvent* e) {
    if (e->key() == Qt::Key_Backspace)
        return "\b";
    const QString t = e->text();
    if (t.isEmpty() || !t.at(0).isPrint())
        return {};
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    return us(t);
}

// The table as a Qt model: view row i is table row i + 1; row 0 is the horizontal header.
class CellTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    CellTableModel(CellTable& table, TSortGrid* grid);

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : shownRows_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : shownCols_;
    }

    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    int dataRows() const { return table_ ? std::max(table_->RowCount() - 1, 0) : 0; }
    void refreshAll();
    void tableGone();
    void changed(int row);
    void sizeChanged();

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
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    void paintText(QPainter* p, const QStyleOptionViewItem& opt, const QRect& r,
                   const CellFormat& f, int col, int row, const QString& text) const;

    TSortGrid* grid_;
};

// The shared drop-down list. It reports through callbacks from its own handlers (not an event
// filter), so nothing runs while it is being destroyed.
// Tab (forward) or Shift+Tab without Ctrl or Alt, the keys that walk a grid's cells.
bool IsTabKey(QEvent* e, bool& forward);

class ComboList final : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> onTake, onCancel;
    // Tab or Shift+Tab in the open list: the grid takes the entry and moves on.
    std::function<void(bool next)> onTab;

protected:
    bool event(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
};

// Header row: texts shortened with "..", the sort arrow, sorting by click, auto-size on a
// double click at a column border.
class SortGridHeader final : public QHeaderView {
public:
    explicit SortGridHeader(TSortGrid* grid);

    std::string shownText(int col) const;

protected:
    void paintSection(QPainter* p, const QRect& rect, int col) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool sortedColumn(int col) const;
    bool onBorder(const QPoint& pos) const;

    TSortGrid* grid_;
    int pressed_ = -1;
};

} // namespace vk
