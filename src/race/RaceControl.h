#pragma once
#include "config/Settings.h"
#include "display/Colors.h"
#include "platform/Services.h"
#include "platform/Tick.h"
#include "platform/Timer.h"
#include "protocol/CellTable.h"
#include "race/Command.h"
#include "race/LaneTimer.h"
#include "race/RaceState.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vk {

// Modem-status bits of the three inputs.
constexpr uint32_t kStatusCTS = 0x10; // start contact of the light tree
constexpr uint32_t kStatusDSR = 0x20; // barriers of lane 2
constexpr uint32_t kStatusRing = 0x40;
constexpr uint32_t kStatusRLSD = 0x80; // barriers of lane 1
// A value no modem-status word takes: the next handler always sees a change.
constexpr uint32_t kImitationStatus = 0x1234567;

// Enabled flag and colours of one styled race button.
struct ButtonState {
    bool enabled = true;
    Color face = clBtnFace;
    Color light = clBtnShadow;
    Color shadow = clNone;
};

// Light-tree pictures.
enum AmpelPicture { kAmpelRed = 0, kAmpelGreen = 1, kAmpelDark = 2, kAmpelYellow = 3 };

// The three block/arm icons: the start contact and the barriers of each lane.
enum LockInput { kLockStart = 0, kLockLane1 = 1, kLockLane2 = 2 };

// The race's time: the tick count now, except while a serial record is handled, when every
// stamp is the tick of the moment the event thread saw the change.
class RaceTicks final : public TickSource {
public:
    explicit RaceTicks(TickSource& base) : base_(base) {}
    int64_t TickStamp() override { return pinned ? *pinned : base_.TickStamp(); }
    std::optional<int64_t> pinned;

private:
    TickSource& base_;
};

// The whole race control of the main window: the run cycle from START through both lane
// stops to the reset, the barrier events with their lockouts and blocking, the start
// procedure with light tree, sounds and false start, and the barrier imitation. The ui shows
// this state and forwards operator input; it holds no rule of its own.
class RaceControl {
    // Before the lane frames, which stamp with it.
    RaceTicks ticks_;

public:
    struct Deps {
        TickSource& ticks;
        TimerFactory& timers;
        SoundOutput& sound;
        CellTable& table;
        Settings& settings;
    };
    explicit RaceControl(Deps deps);
    RaceControl(const RaceControl&) = delete;
    RaceControl& operator=(const RaceControl&) = delete;

    RaceState race;
    LaneTimer FrameT1, FrameT2;
    LaneTimer& frame(int lane) { return lane == 1 ? FrameT1 : FrameT2; }

    // Hidden menu commands; their enabled flags are the run-cycle state.
    Command mStart{"Start"}, mStop1{"Stopp 1", 1}, mStop2{"Stopp 2", 2}, mReset{"0,00"},
        mFehlstart1{"Fehlstart 1", 1}, mFehlstart2{"Fehlstart 2", 2};
    Command& stopCommand(int lane) { return lane == 1 ? mStop1 : mStop2; }
    Command& falseStartCommand(int lane) { return lane == 1 ? mFehlstart1 : mFehlstart2; }

    ButtonState bSTART, bSTOP1, bSTOP2, bRESET;
    ButtonState& stopButton(int lane) { return lane == 1 ? bSTOP1 : bSTOP2; }
    // The false-start buttons are always disabled; being shown is the indication.
    std::array<bool, 2> falseStartShown{false, false};

    enum class Button { Start, Stop1, Stop2, Reset };
    void SetButtonState(Button b, bool enabled);

    // Run cycle.
    void mStartClick();
    void mStopClick(int lane);
    void bSTARTMouseDown();
    void bSTOPMouseDown(int lane);
    void mResetClick();
    void TimerResetTimer();
    bool cbAutomatisch = false;

    // Barrier events.
    void ComPortStart();
    void ComPortStop();
    void CountLanePasses(bool lane1, bool lane2);
    void ImageLSClick(int input);
    void LockLSClick(int tag) { ImageLSClick(tag); }
    void LockStartContact();
    void LockLaneBarrier(int lane);
    void TimerGesperrtTimer(int which);
    void ComPortOpen();
    void ComPortClose();
    uint32_t LastModemStatus = 0;
    bool ImitStart = false, ImitLane1 = false, ImitLane2 = false;
    // Tags of the icons ImageLSstart, ImageLSstop1, ImageLSstop2: 1 armed, 0 blocked.
    std::array<int, 3> lockTag{0, 0, 0};
    bool armed(int input) const { return lockTag[static_cast<size_t>(input)] == 1; }
    // The icons are visible exactly while the serial port is open.
    bool iconsVisible = false;
    bool portOpen() const { return iconsVisible; }
    // Led0 start contact, Led1..Led4 lane 1 passes, Led5..Led8 lane 2 passes.
    std::array<bool, 9> led{};

