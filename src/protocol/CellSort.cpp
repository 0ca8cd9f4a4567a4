#include "protocol/CellSort.h"

#include "protocol/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace vk {

namespace {

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

int ordinal(const std::string& a, const std::string& b) {
    const int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

template <typename T> int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Reads an unsigned decimal integer of at most maxDigits digits at s[i].
bool readInt(const std::string& s, size_t& i, int maxDigits, long& out) {
    const size_t start = i;
    long v = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) &&
           static_cast<int>(i - start) < maxDigits) {
        v = v * 10 + (s[i] - '0');
        ++i;
    }
    if (i == start)
        return false;
    out = v;
    return true;
}

std::optional<double> parseTimeAt(const std::string& s, size_t& i, const SortLocale& loc) {
    long h = 0, m = 0, sec = 0;
    if (!readInt(s, i, 2, h) || i >= s.size() || s[i] != loc.timeSeparator)
        return std::nullopt;
    ++i;
    if (!readInt(s, i, 2, m))
        return std::nullopt;
    double frac = 0;
    if (i < s.size() && s[i] == loc.timeSeparator) {
        ++i;
        if (!readInt(s, i, 2, sec))
            return std::nullopt;
        if (i < s.size() && s[i] == loc.decimalSeparator) {
            ++i;
            double scale = 0.1;
            const size_t start = i;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
                frac += (s[i] - '0') * scale;
                scale /= 10;
                ++i;
            }
            if (i == start)
                return std::nullopt;
        }
    }
    if (h > 23 || m > 59 || sec > 59)
        return std::nullopt;
    return h * 3600.0 + m * 60.0 + sec + frac;
}

bool leapYear(long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

std::optional<double> dayNumber(long y, long m, long d) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1)
        return std::nullopt;
    const int len = kDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
    if (d > len)
        return std::nullopt;
    long days = (y - 1) * 365 + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400;
    for (long k = 1; k < m; ++k)
        days += kDays[k - 1] + (k == 2 && leapYear(y) ? 1 : 0);
    return static_cast<double>(days + d - 1);
}

} // namespace

std::optional<double> ParseNumber(const std::string& text, const SortLocale& locale) {
    const std::string s = trimmed(text);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::string c = s.substr(0, i);
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        c += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == locale.decimalSeparator) {
        c += '.';
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            c += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            c += s[i++];
        bool exp = false;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            c += s[i++];
            exp = true;
        }
        if (!exp)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    std::istringstream in(c);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> v;
    if (in.fail())
        return std::nullopt;
    return v;
}

std::optional<double> ParseTime(const std::string& text, const SortLocale& locale) {
    const std::string s = trimmed(text);
    size_t i = 0;
    auto t = parseTimeAt(s, i, locale);
    if (!t || i != s.size())
        return std::nullopt;
    return t;
}

std::optional<double> ParseDateTime(const std::string& text, const SortLocale& locale) {
    const std::string s = trimmed(text);
    size_t i = 0;
    long a = 0, b = 0, c = 0;
    std::optional<double> day;
    if (!readInt(s, i, 4, a))
        return std::nullopt;
    if (i < s.size() && s[i] == '-' && i == 4) {
        ++i;
        if (!readInt(s, i, 2, b) || i >= s.size() || s[i] != '-')
            return std::nullopt;
        ++i;
        if (!readInt(s, i, 2, c))
            return std::nullopt;
        day = dayNumber(a, b, c);
    } else {
        if (i >= s.size() || s[i] != locale.dateSeparator)
            return std::nullopt;
        ++i;
        if (!readInt(s, i, 4, b) || i >= s.size() || s[i] != locale.dateSeparator)
            return std::nullopt;
        ++i;
        if (!readInt(s, i, 4, c))
            return std::nullopt;
        switch (locale.dateOrder) {
        case SortLocale::DMY:
            day = dayNumber(c < 100 ? c + 2000 : c, b, a);
            break;
        case SortLocale::MDY:
            day = dayNumber(c < 100 ? c + 2000 : c, a, b);
            break;
        case SortLocale::YMD:
            day = dayNumber(a, b, c);
            break;
        }
    }
    if (!day)
        return std::nullopt;
    if (i == s.size())
        return day;
    if (s[i] != ' ' && s[i] != 'T')
        return std::nullopt;
    while (i < s.size() && (s[i] == ' ' || s[i] == 'T'))
        ++i;
    auto t = parseTimeAt(s, i, locale);
    if (!t || i != s.size())
        return std::nullopt;
    return *day + *t / 86400.0;
}

