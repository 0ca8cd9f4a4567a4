#include "protocol/ProtocolPanel.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QToolButton>

namespace vk {

ProtocolPanel::ProtocolPanel(Protocol& protocol, FileChooser* chooser, QWidget* parent)
    : QObject(parent), protocol_(protocol), chooser_(chooser),
      clock_([] { return std::chrono::system_clock::now(); }) {
    if (!chooser_) {
        ownChooser_ = std::make_unique<QtFileChooser>(parent);
        chooser_ = ownChooser_.get();
    }

    toolBar_ = new QWidget(parent);
    toolBar_->setObjectName(QStringLiteral("Panel4"));
    toolBar_->setFixedSize(351, 43);
    auto* caption = new QLabel(QStringLiteral("       Protokoll"), toolBar_);
    QFont cf(QStringLiteral("MS Sans Serif"));
    cf.setPixelSize(19);
    cf.setBold(false);
    caption->setFont(cf);
    caption->setAlignment(Qt::AlignCenter);
    caption->setGeometry(0, 0, 351, 43);
    caption->lower();

    QToolButton* sbLoad = makeButton("sbLoad", 1, QStringLiteral("Öffnen"));
    QToolButton* sbSave = makeButton("sbSave", 37, QStringLiteral("Speichern unter..."));
    QToolButton* sbExcel = makeButton("sbExcel", 73, QStringLiteral("Datei in MS Excel"));
    QToolButton* sbInet = makeButton("sbInet", 108, QStringLiteral("Als Webseite"));
    QToolButton* sbNextKrug = makeButton("sbNextKrug", 242, QStringLiteral("Folgenden Rennen"));
    QToolButton* sbPrint = makeButton("sbPrint", 278, QStringLiteral("Drucken"));
    QToolButton* sbCLS = makeButton("sbCLS", 314, QStringLiteral("Löschen (F8)"));
    sbPrint->setProperty("tag", 1);
    connect(sbLoad, &QToolButton::clicked, this, &ProtocolPanel::sbLoadClick);
    connect(sbSave, &QToolButton::clicked, this, &ProtocolPanel::sbSaveClick);
    connect(sbCLS, &QToolButton::clicked, this, &ProtocolPanel::sbCLSClick);
    connect(sbExcel, &QToolButton::clicked, this, &ProtocolPanel::excelRequested);
    connect(sbInet, &QToolButton::clicked, this, [this] { emit inetRequested(0); });
    connect(sbPrint, &QToolButton::clicked, this, [this] { emit inetRequested(1); });
    connect(sbNextKrug, &QToolButton::clicked, this, &ProtocolPanel::nextRaceRequested);

    grid_ = new TSortGrid(protocol_.table(), parent);
    grid_->setObjectName(QStringLiteral("SortGrid1"));
    QFont gf(QStringLiteral("Arial"));
    gf.setPixelSize(15);
    grid_->setFont(gf);
    grid_->horizontalHeader()->setFont(gf);
    grid_->AlignmentHorz = taRightJustify;
    grid_->AlignmentVert = taMiddle;
    grid_->BevelStyle = cbNone;
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        const QString dp = QLocale().decimalPoint();
        if (dp.size() == 1 && dp.at(0).unicode() < 128)
            protocol_.table().Locale.decimalSeparator = static_cast<char>(dp.at(0).unicode());
    }

