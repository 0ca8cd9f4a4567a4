#include "protocol/NumberFormats.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vk {

bool SpreadsheetNumber(const std::string& text, char sep, double& value, int& decimals) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    const size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    const size_t intDigits = i - intStart;
    // No leading zeros ("007" stays text), at least one digit before the separator.
    if (intDigits == 0 || (intDigits > 1 && text[intStart] == '0'))
        return false;
    size_t fracDigits = 0;
    if (i < text.size() && text[i] == sep) {
        ++i;
        const size_t fracStart = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        fracDigits = i - fracStart;
        if (fracDigits == 0)
            return false;
    }
    // Beyond 15 digits a double no longer gives the text back.
    if (i != text.size() || intDigits + fracDigits > 15)
        return false;
    std::string plain = text;
    if (fracDigits > 0)
        plain[intStart + intDigits] = '.';
    double v = 0;
    const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size())
        return false;
    if (negative && v == 0)
        return false; // "-0" would come back as "0"
    value = v;
    decimals = static_cast<int>(fracDigits);
    return true;
}

NumberDecimals DecimalsOfFormatCode(const std::string& code) {
    // Only the first section (positive numbers) matters here.
    bool zeroOrHash = false, afterPoint = false, fracEnded = false;
    NumberDecimals d{0, 0};
    for (size_t i = 0; i < code.size(); ++i) {
        const char ch = code[i];
        if (ch == ';')
            break;
        if (ch == '"') {
            const size_t close = code.find('"', i + 1);
            if (close == std::string::npos)
                break;
            i = close;
            continue;
        }
        if (ch == '\\' || ch == '_' || ch == '*') {
            ++i;
            continue;
        }
        if (ch == '[') {
            const size_t close = code.find(']', i + 1);
            if (close == std::string::npos)
                break;
            i = close;
            continue;
        }
        // Dates, times, exponents, percentages and text formats are shown as plain numbers.
        if (std::strchr("yYmMdDhHsSeE%@", ch))
            return {};
        if (ch == '0' || ch == '#' || ch == '?') {
            zeroOrHash = true;
            if (afterPoint && !fracEnded) {
                ++d.max;
                if (ch == '0')
                    d.min = d.max;
            }
            continue;
        }
        if (ch == '.' && !afterPoint) {
            afterPoint = true;
            continue;
        }
        if (afterPoint)
            fracEnded = true;
    }
    if (!zeroOrHash)
        return {};
    return d;
}

NumberDecimals DecimalsOfBuiltinFormat(long long id) {
    switch (id) {
    case 1:
    case 3:
        return {0, 0};
    case 2:
    case 4:
        return {2, 2};
    default:
        return {};
    }
}

std::string FormatSpreadsheetNumber(double value, int minDecimals, int maxDecimals, char sep) {
    if (value == 0)
        value = 0; // no "-0"
    char buf[400];
    std::to_chars_result res{};
    if (maxDecimals >= 0 && value < 1e20 && value > -1e20) {
        maxDecimals = std::min(maxDecimals, 30);
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, maxDecimals);
    } else {
        minDecimals = 0;
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    }
    if (res.ec != std::errc())
        return {};
    std::string s(buf, res.ptr);
    const auto e = s.find('e');
    std::string exponent;
    if (e != std::string::npos) {
        exponent = s.substr(e);
        exponent[0] = 'E';
        s.erase(e);
    }
    const auto point = s.find('.');
    if (point != std::string::npos) {
        // Optional decimals ('#') and the general format drop trailing zeros.
        size_t keep = point + 1 + static_cast<size_t>(std::max(minDecimals, 0));
        while (s.size() > keep && s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
        else
            s[point] = sep;
    }
    return s + exponent;
}

} // namespace vk
