#pragma once
#include "config/Settings.h"
#include "display/Colors.h"
#include "platform/Tick.h"
#include "protocol/CellTable.h"
#include "race/RaceState.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vk {

constexpr Color kDigitDim = 0x404040;
constexpr Color kDigitBright = 0x00FFFF;

// What a lane frame shows and does: the running time in six digits (seconds hundreds, tens,
// units, then milliseconds hundreds, tens, units), the lane clock, the start numbers of the
// driver on the lane and of the one ready next, and the lane's row in the protocol.
class LaneTimer {
public:
    struct Deps {
        const RaceState& race;
        const Settings& settings;
        TickSource& ticks;
        CellTable& table;
    };
    LaneTimer(int lane, Deps deps);

    int lane() const { return lane_; }

    // Display.
    void ShowTime(int seconds, int milliseconds);
    void ShowMilliseconds(int32_t ms);
    const std::array<int, 6>& digits() const { return digits_; }
    Color digitColorOn(int index) const { return colorOn_[static_cast<size_t>(index)]; }
    Color labSecColor() const { return labSecColor_; }

    // Start numbers (editStartN1 "Start-Nr.:", editStartN2 "Bereit:"), each 1..9999.
    int startNumber() const { return startNumber_; }
    int nextNumber() const { return nextNumber_; }
    void setStartNumber(int n);
    void setNextNumber(int n);
    std::string startNumberText() const { return std::to_string(startNumber_); }
    bool startNumberEditable() const { return startNumberEditable_; }

    // The lane clock runs from the lane's start to its stop or reset. Its ticks come from the
    // race control's one clock for both lanes (onClockChanged tells it), so a running race
    // repaints both lanes in one pass.
    bool clockRunning() const { return running_; }
    int64_t StopStamp = 0;

    void StartLane();
    void StopLane();

    // What the lane's last stop gave, whether or not a row took it (the run log keeps it).
    struct Result {
        std::string rz, zz, topSpeedTime, kmh, fz, geszeit;
        bool win = false, falseStart = false;
    };
    const Result& lastResult() const { return result_; }
    void ResetLane();
    // The clock tick: the running time since the start.
    void ClockTimer();

    // The decimal separator of the system's locale, used in the speed figure.
    std::string decimalSeparator = ",";

    // Raised after the digits or their colours changed.
    std::function<void()> onDisplayChanged;
    // Raised after a start number or its editability changed.
    std::function<void()> onNumbersChanged;
    // Mirrors every shown time (six digit values and the on-colours of the two leading
    // digits) into the audience window once it exists.
    std::function<void(const std::array<int, 6>&, Color, Color)> onMirror;
    // Raised after a lane start prepared the lane's row (the protocol buttons follow it).
    std::function<void()> onRowPrepared;
    // Raised when a stop found no row for its start number (it was removed or renumbered
    // while the lane ran) and wrote its result into a new one.
    std::function<void(const std::string& number)> onRowMissing;
    // Raised when the lane clock starts or stops.
    std::function<void()> onClockChanged;

private:
    void writeResults();
    int rowForResults();
    void displayChanged() {
        if (onDisplayChanged)
            onDisplayChanged();
    }
    void numbersChanged() {
        if (onNumbersChanged)
            onNumbersChanged();
    }
    void setRunning(bool on);

    int lane_;
    Deps d_;
    bool running_ = false;
    std::array<int, 6> digits_{};
    std::array<Color, 6> colorOn_{kDigitDim,    kDigitDim,    kDigitBright,
                                  kDigitBright, kDigitBright, kDigitBright};
    Color labSecColor_ = kDigitBright;
    int startNumber_;
    int nextNumber_;
    Result result_;
    // With several starts per driver: the row's results before this run, put back when the
    // run is not better.
    std::vector<std::string> before_;
    bool startNumberEditable_ = true;
};

// The lane clocks' period for a display of this refresh rate: at most one repaint per frame
// and at most 20 a second.
int LaneClockPeriodMs(double refreshHz);

// The speed cell of a stopped lane, or empty when the elapsed time is zero.
std::string SpeedText(const RaceState& race, int lane, int64_t stopStamp, const Settings& settings,
                      const std::string& decimalSeparator);

} // namespace vk
