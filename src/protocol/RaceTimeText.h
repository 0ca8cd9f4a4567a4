#pragma once
#include <cstdint>
#include <string>

namespace vk {

// Milliseconds as whole seconds, a comma and three millisecond digits: 5123 gives "5,123".
// Runs of 1000 s and more keep all their seconds (1234567 gives "1234,567").
std::string FormatRaceTime(int64_t ms);

// The protocol's columns of run-time texts (RZ, ZZ, FZ, Geszeit): their decimal mark is the
// comma whatever the locale's is.
constexpr bool IsRaceTimeColumn(int col) {
    return col == 4 || col == 5 || col == 7 || col == 8;
}

} // namespace vk
