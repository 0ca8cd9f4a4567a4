#pragma once
#include "race/RowCommands.h"

#include <QObject>

namespace vk {

class TFormMain;

// Joker (the protocol menu's Joker1 and the main menu's mJoker, Ctrl+J, through the panel), the
// next race (sbNextKrug) and the accident mark (bAvaria1, bAvaria2; mAvaria, F4) on the main
// window. The enabled states of the accident controls and of sbNextKrug follow the race and
// the protocol's current row.
class RowCommandsBinder : public QObject {
    Q_OBJECT

public:
    explicit RowCommandsBinder(TFormMain& main);

    RowCommands& commands() { return commands_; }
    void render();

private:
    TFormMain& main_;
    RowCommands commands_;
};

} // namespace vk
