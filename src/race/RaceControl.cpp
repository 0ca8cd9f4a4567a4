#include "race/RaceControl.h"

namespace vk {

namespace {
constexpr int kLaneLockoutMs = 500;
constexpr int kAutoResetMs = 5000;
constexpr int kDefaultWaitStartMs = 3000;
constexpr uint32_t kStartLines = kStatusCTS;
constexpr uint32_t kLaneLines = kStatusDSR | kStatusRLSD;
} // namespace

RaceControl::RaceControl(Deps deps)
    : ticks_(deps.ticks), FrameT1(1, {race, deps.settings, ticks_, deps.table}),
      FrameT2(2, {race, deps.settings, ticks_, deps.table}), d_(deps),
      lockStart_(deps.timers.createTimer()), lockStop1_(deps.timers.createTimer()),
      lockStop2_(deps.timers.createTimer()), reset_(deps.timers.createTimer()),
      laneClock_(deps.timers.createTimer()) {
    mStart.setEnabled(true);
    mStart.action = [this] { mStartClick(); };
    mStop1.action = [this] { mStopClick(1); };
    mStop2.action = [this] { mStopClick(2); };
    mReset.action = [this] { mResetClick(); };
    mFehlstart1.action = [this] { bFehlStartClick(1); };
    mFehlstart2.action = [this] { bFehlStartClick(2); };

    lockStart_->setInterval(kDefaultWaitStartMs);
    lockStart_->tag = 0;
    lockStop1_->setInterval(kLaneLockoutMs);
    lockStop1_->tag = 1;
    lockStop2_->setInterval(kLaneLockoutMs);
    lockStop2_->tag = 2;
    reset_->setInterval(kAutoResetMs);
    lockStart_->onTimer = [this] { TimerGesperrtTimer(0); };
    lockStop1_->onTimer = [this] { TimerGesperrtTimer(1); };
    lockStop2_->onTimer = [this] { TimerGesperrtTimer(2); };
    reset_->onTimer = [this] { TimerResetTimer(); };

    laneClock_->setInterval(LaneClockPeriodMs(0));
    laneClock_->onTimer = [this] { laneClockTick(); };
    for (LaneTimer* f : {&FrameT1, &FrameT2}) {
        f->onRowPrepared = [this] {
            if (updateProtocolButtons)
                updateProtocolButtons();
        };
        f->onClockChanged = [this] { laneClock_->setEnabled(anyClockRunning()); };
    }

    SetButtonState(Button::Start, true);
    SetButtonState(Button::Stop1, false);
    SetButtonState(Button::Stop2, false);
    SetButtonState(Button::Reset, false);
}

void RaceControl::applyWaitStart(int ms) {
    if (ms > 0)
        lockStart_->setInterval(ms);
}

void RaceControl::setDecimalSeparator(const std::string& sep) {
    FrameT1.decimalSeparator = sep;
    FrameT2.decimalSeparator = sep;
}

void RaceControl::SetButtonState(Button b, bool enabled) {
    ButtonState& s = b == Button::Start   ? bSTART
                     : b == Button::Stop1 ? bSTOP1
                     : b == Button::Stop2 ? bSTOP2
                                          : bRESET;
    s.enabled = enabled;
    if (!enabled) {
        s.face = clBtnFace;
        s.light = clBtnShadow;
        s.shadow = clNone;
        return;
    }
    switch (b) {
    case Button::Start:
        s = {true, 0x008000, 0xC0FFC0, 0x00C000};
        break;
    case Button::Stop1:
    case Button::Stop2:
        s = {true, 0x0000FF, 0x9090FF, 0x0000C0};
        break;
    case Button::Reset:
        s.face = 0x808080;
        s.light = 0x000000;
        break;
    }
}

void RaceControl::mirrorCommandsToButtons() {
    SetButtonState(Button::Start, mStart.enabled());
    SetButtonState(Button::Stop1, mStop1.enabled());
    SetButtonState(Button::Stop2, mStop2.enabled());
}

void RaceControl::laneClockTick() {
    for (LaneTimer* f : {&FrameT1, &FrameT2})
        if (f->clockRunning())
            f->ClockTimer();
}

void RaceControl::mStartClick() {
    const Notify n(*this);
    lockTagBeforeStart_ = lockTag;
    race.StartStamp = ticks_.TickStamp();
    startedByContact = contactStarting_;
    stoppedByPass = {};
    if (d_.settings.ColSpeed0 && portOpen())
        setAmpel(kAmpelGreen);
    race.FalseStartLane = 0;
    race.PassCount = {};
    race.PassStamp = {};
    race.StopCount = 0;
    race.FirstStoppedLane = 0;
    FrameT1.StartLane();
    FrameT2.StartLane();
    PlaySoundFile(startSoundPath);
    mStart.setEnabled(false);
    mStop1.setEnabled(true);
    mStop2.setEnabled(true);
    mirrorCommandsToButtons();
    for (int lane = 1; lane <= 2; ++lane)
        if (!armed(lane))
            ImageLSClick(lane);
    LockStartContact();
    SetButtonState(Button::Reset, false);
    mReset.setEnabled(bRESET.enabled);
    if (!portOpen()) {
        mFehlstart1.setEnabled(true);
        mFehlstart2.setEnabled(true);
        falseStartShown = {true, true};
    }
}

void RaceControl::mStopClick(int lane) {
    const Notify n(*this);
    race.StopCount += 1;
    if (race.StopCount == 1)
        race.FirstStoppedLane = lane;
    stoppedByPass[static_cast<size_t>(lane - 1)] = passStopping_;
    frame(lane).StopLane();
    stopCommand(lane).setEnabled(false);
    LockLaneBarrier(lane);
    PlaySoundFile(stopSoundPath);
    if (race.StopCount == 2) {
        if (cbAutomatisch)
            reset_->setEnabled(true);
        if (d_.settings.ColSpeed0 && portOpen())
            setAmpel(kAmpelRed);
    }
    if (onLaneStopped)
        onLaneStopped(lane);
    // Every stop that wrote results is taken to the disk, not only the race's second.
    if (requestBackup)
        requestBackup();
    SetButtonState(Button::Stop1, mStop1.enabled());
    SetButtonState(Button::Stop2, mStop2.enabled());
    if (bSTART.enabled && !armed(kLockStart))
        ImageLSClick(kLockStart);
    SetButtonState(Button::Reset, true);
    mReset.setEnabled(bRESET.enabled);
}

void RaceControl::bSTARTMouseDown() {
    mStart.click();
}

void RaceControl::bSTOPMouseDown(int lane) {
    const Notify n(*this);
    stopCommand(lane).click();
    if (!portOpen()) {
        falseStartCommand(lane).setEnabled(false);
        falseStartShown[static_cast<size_t>(lane - 1)] = false;
    }
}

void RaceControl::moveNumbers(LaneTimer& f) {
    f.ResetLane();
    f.setStartNumber(f.nextNumber());
    f.setNextNumber(std::min(f.nextNumber() + 2, 9999));
}

void RaceControl::mResetClick() {
    const Notify n(*this);
    // A lane still running is abandoned; its row keeps only the start number.
    const bool abandoned = FrameT1.clockRunning() || FrameT2.clockRunning();
    led[0] = false;
    FrameT1.ResetLane();
    for (int i = 1; i <= 4; ++i)
        led[static_cast<size_t>(i)] = false;
    if (!bSTOP1.enabled)
        moveNumbers(FrameT1);
    for (int i = 5; i <= 8; ++i)
        led[static_cast<size_t>(i)] = false;
    FrameT2.ResetLane();
    if (!bSTOP2.enabled)
        moveNumbers(FrameT2);
    if (onResetLabels)
        onResetLabels();
    for (int lane = 1; lane <= 2; ++lane)
        if (armed(lane))
            ImageLSClick(lane);
    SetButtonState(Button::Reset, false);
    mReset.setEnabled(bRESET.enabled);
    reset_->setEnabled(false);
    if (bSTART.enabled && !armed(kLockStart))
        ImageLSClick(kLockStart);
    mStart.setEnabled(true);
    mStop1.setEnabled(false);
    mStop2.setEnabled(false);
    mirrorCommandsToButtons();
    if (!portOpen()) {
        mFehlstart1.setEnabled(false);
        mFehlstart2.setEnabled(false);
        falseStartShown = {false, false};
    }
    if (abandoned && requestBackup)
        requestBackup();
}

void RaceControl::TimerResetTimer() {
    reset_->setEnabled(false);
    mResetClick();
}

// ---- barrier events ----

// Each handler takes only its own lines into LastModemStatus: a record in which the start
// contact and a lane line changed together runs both handlers with one word, and the lane's
// change must still be new to its own handler.
void RaceControl::ComPortStart() {
    const AtEventTime at(*this);
    const uint32_t status = (modemStatus ? modemStatus() : 0) & kStartLines;
    if (status == (LastModemStatus & kStartLines) && !ImitStart)
        return;
    const Notify n(*this);
    const bool on = (status & kStatusCTS) != 0 || ImitStart;
    LastModemStatus = (LastModemStatus & ~kStartLines) | status;
    if (d_.settings.Alg == 0 && on)
        HandleStartContact();
}

void RaceControl::ComPortStop() {
    const AtEventTime at(*this);
    const uint32_t status = (modemStatus ? modemStatus() : 0) & kLaneLines;
    if (status == (LastModemStatus & kLaneLines) && !ImitLane1 && !ImitLane2)
        return;
    const Notify n(*this);
    const uint32_t rising = status & ~LastModemStatus;
    const bool lane1 = (rising & kStatusRLSD) != 0 || ImitLane1;
    const bool lane2 = (rising & kStatusDSR) != 0 || ImitLane2;
    LastModemStatus = (LastModemStatus & ~kLaneLines) | status;
    if (d_.settings.Alg == 0) {
        if (lane1 || lane2)
            CountLanePasses(lane1, lane2);
    } else if (d_.settings.Alg == 1) {
        if (!(lane1 && lane2))
            CountLanePasses(lane1, lane2);
    }
}

void RaceControl::CountLanePasses(bool lane1, bool lane2) {
    const Notify n(*this);
    // A record stamped before a start that a key gave is handled after it, but it happened
    // before: it meets the inputs as they were then, and nothing of it is timed.
    const bool beforeStart = !mStart.enabled() && TickDiff(ticks_.TickStamp(), race.StartStamp) < 0;
    for (int lane = 1; lane <= 2; ++lane) {
        if (!(lane == 1 ? lane1 : lane2))
            continue;
        const size_t i = static_cast<size_t>(lane - 1);
        if (beforeStart) {
            if (lockTagBeforeStart_[i + 1] == 0 && lockTagBeforeStart_[kLockStart] == 1)
                falseStartShown[i] = true;
            continue;
        }
        if (TimerGesperrtStop(lane).enabled())
            continue;
        if (armed(lane)) {
            const int k = ++race.PassCount[i];
            if (k >= 1 && k <= 4) {
                led[static_cast<size_t>((lane - 1) * 4 + k)] = true;
                race.PassStamp[i][static_cast<size_t>(k - 1)] = ticks_.TickStamp();
            }
            if (k >= 4) {
                passStopping_ = true;
                stopCommand(lane).click();
                passStopping_ = false;
                LockLaneBarrier(lane);
            }
        } else if (armed(kLockStart)) {
            falseStartShown[i] = true;
        }
    }
}

void RaceControl::ImageLSClick(int input) {
    const Notify n(*this);
    auto& tag = lockTag[static_cast<size_t>(input)];
    tag = 1 - tag;
    if (input == kLockStart)
        setAmpel(3 * tag);
}

void RaceControl::LockStartContact() {
    if (lockStart_->interval() > 0)
        lockStart_->setEnabled(true);
    if (armed(kLockStart))
        ImageLSClick(kLockStart);
}

void RaceControl::LockLaneBarrier(int lane) {
    Timer& t = TimerGesperrtStop(lane);
    if (t.interval() > 0)
        t.setEnabled(true);
    if (armed(lane))
        ImageLSClick(lane);
}

void RaceControl::TimerGesperrtTimer(int which) {
    const Notify n(*this);
    if (which == 0) {
        lockStart_->setEnabled(false);
        if (!armed(kLockStart) && bSTART.enabled)
            ImageLSClick(kLockStart);
    } else {
        TimerGesperrtStop(which).setEnabled(false);
        if (!armed(which) && stopButton(which).enabled)
            ImageLSClick(which);
    }
}

void RaceControl::ComPortOpen() {
    const Notify n(*this);
    iconsVisible = true;
    if (d_.settings.ColSpeed0)
        ampelPicture = kAmpelRed;
}

void RaceControl::ComPortClose() {
    const Notify n(*this);
    iconsVisible = false;
    ampelPicture = kAmpelDark;
}

// ---- start procedure ----

void RaceControl::HandleStartContact() {
    if (lockStart_->enabled() || !armed(kLockStart))
        return;
    const Notify n(*this);
    led[0] = true;
    contactStarting_ = true;
    mStart.click();
    contactStarting_ = false;
    if (d_.settings.ColSpeed0)
        setAmpel(kAmpelGreen);
}

void RaceControl::bFehlStartClick(int lane) {
    const Notify n(*this);
    falseStartShown[static_cast<size_t>(lane - 1)] = false;
    race.FalseStartLane = lane;
    stopCommand(lane).click();
    race.FirstStoppedLane = lane == 1 ? 2 : 1;
}

void RaceControl::PlaySoundFile(const std::string& path) {
    if (d_.settings.Sound && !path.empty())
        d_.sound.play(path);
}

// ---- imitation ----

void RaceControl::bImit1Click(int tag) {
    const Notify n(*this);
    // The marker makes the handler see a change on its lines; the lines of the other handler
    // keep what it saw, so an imitation cannot fake a change of a real line for it.
    const uint32_t before = LastModemStatus;
    const uint32_t own = tag == 1 ? kStartLines : kLaneLines;
    LastModemStatus = kImitationStatus;
    ImitStart = true;
    if (tag == 1) {
        ComPortStart();
    } else if (tag == 2) {
        ImitLane1 = true;
        ComPortStop();
    } else if (tag == 3) {
        ImitLane2 = true;
        ComPortStop();
    }
    ImitStart = ImitLane1 = ImitLane2 = false;
    LastModemStatus = (before & ~own) | (LastModemStatus & own);
}

} // namespace vk