    grid_->onGetCellFormat = [this](int col, int row, int, CellFormat& f) {
        protocol_.GetCellFormat(col, row, f);
    };
    grid_->onSelectCell = [this](int col, int row, bool& can) {
        can = protocol_.SelectCell(col, row);
    };
    grid_->onTabStop = [](int col) { return Protocol::TabStop(col); };
    grid_->onCurrentChanged = [this](int col, int row) {
        if (!syncing_)
            protocol_.SetCurrentCell(col, row);
    };
    grid_->onKeyPress = [this](std::string& key) {
        if (!protocol_.AcceptKey(key))
            key.clear();
    };
    grid_->onKeyDown = [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Escape)
            protocol_.EscapeKey();
    };
    grid_->onGetComboBox = [this](int col, int row, std::vector<std::string>& items, int&, int&,
                                  bool& sorted) {
        items = protocol_.ComboItems(col, row);
        sorted = false;
    };
    grid_->onSetComboBox = [this](int col, int row, const std::string& text) {
        protocol_.SetComboBox(col, row, text);
    };
    grid_->onCellEdited = [this](int col, int row) {
        if (col != 3) // the drop-down already reported through SetComboBox
            protocol_.CellEdited(col, row);
    };
    grid_->onResized = [this] { applyColumnWidths(); };
    // A result that does not fit its column widens the column once the paint is over.
    grid_->onTextTooWide = [this](int col, int, int needed) {
        if (col < 4 || col > 9 || needed <= resultWidths_[static_cast<size_t>(col)])
            return;
        resultWidths_[static_cast<size_t>(col)] = needed;
        if (!refitQueued_) {
            refitQueued_ = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    refitQueued_ = false;
                    applyColumnWidths();
                },
                Qt::QueuedConnection);
        }
    };

    popup_ = new QMenu(grid_);
    popup_->setObjectName(QStringLiteral("PopupMenuProtokol"));
    auto entry = [this](const char* name, const QString& caption, bool visible) {
        QAction* a = popup_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setVisible(visible);
        return a;
    };
    connect(entry("Joker1", QStringLiteral("Joker                 (Strg+J)"), true),
            &QAction::triggered, this, &ProtocolPanel::Joker1Click);
    connect(entry("Erase1", QStringLiteral("Zeile entfernen (Strg+0)"), true), &QAction::triggered,
            this, &ProtocolPanel::Erase1Click);
    connect(entry("Neuezeile1", QStringLiteral("Neue Zeile         (Strg+N)"), true),
            &QAction::triggered, this, &ProtocolPanel::Neuezeile1Click);
    QAction* klass =
        entry("SortierenKlassenZeit1", QStringLiteral("Sortieren Klassen+Zeit"), false);
    klass->setEnabled(false);
    connect(klass, &QAction::triggered, this, &ProtocolPanel::klassSortRequested);
    connect(entry("mPlatz", QStringLiteral("Platz verteilen"), false), &QAction::triggered, this,
            &ProtocolPanel::placesRequested);
    connect(entry("Rezultentfernen1", QStringLiteral("Rezult entfernen"), true),
            &QAction::triggered, this, &ProtocolPanel::Rezultentfernen1Click);
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // The entries act on the row under the mouse, as in any desktop table.
        const QModelIndex at = grid_->indexAt(pos);
        if (at.isValid()) {
            grid_->commitEditor();
            protocol_.BrowseMode();
            protocol_.SelectWholeRow(at.row() + 1);
        }
        PopupMenuProtokolPopup();
        popup_->popup(grid_->viewport()->mapToGlobal(pos));
    });

    // The main window may destroy the Protocol before its child widgets: the callbacks
    // check that the panel is still there, and the destructor leaves the Protocol alone.
    const QPointer<ProtocolPanel> self(this);
    protocol_.onProtocolButtons = [self, previous = protocol_.onProtocolButtons](bool on) {
        if (previous)
            previous(on);
        if (self)
            self->setProtocolButtons(on);
    };
    protocol_.onViewState = [self, previous = protocol_.onViewState] {
        if (previous)
            previous();
        if (self)
            self->syncView();
    };
    protocol_.onStatusText = [self, previous = protocol_.onStatusText](const std::string& text) {
        if (previous)
            previous(text);
        if (self)
            emit self->statusText(QString::fromStdString(text));
    };

    for (const char* n : {"sbCLS", "sbPrint", "sbExcel", "sbSave", "sbInet"})
        button(QString::fromLatin1(n))->setEnabled(false);
    protocol_.UpdateProtocolButtons();
    syncView();
}

