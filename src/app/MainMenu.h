#pragma once
#include <QKeyCombination>

#include <vector>

namespace vk {

class Command;
class RaceControl;
class TFormMain;

// One entry of the window's hidden menu. The menu bar's only entry "HideMenu" is invisible;
// its entries exist for their keys, which work whenever the window is active and the entry
// is enabled.
struct MenuEntry {
    const char* name;    // null: a separator
    const char* caption; // UTF-8
    QKeyCombination key; // Qt::Key_unknown: no key
    int tag;
    bool enabled;                      // at start
    void (*run)(TFormMain&, int tag);  // null: nothing
    Command* (*mirrors)(RaceControl&); // the race command whose enabled flag it follows
};

// The hidden menu, in its order.
const std::vector<MenuEntry>& MainMenuEntries();

// Builds HideMenu from the table under an invisible menu-bar entry, gives every entry to the
// window (so its key works without a visible menu) and fills the window's `menu` by name.
void BuildMainMenu(TFormMain& window);

// Sets the entries that mirror a race command to that command's enabled flag.
void MirrorRaceCommands(TFormMain& window);

} // namespace vk
