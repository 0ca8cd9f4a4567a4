#include "race/LaneTimer.h"

#include "protocol/RaceTimeText.h"
#include "runlog/RunLog.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vk {

namespace {
constexpr int kMaxStartNumber = 9999;

int clampNumber(int n) {
    return std::clamp(n, 1, kMaxStartNumber);
}

// Fixed-point text independent of the C locale, with the given decimal separator.
std::string fixed(long double v, int decimals, const std::string& sep) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string text(buf, res.ptr);
    const auto dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, sep);
    return text;
}
} // namespace

LaneTimer::LaneTimer(int lane, Deps deps)
    : lane_(lane), d_(deps), startNumber_(lane), nextNumber_(lane + 2) {}

void LaneTimer::setRunning(bool on) {
    if (on == running_)
        return;
    running_ = on;
    if (onClockChanged)
        onClockChanged();
}

void LaneTimer::ShowTime(int s, int m) {
    std::array<int, 6> v{(s / 100) % 10, (s / 10) % 10, s % 10, m / 100, (m / 10) % 10, m % 10};
    // Values outside 0..9 (a negative time) show 0, as a digit does.
    for (auto& x : v)
        if (x < 0 || x > 9)
            x = 0;
    const Color c4 = v[0] > 0 ? kDigitBright : kDigitDim;
    const Color c5 = v[0] + v[1] > 0 ? kDigitBright : kDigitDim;
    const bool changed = v != digits_ || c4 != colorOn_[0] || c5 != colorOn_[1];
    digits_ = v;
    colorOn_[0] = c4;
    colorOn_[1] = c5;
    if (onMirror)
        onMirror(digits_, c4, c5);
    if (changed)
        displayChanged();
}

void LaneTimer::ShowMilliseconds(int32_t ms) {
    ShowTime(ms / 1000, ms % 1000);
}

void LaneTimer::setStartNumber(int n) {
    n = clampNumber(n);
    if (n == startNumber_)
        return;
    startNumber_ = n;
    numbersChanged();
}

void LaneTimer::setNextNumber(int n) {
    n = clampNumber(n);
    if (n == nextNumber_)
        return;
    nextNumber_ = n;
    numbersChanged();
}

void LaneTimer::ClockTimer() {
    ShowMilliseconds(TickDiff(d_.ticks.TickStamp(), d_.race.StartStamp));
}

void LaneTimer::StartLane() {
    setRunning(true);
    startNumberEditable_ = false;
    numbersChanged();

    CellTable& t = d_.table;
    const std::string number = startNumberText();
    int row = t.FindRow(0, number, false);
    if (row < 0) {
        if (t.RowCount() == 2 && t.Cell(0, 1).empty()) {
            row = 1;
        } else {
            t.SetRowCount(t.RowCount() + 1);
            row = t.RowCount() - 1;
        }
    }
    before_.clear();
    for (int c = 4; c < t.ColCount(); ++c) {
        if (d_.settings.ManyStart)
            before_.push_back(t.Cell(c, row));
        t.SetCell(c, row, {});
    }
    t.SetCell(0, row, number);
    if (onRowPrepared)
        onRowPrepared();
}

void LaneTimer::StopLane() {
    StopStamp = d_.ticks.TickStamp();
    setRunning(false);
    ShowMilliseconds(TickDiff(StopStamp, d_.race.StartStamp));
    writeResults();
}

void LaneTimer::writeResults() {
    const RaceState& r = d_.race;
    Result res;
    res.falseStart = lane_ == r.FalseStartLane;
    const int64_t pass1 = r.passStamp(lane_, 1);
    const auto sinceStart = [&](int pass) {
        const int64_t stamp = r.passStamp(lane_, pass);
        return stamp > 0 && !res.falseStart ? FormatRaceTime(TickDiff(stamp, r.StartStamp))
                                            : std::string();
    };
    res.rz = sinceStart(1);
    res.zz = sinceStart(2);
    res.topSpeedTime = sinceStart(3);
    if (res.falseStart) {
        res.fz = res.geszeit = "-";
    } else {
        if (pass1 > 0)
            res.fz = FormatRaceTime(TickDiff(StopStamp, pass1));
        res.geszeit = FormatRaceTime(TickDiff(StopStamp, r.StartStamp));
        res.kmh = SpeedText(r, lane_, StopStamp, d_.settings, decimalSeparator);
        res.win = lane_ == r.FirstStoppedLane;
    }
    result_ = res;

    CellTable& t = d_.table;
    const int row = t.FindRow(0, startNumberText(), false);
    if (row < 0)
        return;
    // A cell this run has no value for keeps what it had.
    const auto put = [&](int col, const std::string& v) {
        if (!v.empty())
            t.SetCell(col, row, v);
    };
    put(4, res.rz);
    put(5, res.zz);
    put(6, res.kmh);
    put(7, res.fz);
    put(8, res.geszeit);
    if (res.win)
        t.SetCell(9, row, "+");
    // Several starts per driver: the row keeps its best run's times. The advance mark stays
    // this race's: it says who goes on, not who was fastest.
    if (d_.settings.ManyStart && before_.size() > 4 && ParseRaceTimeMs(before_[4]) >= 0 &&
        !IsBetterRun({res.geszeit, res.falseStart}, {before_[4]}))
        for (int c = 4; c < t.ColCount() && c - 4 < static_cast<int>(before_.size()); ++c)
            if (c != 9)
                t.SetCell(c, row, before_[static_cast<size_t>(c - 4)]);
}

void LaneTimer::ResetLane() {
    setRunning(false);
    colorOn_ = {kDigitDim, kDigitDim, kDigitBright, kDigitBright, kDigitBright, kDigitBright};
    labSecColor_ = kDigitBright;
    displayChanged();
    ShowMilliseconds(0);
    StopStamp = d_.race.StartStamp;
    startNumberEditable_ = true;
    numbersChanged();
}

int LaneClockPeriodMs(double refreshHz) {
    // Twenty showings a second read as a running clock; the stop shows the exact time anyway,
    // and more would cost a laptop at the track more than 1 % of a core.
    constexpr double kMaxPerSecond = 20;
    const double hz = refreshHz > 0 ? std::min(refreshHz, kMaxPerSecond) : kMaxPerSecond;
    return static_cast<int>(std::ceil(1000 / hz));
}

std::string SpeedText(const RaceState& race, int lane, int64_t stopStamp, const Settings& settings,
                      const std::string& decimalSeparator) {
    const int64_t pass2 = race.passStamp(lane, 2);
    if (pass2 <= 0) {
        const int32_t elapsed = TickDiff(stopStamp, race.StartStamp);
        if (elapsed == 0)
            return {};
        const long double v = static_cast<long double>(settings.Length) / elapsed * 3600;
        return fixed(v, 1, decimalSeparator);
    }
    const int32_t elapsed = TickDiff(stopStamp, pass2);
    if (elapsed == 0)
        return {};
    const long double v =
        static_cast<long double>(settings.Length * 10LL - settings.LengthF) / elapsed * 360;
    return fixed(v, 3, decimalSeparator);
}

} // namespace vk
