#pragma once
#include "race/RowCommands.h"

#include <QObject>

namespace vk {

class TFormMain;

// Joker (mJoker, Ctrl+J, and the protocol menu's Joker1), the next race (sbNextKrug) and the
// accident mark (bAvaria1, bAvaria2, mAvaria, F4) on the main window. Their enabled states
// follow the race and the protocol's current row.
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
