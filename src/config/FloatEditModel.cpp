#include "config/FloatEditModel.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace vk {

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsExponent(char16_t c) {
    return c == u'e' || c == u'E';
}

} // namespace

FloatEditModel::FloatEditModel(char16_t decimalSeparator) : sep_(decimalSeparator) {
    text = Format(0.0L);
    selStart = static_cast<int>(text.size());
}

std::u16string FloatEditModel::Format(long double v) const {
    if (v == 0.0L)
        v = 0.0L; // no "-0"
    std::vector<char> buf(64);
    for (;;) {
        const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v,
                                     std::chars_format::fixed, digits_);
        if (r.ec == std::errc()) {
            std::u16string out;
            for (const char* p = buf.data(); p != r.ptr; ++p)
                out += *p == '.' ? sep_ : static_cast<char16_t>(*p);
            return out;
        }
        buf.resize(buf.size() * 4);
    }
}

std::u16string FloatEditModel::FormatShortest(long double v) const {
    std::u16string t = Format(v);
    if (t.find(sep_) == std::u16string::npos)
        return t;
    while (t.back() == u'0')
        t.pop_back();
    if (t.back() == sep_)
        t.pop_back();
    return t;
}

std::optional<long double> FloatEditModel::Parse(const std::u16string& t) const {
    // Blanks around, a sign, digits with at most one separator, an exponent with digits.
    size_t b = t.find_first_not_of(u' ');
    if (b == std::u16string::npos)
        return std::nullopt;
    const size_t e = t.find_last_not_of(u' ') + 1;
    std::string ascii;
    size_t i = b;
    if (t[i] == u'+' || t[i] == u'-') {
        if (t[i] == u'-')
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    bool sepSeen = false;
    for (; i < e && !IsExponent(t[i]); ++i) {
        if (IsDigit(t[i])) {
            ascii += static_cast<char>(t[i]);
            ++mantissaDigits;
        } else if (t[i] == sep_ && !sepSeen) {
            ascii += '.';
            sepSeen = true;
        } else {
            return std::nullopt;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < e) {
        ascii += 'e';
        ++i;
        if (i < e && (t[i] == u'+' || t[i] == u'-'))
            ascii += static_cast<char>(t[i++]);
        if (i == e)
            return std::nullopt;
        for (; i < e; ++i) {
            if (!IsDigit(t[i]))
                return std::nullopt;
            ascii += static_cast<char>(t[i]);
        }
    }
    long double v = 0;
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc() || r.ptr != last)
        return std::nullopt; // also a number beyond the range of the type
    return v;
}

void FloatEditModel::SetDecimalSeparator(char16_t separator) {
    const long double v = Value();
    sep_ = separator;
    SetValue(v);
}

void FloatEditModel::SetDigits(int digits) {
    const long double v = Value();
    digits_ = std::clamp(digits, 0, MaxDigits);
    SetValue(v);
}

void FloatEditModel::SetMin(long double v) {
    if (v == min_)
        return;
    if (v > max_)
        throw LimitError(MinAboveMax);
    const long double current = Value();
    min_ = v;
    if (!loading_)
        SetValue(current);
}

void FloatEditModel::SetMax(long double v) {
    if (v == max_)
        return;
    if (v < min_)
        throw LimitError(MaxBelowMin);
    const long double current = Value();
    max_ = v;
    if (!loading_)
        SetValue(current);
}

long double FloatEditModel::Cut(long double v, bool tell) const {
    if (v > max_ || v < min_) {
        if (tell)
            Tell();
        return v > max_ ? max_ : min_;
    }
    return v;
}

void FloatEditModel::Tell() const {
    if (!ErrorMessage.empty() && OnError)
        OnError(ErrorMessage);
}

long double FloatEditModel::Value() const {
    const std::u16string sepAlone(1, sep_);
    if (text.empty() || text == u"-" || text == sepAlone || text == u"E" || text == u"e")
        return Cut(0.0L, false);
    const auto v = Parse(text);
    return Cut(v ? *v : min_, false);
}

void FloatEditModel::SetValue(long double v) {
    if (loading_) {
        loadedValue_ = v;
        return;
    }
    const std::u16string t = Format(Cut(v, true));
    Show(t, static_cast<int>(t.size()), 0);
}

void FloatEditModel::EndLoad() {
    loading_ = false;
    SetValue(loadedValue_ ? *loadedValue_ : Value());
    loadedValue_.reset();
}

void FloatEditModel::Show(std::u16string t, int start, int length) {
    text = std::move(t);
    selStart = start;
    selLength = length;
}

void FloatEditModel::SelectAll() {
    selStart = 0;
    selLength = static_cast<int>(text.size());
}

FloatEditModel::Key FloatEditModel::KeyPress(char16_t ch) {
    if (ch == 10 || ch == 13) {
        if (OnEnterPress)
            OnEnterPress(ch);
        return Key::Dropped;
    }
    if (ch == 27) {
        SetValue(entryValue_);
        SelectAll();
        return Key::Dropped;
    }
    if (!EditorEnabled && (ch >= 32 || ch == 8))
        return Key::Dropped;
    if (ch < 32)
        return Key::Passed;
    if (ReadOnly)
        return Key::Dropped;
    if (ch != u'-' && ch != u'e' && !IsDigit(ch) && ch != sep_)
        return Key::Dropped;

    const size_t start = std::min(static_cast<size_t>(std::max(selStart, 0)), text.size());
    const size_t end = std::min(start + static_cast<size_t>(std::max(selLength, 0)), text.size());
    const std::u16string next = text.substr(0, start) + ch + text.substr(end);
    if (next == u"-") {
        Show(u"-0", 1, 1);
        return Key::Dropped;
    }
    if (next == std::u16string(1, sep_)) {
        Show(std::u16string(u"0") + sep_ + u"0", 2, 1);
        return Key::Dropped;
    }
    const auto v = Parse(next);
    if (!v || *v < min_ || *v > max_)
        return Key::Dropped;
    if (ch == sep_ && digits_ == 0)
        return Key::Dropped;
    const size_t sepAt = next.find(sep_);
    if (next.find_first_of(u"eE") == std::u16string::npos && sepAt != std::u16string::npos &&
        next.size() - sepAt - 1 > static_cast<size_t>(digits_))
        return Key::Dropped;
    Show(next, static_cast<int>(start) + 1, 0);
    return Key::Accepted;
}

void FloatEditModel::Enter(bool byMouse) {
    if (AutoSelect && !byMouse)
        SelectAll();
    entryValue_ = Value();
}

bool FloatEditModel::Leave() {
    const std::u16string t = text.empty() ? Format(min_) : text;
    const auto v = Parse(t);
    if (!v || *v < min_ || *v > max_) {
        Tell();
        SetValue(entryValue_);
        SelectAll();
        return false;
    }
    text = Format(*v);
    SetValue(Value());
    if (OnExit)
        OnExit();
    return true;
}

void FloatEditModel::Spin(bool up) {
    if (ReadOnly) {
        if (OnBeep)
            OnBeep();
        return;
    }
    if (OnComputedIncrement)
        OnComputedIncrement(up);
    else
        SetValue(up ? Value() + Increment : Value() - Increment);
}

void FloatEditModel::ArrowKey(bool up) {
    if (EditorEnabled)
        Spin(up);
}

int FloatEditModel::MinimumHeight(int borderHeight, int fontHeight, int systemFontHeight) {
    return 4 * borderHeight + fontHeight + std::min(fontHeight, systemFontHeight) / 4 + 2;
}

} // namespace vk