namespace {

int compareNumericExtended(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return threeWay(!a.empty(), !b.empty());
    // Drop the non-digit characters both texts share at the same position; what is left is
    // compared as integers when both remainders are whole numbers.
    std::string ra, rb;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const bool inA = i < a.size(), inB = i < b.size();
        if (inA && inB && a[i] == b[i] && !std::isdigit(static_cast<unsigned char>(a[i])))
            continue;
        if (inA)
            ra += a[i];
        if (inB)
            rb += b[i];
    }
    auto allDigits = [](const std::string& s) {
        if (s.empty() || s.size() > 18)
            return false;
        for (char ch : s)
            if (!std::isdigit(static_cast<unsigned char>(ch)))
                return false;
        return true;
    };
    if (allDigits(ra) && allDigits(rb))
        return threeWay(std::stoll(ra), std::stoll(rb));
    return ordinal(a, b);
}

} // namespace

SortKey MakeSortKey(const std::string& text, TSortStyle style, const TSortOptions& options,
                    const SortLocale& locale) {
    SortKey k{options.SortCaseSensitive ? text : Utf8Lower(text), std::nullopt};
    switch (style) {
    case ssNumeric:
        k.value = ParseNumber(k.text, locale);
        break;
    case ssDateTime:
        k.value = ParseDateTime(k.text, locale);
        break;
    case ssTime:
        k.value = ParseTime(k.text, locale);
        break;
    default:
        break;
    }
    return k;
}

int CompareSortKeys(const SortKey& a, const SortKey& b, TSortStyle style,
                    const TSortOptions& options) {
    switch (style) {
    case ssNumeric:
    case ssDateTime:
    case ssTime:
        if (!a.value || !b.value)
            return ordinal(a.text, b.text);
        return threeWay(*a.value, *b.value);
    case ssNumericExtended:
        return compareNumericExtended(a.text, b.text);
    case ssCustom:
        if (options.SortCompare) {
            const int r = options.SortCompare(a.text, b.text);
            return r < 0 ? -1 : (r > 0 ? 1 : 0);
        }
        return ordinal(a.text, b.text);
    default:
        return ordinal(a.text, b.text);
    }
}

int CompareCells(const std::string& a, const std::string& b, TSortStyle style,
                 const TSortOptions& options, const SortLocale& locale) {
    return CompareSortKeys(MakeSortKey(a, style, options, locale),
                           MakeSortKey(b, style, options, locale), style, options);
}

TSortStyle DetectSortStyle(const std::vector<std::string>& texts, const SortLocale& locale) {
    bool numbers = true, dates = true, times = true;
    for (const auto& t : texts) {
        numbers = numbers && ParseNumber(t, locale).has_value();
        times = times && ParseTime(t, locale).has_value();
        dates = dates && ParseDateTime(t, locale).has_value();
    }
    if (numbers)
        return ssNumeric;
    if (dates)
        return ssDateTime;
    if (times)
        return ssTime;
    return ssNormal;
}

std::vector<int> SortKeys(int col, const std::string& secondaryIndex) {
    std::vector<int> keys{col};
    std::string item;
    std::istringstream in(secondaryIndex);
    while (std::getline(in, item, ',')) {
        const std::string t = trimmed(item);
        if (t.empty())
            continue;
        char* end = nullptr;
        const long k = std::strtol(t.c_str(), &end, 10);
        if (end == t.c_str() || *end != '\0' || k < 0)
            continue;
        if (static_cast<int>(k) != col)
            keys.push_back(static_cast<int>(k));
    }
    return keys;
}

void StableSortIndices(std::vector<int>& items, const std::function<bool(int, int)>& less) {
    std::vector<int> buf(items.size());
    for (size_t width = 1; width < items.size(); width *= 2) {
        for (size_t lo = 0; lo < items.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, items.size());
            const size_t hi = std::min(lo + 2 * width, items.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                // Take from the right run only when it is strictly before: equal stays stable.
                if (less(items[j], items[i]))
                    buf[k++] = items[j++];
                else
                    buf[k++] = items[i++];
            }
            while (i < mid)
                buf[k++] = items[i++];
            while (j < hi)
                buf[k++] = items[j++];
        }
        items.swap(buf);
    }
}

} // namespace vk
