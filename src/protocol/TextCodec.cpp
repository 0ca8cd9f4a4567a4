#include "protocol/TextCodec.h"

#include <algorithm>
#include <cstdint>

namespace vk {

namespace {

size_t seqLength(unsigned char c) {
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0)
        return 2;
    if ((c & 0xF0) == 0xE0)
        return 3;
    if ((c & 0xF8) == 0xF0)
        return 4;
    return 1; // a stray byte counts as one character
}

// Code points of 0x80..0x9F in Windows-1252; 0 marks the five undefined bytes, which are
// kept as the C1 control of the same value.
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

template <bool Upper> std::string changeCase(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (Upper && c >= 'a' && c <= 'z')
                r += static_cast<char>(c - 32);
            else if (!Upper && c >= 'A' && c <= 'Z')
                r += static_cast<char>(c + 32);
            else
                r += static_cast<char>(c);
            continue;
        }
        if (c == 0xC3 && i + 1 < s.size()) {
            // U+00C0..U+00FF: the second byte is 0x80..0xBF.
            const auto d = static_cast<unsigned char>(s[i + 1]);
            unsigned char e = d;
            if (Upper && d >= 0xA0 && d <= 0xBE && d != 0xB7)
                e = static_cast<unsigned char>(d - 0x20);
            else if (!Upper && d >= 0x80 && d <= 0x9E && d != 0x97)
                e = static_cast<unsigned char>(d + 0x20);
            r += static_cast<char>(c);
            r += static_cast<char>(e);
            ++i;
            continue;
        }
        r += static_cast<char>(c);
    }
    return r;
}

} // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const auto d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    constexpr uint32_t kReplacement = 0xFFFD;
    auto unit = [&](size_t i) -> uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
    }
    if (i < bytes.size())
        AppendUtf8(out, kReplacement);
    return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else if (c < 0xA0 && kCp1252High[c - 0x80] != 0)
            AppendUtf8(out, kCp1252High[c - 0x80]);
        else
            AppendUtf8(out, c);
    }
    return out;
}

std::string AsUtf8(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

std::string Utf8Lower(const std::string& s) {
    return changeCase<false>(s);
}
std::string Utf8Upper(const std::string& s) {
    return changeCase<true>(s);
}

std::string FirstChar(const std::string& s) {
    return FirstChars(s, 1);
}

size_t CharCount(const std::string& s) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); i += seqLength(static_cast<unsigned char>(s[i])))
        ++count;
    return count;
}

std::string FirstChars(const std::string& s, size_t n) {
    size_t i = 0;
    while (i < s.size() && n > 0) {
        i += seqLength(static_cast<unsigned char>(s[i]));
        --n;
    }
    return s.substr(0, std::min(i, s.size()));
}

} // namespace vk
