#include "race/LineWatch.h"

#include <utility>

namespace vk {

namespace {

constexpr uint32_t kLaneBit[2] = {0x80, 0x20}; // lane 1 on DCD, lane 2 on DSR

} // namespace

void LineWatch::Reset(uint32_t status) {
    status_ = status;
    for (Line& l : lines_) {
        l.changes.clear();
        l.told = false;
    }
}

uint32_t LineWatch::Change(int64_t tick, uint32_t status) {
    const uint32_t changed = status ^ status_;
    status_ = status;
    uint32_t over = 0;
    for (Line& l : lines_) {
        if (!(changed & l.bit))
            continue;
        l.changes.push_back(tick);
        while (!l.changes.empty() && tick - l.changes.front() >= kBounceWindowMs)
            l.changes.pop_front();
        if (l.changes.size() <= kBounceLimit) {
            l.told = false;
        } else if (!l.told) {
            l.told = true;
            over |= l.bit;
        }
    }
    return over;
}

bool LineWatch::Blocked(int lane) const {
    return armed_ && (lane == 1 || lane == 2) && (status_ & kLaneBit[lane - 1]) != 0;
}

std::string LineWatch::LaneText(int lane) const {
    return Blocked(lane) ? "LS" + std::to_string(lane) + " unterbrochen" : std::string();
}

std::string LineWatch::StatusText() const {
    std::string text;
    for (int lane = 1; lane <= 2; ++lane)
        if (Blocked(lane))
            text += (text.empty() ? "" : ", ") + LaneText(lane);
    return text;
}

std::string BounceText(uint32_t lines) {
    std::string names;
    for (auto [bit, name] : {std::pair{0x10u, "AMPEL"}, {0x80u, "LS1"}, {0x20u, "LS2"}})
        if (lines & bit)
            names += (names.empty() ? "" : ", ") + std::string(name);
    return names + ": mehr als " + std::to_string(LineWatch::kBounceLimit) +
           " Wechsel in einer Sekunde – Kontakt, Kabel und Stecker prüfen";
}

} // namespace vk
