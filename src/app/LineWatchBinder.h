#pragma once
#include "race/LineWatch.h"
#include "serial/Adapter.h"

#include <cstdint>

class QLabel;

namespace vk {

class TFormMain;

// Shows what the line watch sees: a blocked lane in its frame and in the status bar while it
// lasts, a bouncing line as a status-bar warning (naming ModemManager when it runs, since
// its probing toggles the lines for seconds).
class LineWatchBinder {
public:
    LineWatchBinder(TFormMain& window, SystemRoots roots);
    LineWatch& watch() { return watch_; }
    void show(uint32_t bouncing);

    static constexpr int kBounceMessageMs = 10000;

private:
    TFormMain& w_;
    const SystemRoots roots_;
    LineWatch watch_;
    QLabel* status_;
};

} // namespace vk
