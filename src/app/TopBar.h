#pragma once

namespace vk {

class TFormMain;

// The top bar Panel1: the picture buttons bHelp, bCFG and bInfo, the maker's logo with its
// shadow, the title field eTitle and the date panel PanelDate with its timer.
void BuildTopBar(TFormMain& window);
// Places the title field and the date panel for the bar's width and the title's length.
void ArrangeTopBar(TFormMain& window);

} // namespace vk
