#pragma once
#include <string>
#include <vector>

namespace vk {

// A QR code's modules, row by row, without the quiet zone; empty when the text does not fit.
struct QrMatrix {
    int size = 0;
    std::vector<bool> dark;
    bool at(int x, int y) const { return dark[static_cast<size_t>(y * size + x)]; }
};
QrMatrix QrEncode(const std::string& text);

} // namespace vk
