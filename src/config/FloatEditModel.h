#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace vk {

// The rules of the numeric spin field, on its text and selection: the value within its
// limits, the keystroke filter, entering and leaving the field, spinning. The widget copies
// its text and selection in before an operation and shows the result afterwards.
class FloatEditModel {
public:
    static constexpr int MaxDigits = 18;
    static constexpr const char* MaxBelowMin =
        "Maximum value must not be less than minimum value !";
    static constexpr const char* MinAboveMax =
        "Minimum value must not be greater than maximum value !";

    // A refused limit.
    class LimitError : public std::invalid_argument {
    public:
        using std::invalid_argument::invalid_argument;
    };

    // What became of a typed character.
    enum class Key {
        Accepted, // inserted in place of the selection
        Dropped,  // refused, or handled here
        Passed,   // a control character for the edit itself (Backspace, copy, ...)
    };

    explicit FloatEditModel(char16_t decimalSeparator = u'.');

    // The text as shown and its selection, in UTF-16 units; the cursor stands at the end of
    // the selection.
    std::u16string text;
    int selStart = 0;
    int selLength = 0;

    bool ReadOnly = false;
    bool AutoSelect = true;
    bool EditorEnabled = true;
    long double Increment = 1.0L;
    std::string ErrorMessage;

    std::function<void(bool up)> OnComputedIncrement;
    std::function<void(char16_t key)> OnEnterPress;
    // The field's own exit event: raised only when leaving succeeded.
    std::function<void()> OnExit;
    // Shows ErrorMessage to the operator.
    std::function<void(const std::string& message)> OnError;
    std::function<void()> OnBeep;

    char16_t DecimalSeparator() const { return sep_; }
    // Shows the value with another separator.
    void SetDecimalSeparator(char16_t separator);

    int Digits() const { return digits_; }
    void SetDigits(int digits);
    long double Min() const { return min_; }
    long double Max() const { return max_; }
    // Throw LimitError with the texts above when the new limit would cross the other one.
    void SetMin(long double v);
    void SetMax(long double v);

    // The value read from the text: empty, "-", the separator alone or "E" read as 0, a text
    // that is no number as Min, then cut to the range. The text stays as it is.
    long double Value() const;
    // Cuts to the range (telling ErrorMessage on a cut) and shows the formatted value.
    void SetValue(long double v);

    // While loading, a set value is only kept and shown once loading ends.
    void BeginLoad() { loading_ = true; }
    void EndLoad();

    Key KeyPress(char16_t ch);
    // The field receives the focus; `byMouse` when a mouse press gave it.
    void Enter(bool byMouse);
    // The field is about to lose the focus. False when its text is refused: the entry value
    // is back, the text selected, and the focus must stay.
    bool Leave();
    // A spin button or an arrow key.
    void Spin(bool up);
    // An arrow key: nothing when the editor is disabled.
    void ArrowKey(bool up);
    // Whether paste and cut may change the text.
    bool CanEdit() const { return EditorEnabled && !ReadOnly; }

    void SelectAll();

    std::u16string Format(long double v) const;
    // As Format, without trailing zero decimals (and without a separator left alone).
    std::u16string FormatShortest(long double v) const;
    // The number a text stands for; empty when it is none.
    std::optional<long double> Parse(const std::u16string& t) const;

    // The least height of the field in pixels.
    static int MinimumHeight(int borderHeight, int fontHeight, int systemFontHeight);

private:
    long double Cut(long double v, bool tell) const;
    void Tell() const;
    void Show(std::u16string t, int start, int length);

    char16_t sep_;
    int digits_ = 1;
    long double min_ = 0.0L;
    long double max_ = 100.0L;
    long double entryValue_ = 0.0L;
    bool loading_ = false;
    std::optional<long double> loadedValue_;
};

} // namespace vk