    // Start procedure.
    void HandleStartContact();
    void bFehlStartClick(int lane);
    void PlaySoundFile(const std::string& path);
    std::string startSoundPath, stopSoundPath;
    int ampelPicture = kAmpelDark;
    int ampelTag = 0;

    // Imitation.
    void bImit1Click(int tag);
    void TestLSClick() {
        const Notify n(*this);
        panelImitVisible = !panelImitVisible;
    }
    bool panelImitVisible = true;

    // Lockout and reset timers.
    Timer& TimerGesperrtStart() { return *lockStart_; }
    Timer& TimerGesperrtStop(int lane) { return lane == 1 ? *lockStop1_ : *lockStop2_; }
    Timer& TimerReset() { return *reset_; }
    // The start lockout from the settings, applied only when positive.
    void applyWaitStart(int ms);

    void setDecimalSeparator(const std::string& sep);

    // Reads the serial port's modem-status word; 0 while none is bound.
    std::function<uint32_t()> modemStatus;
    // The tick of the serial record being dispatched, none outside a dispatch. The barrier
    // handlers stamp with it (the start, the passes and a stop that a pass clicks).
    std::function<std::optional<int64_t>()> eventStamp;
    // Any shown state changed; raised once per operation, when the outermost one ends.
    std::function<void()> onChanged;
    // The protocol's tool buttons follow the table.
    std::function<void()> updateProtocolButtons;
    // Results were written or a running lane was abandoned: the protocol must reach the disk.
    std::function<void()> requestBackup;
    // A lane stopped (its frame's lastResult() holds the run); raised before requestBackup,
    // so the run log is not held up by the protocol's write.
    std::function<void(int lane)> onLaneStopped;
    // How the last race started (the light tree's contact or by hand) and whether each lane
    // was stopped by its fourth pass.
    bool startedByContact = false;
    std::array<bool, 2> stoppedByPass{};
    // The audience window's start-number labels at a reset.
    std::function<void()> onResetLabels;

    bool anyClockRunning() const { return FrameT1.clockRunning() || FrameT2.clockRunning(); }
    // The one clock that drives both lane displays while a lane runs.
    void setLaneClockPeriod(int ms) { laneClock_->setInterval(ms); }

private:
    bool contactStarting_ = false, passStopping_ = false;
    // Held by every operation: the ui hears of the changes once, when the outermost ends.
    class Notify {
    public:
        explicit Notify(RaceControl& rc) : rc_(rc) { ++rc_.notifyDepth_; }
        ~Notify() {
            if (--rc_.notifyDepth_ == 0 && rc_.onChanged)
                rc_.onChanged();
        }
        Notify(const Notify&) = delete;
        Notify& operator=(const Notify&) = delete;

    private:
        RaceControl& rc_;
    };
    // Held by the serial handlers: stamps are the record's.
    class AtEventTime {
    public:
        explicit AtEventTime(RaceControl& rc) : ticks_(rc.ticks_), outer_(ticks_.pinned) {
            if (rc.eventStamp)
                if (const auto t = rc.eventStamp())
                    ticks_.pinned = t;
        }
        ~AtEventTime() { ticks_.pinned = outer_; }
        AtEventTime(const AtEventTime&) = delete;
        AtEventTime& operator=(const AtEventTime&) = delete;

    private:
        RaceTicks& ticks_;
        std::optional<int64_t> outer_;
    };
    void laneClockTick();
    void setAmpel(int picture) {
        ampelPicture = picture;
        ampelTag = picture;
    }
    void mirrorCommandsToButtons();
    void moveNumbers(LaneTimer& f);

    Deps d_;
    // The block states as the last start found them.
    std::array<int, 3> lockTagBeforeStart_{0, 0, 0};
    std::unique_ptr<Timer> lockStart_, lockStop1_, lockStop2_, reset_, laneClock_;
    int notifyDepth_ = 0;
};

} // namespace vk
