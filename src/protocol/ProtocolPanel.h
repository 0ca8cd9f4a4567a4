#pragma once
#include "protocol/FileChooser.h"
#include "protocol/Protocol.h"
#include "protocol/SortGrid.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <chrono>
#include <functional>

class QAction;
class QToolButton;
class QWidget;

namespace vk {

// The protocol part of the main window: the tool bar Panel4 with its seven buttons, the grid
// SortGrid1 bound to the Protocol and the context menu PopupMenuProtokol. The main window
// constructs it, places toolBar() and grid(), gives the buttons their pictures and binds its
// keys (New1, Zeileentfernen1, Neu1) to the slots below; everything else is wired here. The panel
// may be destroyed before or after the Protocol and its CellTable (children of a window die after
// its members).
class ProtocolPanel : public QObject {
    Q_OBJECT

public:
    // `chooser` may be null: then Qt's file dialogs are used.
    ProtocolPanel(Protocol& protocol, FileChooser* chooser, QWidget* parent);
    // The same; questions go through the Protocol's own Dialogs, so `dialogs` is only kept.
    ProtocolPanel(Protocol& protocol, Dialogs& dialogs, FileChooser* chooser, QWidget* parent)
        : ProtocolPanel(protocol, chooser, parent) {
        dialogs_ = &dialogs;
    }
    ~ProtocolPanel() override;

    QWidget* toolBar() const { return toolBar_.data(); }
    TSortGrid* grid() const { return grid_.data(); }
    QMenu* popupMenu() const { return popup_.data(); }
    // A tool button or action by object name ("sbSave", "Joker1", ...); null when unknown.
    QToolButton* button(const QString& name) const;
    QAction* action(const QString& name) const;

    // The context menu entry "Sortieren Klassen+Zeit" is enabled exactly while the setting
    // "Klass" is on.
    // (A hidden QAction always reports itself disabled, so the state is kept here.)
    void setKlassSortEnabled(bool on);
    bool klassSortEnabled() const { return klassSortEnabled_; }
    // The save and open dialogs.
    FileChooser& chooser() { return *chooser_; }
    // Folder the save and open dialogs start in.
    void setFolder(const std::string& folder) { folder_ = folder; }
    const std::string& folder() const { return folder_; }
    // The clock of the default file name (tests set a fixed one).
    void setClock(std::function<std::chrono::system_clock::time_point()> clock) {
        clock_ = std::move(clock);
    }

    // The save and open commands hand the chosen file here (path, the dialog's filter index);
    // while unset, the text file is written or read.
    std::function<void(const std::string&path, int filterIndex)> onSave, onOpen;

    // Column 10 ("Platz") is shown once it holds places.
    void setPlaceColumnShown(bool on);
    bool placeColumnShown() const { return placeShown_; }
    // Applies the column widths of the resize rule to the grid's present client width.
    void applyColumnWidths();

public slots:
    void sbLoadClick();
    void sbSaveClick();
    void sbCLSClick();
    void Neuezeile1Click();
    void Erase1Click();
    // The joker (Joker1, Ctrl+J) acts on what the operator typed into an open cell too.
    void Joker1Click();
    void Rezultentfernen1Click();
    // Before the context menu opens.
    void PopupMenuProtokolPopup();

signals:
    void statusText(const QString& text);
    // Buttons and entries whose commands belong to other parts; nothing is connected yet.
    void jokerRequested();
    void nextRaceRequested();
    void excelRequested();
    // tag 0: web page (sbInet), tag 1: print (sbPrint).
    void inetRequested(int tag);
    void klassSortRequested();
    void placesRequested();

private:
    void syncView();
    void setProtocolButtons(bool on);
    QToolButton* makeButton(const char* name, int left, const QString& hint);

    Protocol& protocol_;
    Dialogs* dialogs_ = nullptr;
    FileChooser* chooser_;
    std::unique_ptr<FileChooser> ownChooser_;
    QPointer<QWidget> toolBar_;
    QPointer<TSortGrid> grid_;
    QPointer<QMenu> popup_;
    std::string folder_;
    std::function<std::chrono::system_clock::time_point()> clock_;
    bool syncing_ = false;
    bool klassSortEnabled_ = false;
    bool placeShown_ = false;
    // Widths the result columns need for the widest text painted so far.
    std::array<int, 11> resultWidths_{};
    bool refitQueued_ = false;
};

} // namespace vk
