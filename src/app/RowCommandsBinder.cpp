#include "app/RowCommandsBinder.h"

#include "app/FMain.h"
#include "display/LbSpeedButton.h"
#include "protocol/ProtocolPanel.h"

#include <QAction>
#include <QToolButton>

namespace vk {

RowCommandsBinder::RowCommandsBinder(TFormMain& main)
    : QObject(&main), main_(main), commands_(main.race(), main.protocol()) {
    setObjectName("RowCommandsBinder");
    // mJoker (Ctrl+J) and mAvaria (F4) are entries of the main menu's table.

    ProtocolPanel& panel = main.protocolPanel();
    connect(&panel, &ProtocolPanel::jokerRequested, this, [this] { commands_.mJokerClick(); });
    connect(&panel, &ProtocolPanel::nextRaceRequested, this,
            [this] { commands_.sbNextKrugClick(); });
    for (TLbSpeedButton* b : {main.bAvaria1, main.bAvaria2})
        connect(b, &TLbSpeedButton::clicked, this, [this] { commands_.bAVARIAClick(); });

    // The enabled states follow every change of the race, of the current row and of what
    // the operator did to the protocol.
    RaceControl& rc = main.race();
    rc.onChanged = [this, previous = rc.onChanged] {
        if (previous)
            previous();
        render();
    };
    Protocol& p = main.protocol();
    p.onViewState = [this, previous = p.onViewState] {
        if (previous)
            previous();
        render();
    };
    p.onOperatorChange = [this, previous = p.onOperatorChange] {
        if (previous)
            previous();
        render();
    };
    render();
}

void RowCommandsBinder::render() {
    const bool accident = commands_.accidentEnabled();
    main_.bAvaria1->setEnabled(accident);
    main_.bAvaria2->setEnabled(accident);
    main_.menu.at(QStringLiteral("mAvaria"))->setEnabled(accident);
    if (QToolButton* next = main_.protocolPanel().button(QStringLiteral("sbNextKrug")))
        next->setEnabled(commands_.nextRaceEnabled());
}

} // namespace vk
