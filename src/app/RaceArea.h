#pragma once

namespace vk {

class TFormMain;

// The race area PanelLeft: both lane frames, the race buttons, the light tree, the barrier
// icons, the audience-window switches, the protocol tool bar Panel4 with its pictures, the
// class list, the hidden automatic-reset box and the imitation panel PanelImit. Their places
// come from RaceAreaPlacements (MainLayout).
void BuildRaceArea(TFormMain& window);

// Puts every control of the race area at its place for the area's present width.
void PlaceRaceArea(TFormMain& window);

} // namespace vk
