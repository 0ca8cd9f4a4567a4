#include "race/LaneTimer.h"

#include "platform/Rounding.h"
#include "protocol/RaceTimeText.h"
#include "runlog/RunLog.h"

#include <algorithm>
#include <cmath>

namespace vk {

namespace {
constexpr int kMaxStartNumber = 9999;

int clampNumber(int n) {
    return std::clamp(n, 1, kMaxStartNumber);
}

// `scaled` / 10^decimals as fixed-point text with the given decimal separator.
std::string fixed(int64_t scaled, int decimals, const std::string& sep) {
    const bool negative = scaled < 0;
    std::string digits = std::to_string(negative ? -scaled : scaled);
    if (digits.size() <= static_cast<size_t>(decimals))
        digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<size_t>(decimals), sep);
    return (negative ? "-" : "") + digits;
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

// No stop ends without its result in the protocol.
int LaneTimer::rowForResults() {
    CellTable& t = d_.table;
    const std::string number = startNumberText();
    int row = t.FindRow(0, number, false);
    if (row < 0) {
        t.AddRow({number});
        row = t.RowCount() - 1;
        if (onRowMissing)
            onRowMissing(number);
    }
    return row;
}

void LaneTimer::writeResults() {
    const RaceState& r = d_.race;
    Result res;
    res.falseStart = lane_ == r.FalseStartLane;
    const auto sinceStart = [&](int pass) {
        return r.hasPass(lane_, pass) && !res.falseStart
                   ? FormatRaceTime(TickDiff(r.passStamp(lane_, pass), r.StartStamp))
                   : std::string();
    };
    res.rz = sinceStart(1);
    res.zz = sinceStart(2);
    res.topSpeedTime = sinceStart(3);
    if (res.falseStart) {
        res.fz = res.geszeit = "-";
    } else {
        if (r.hasPass(lane_, 1))
            res.fz = FormatRaceTime(TickDiff(StopStamp, r.passStamp(lane_, 1)));
        res.geszeit = FormatRaceTime(TickDiff(StopStamp, r.StartStamp));
        res.kmh = SpeedText(r, lane_, StopStamp, d_.settings, decimalSeparator);
        res.win = lane_ == r.FirstStoppedLane;
    }
    result_ = res;

    CellTable& t = d_.table;
    const int row = rowForResults();
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
    // The segment of `LengthF` ends at the top-speed barrier, the third pass: its speed is
    // timed from there to the stop. Without that pass only the mean over the track is known.
    if (!race.hasPass(lane, 3)) {
        const int32_t elapsed = TickDiff(stopStamp, race.StartStamp);
        if (elapsed == 0)
            return {};
        // m/ms * 3600 is km/h; in tenths.
        return fixed(DivRoundHalfUp(settings.Length * 36000LL, elapsed), 1, decimalSeparator);
    }
    const int32_t elapsed = TickDiff(stopStamp, race.passStamp(lane, 3));
    if (elapsed == 0)
        return {};
    // dm/ms * 360 is km/h; in thousandths.
    const int64_t segment = settings.Length * 10LL - settings.LengthF;
    return fixed(DivRoundHalfUp(segment * 360000, elapsed), 3, decimalSeparator);
}

} // namespace vk