ProtocolPanel::~ProtocolPanel() {
    // The grid is the parent's child and may outlive the panel by a moment.
    if (grid_) {
        grid_->onGetCellFormat = nullptr;
        grid_->onSelectCell = nullptr;
        grid_->onCurrentChanged = nullptr;
        grid_->onKeyPress = nullptr;
        grid_->onKeyDown = nullptr;
        grid_->onGetComboBox = nullptr;
        grid_->onSetComboBox = nullptr;
        grid_->onCellEdited = nullptr;
        grid_->onResized = nullptr;
        grid_->onTextTooWide = nullptr;
    }
}

void ProtocolPanel::setProtocolButtons(bool on) {
    for (const char* n : {"sbCLS", "sbPrint", "sbExcel", "sbSave", "sbInet"})
        if (QToolButton* b = button(QString::fromLatin1(n)))
            b->setEnabled(on);
}

QToolButton* ProtocolPanel::makeButton(const char* name, int left, const QString& hint) {
    auto* b = new QToolButton(toolBar_);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, 2, 36, 39);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QToolButton* ProtocolPanel::button(const QString& name) const {
    return toolBar_ ? toolBar_->findChild<QToolButton*>(name, Qt::FindDirectChildrenOnly) : nullptr;
}

QAction* ProtocolPanel::action(const QString& name) const {
    if (!popup_)
        return nullptr;
    for (QAction* a : popup_->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

void ProtocolPanel::setKlassSortEnabled(bool on) {
    klassSortEnabled_ = on;
    if (QAction* a = action(QStringLiteral("SortierenKlassenZeit1")))
        a->setEnabled(on);
}

void ProtocolPanel::setPlaceColumnShown(bool on) {
    placeShown_ = on;
    applyColumnWidths();
}

void ProtocolPanel::applyColumnWidths() {
    if (!grid_)
        return;
    const auto widths =
        ProtocolColumnWidths(grid_->viewport()->width(), resultWidths_, placeShown_);
    for (int c = 0; c < static_cast<int>(widths.size()) && c < grid_->table().ColCount(); ++c)
        grid_->setColWidth(c, widths[static_cast<size_t>(c)]);
}

void ProtocolPanel::syncView() {
    if (syncing_ || !grid_)
        return;
    syncing_ = true;
    const Protocol::Cursor& c = protocol_.cursor();
    grid_->setEditing(protocol_.mode() == Protocol::Mode::Edit);
    grid_->setRowSelect(c.wholeRow);
    grid_->setCurrentCell(c.col, c.row);
    syncing_ = false;
}

void ProtocolPanel::sbLoadClick() {
    grid_->commitEditor();
    if (protocol_.RefusedWhileTimed("Öffnen"))
        return;
    const auto choice = chooser_->chooseOpen(folder_);
    if (!choice)
        return;
    folder_ = QFileInfo(QString::fromStdString(choice->path)).absolutePath().toStdString();
    if (onOpen)
        onOpen(choice->path, choice->filterIndex);
    else
        protocol_.OpenFile(choice->path);
}

void ProtocolPanel::sbSaveClick() {
    const auto choice = chooser_->chooseSave(folder_, DateStampName(clock_()));
    if (!choice)
        return;
    folder_ = QFileInfo(QString::fromStdString(choice->path)).absolutePath().toStdString();
    chooser_->saveFilterIndex = choice->filterIndex > 0 ? choice->filterIndex : 1;
    if (onSave)
        onSave(choice->path, choice->filterIndex);
    else
        protocol_.SaveFile(choice->path);
}

void ProtocolPanel::sbCLSClick() {
    grid_->commitEditor();
    protocol_.ClearProtocol();
}

void ProtocolPanel::Neuezeile1Click() {
    grid_->commitEditor();
    protocol_.NewRow();
    grid_->scrollTo(grid_->currentIndex());
    grid_->setFocus(Qt::OtherFocusReason);
}

void ProtocolPanel::Joker1Click() {
    grid_->commitEditor();
    emit jokerRequested();
}

void ProtocolPanel::Erase1Click() {
    grid_->commitEditor();
    protocol_.DeleteRow();
}

void ProtocolPanel::Rezultentfernen1Click() {
    grid_->commitEditor();
    protocol_.RemoveResults();
}

void ProtocolPanel::PopupMenuProtokolPopup() {
    protocol_.UpdateProtocolButtons();
}

} // namespace vk
