#include "config/FloatEditModel.h"

#include <gtest/gtest.h>

using namespace vk;
using Key = FloatEditModel::Key;

namespace {

FloatEditModel Field(long double min, long double max, int digits) {
    FloatEditModel m(u',');
    m.SetDigits(digits);
    m.SetMax(max);
    m.SetMin(min);
    return m;
}

struct Stroke {
    const char* name;
    long double min, max;
    int digits;
    std::u16string text;
    int selStart, selLength;
    char16_t ch;
    Key result;
    std::u16string after;
    int afterStart, afterLength;
};

class Keystrokes : public testing::TestWithParam<Stroke> {};

TEST_P(Keystrokes, Filter) {
    const Stroke& s = GetParam();
    FloatEditModel m = Field(s.min, s.max, s.digits);
    m.text = s.text;
    m.selStart = s.selStart;
    m.selLength = s.selLength;
    EXPECT_EQ(m.KeyPress(s.ch), s.result);
    EXPECT_EQ(m.text, s.after);
    EXPECT_EQ(m.selStart, s.afterStart);
    EXPECT_EQ(m.selLength, s.afterLength);
}

INSTANTIATE_TEST_SUITE_P(
    FloatEdit, Keystrokes,
    testing::Values(
        Stroke{"MinusIntoEmpty", 0, 100, 1, u"", 0, 0, u'-', Key::Dropped, u"-0", 1, 1},
        Stroke{"DigitAfterMinusBelowMin", 0, 100, 1, u"-0", 1, 1, u'5', Key::Dropped, u"-0", 1, 1},
        Stroke{"DigitAfterMinusInRange", -10, 100, 1, u"-0", 1, 1, u'5', Key::Accepted, u"-5", 2,
               0},
        Stroke{"SeparatorAlone", 0.1L, 999, 3, u"0,402", 0, 5, u',', Key::Dropped, u"0,0", 2, 1},
        Stroke{"FirstDigitBelowMin", 0.1L, 999, 3, u"0,402", 0, 5, u'0', Key::Dropped, u"0,402", 0,
               5},
        Stroke{"DigitAboveMax", 0, 600, 1, u"60", 2, 0, u'1', Key::Dropped, u"60", 2, 0},
        Stroke{"ThirdDecimalOfTwo", 0, 100, 2, u"1,25", 4, 0, u'5', Key::Dropped, u"1,25", 4, 0},
        Stroke{"SecondDecimalOfTwo", 0, 100, 2, u"1,2", 3, 0, u'5', Key::Accepted, u"1,25", 4, 0},
        Stroke{"SeparatorWithoutDecimals", 0, 100, 0, u"12", 2, 0, u',', Key::Dropped, u"12", 2, 0},
        Stroke{"ExponentMakesNoNumberYet", 0, 1e9L, 1, u"1", 1, 0, u'e', Key::Dropped, u"1", 1, 0},
        Stroke{"ExponentInside", 0, 1e9L, 1, u"15", 1, 0, u'e', Key::Accepted, u"1e5", 2, 0},
        Stroke{"DecimalsAfterExponentCountNot", 0, 1e9L, 1, u"1,5e3", 3, 0, u'5', Key::Accepted,
               u"1,55e3", 4, 0},
        Stroke{"Letter", 0, 100, 1, u"1", 1, 0, u'x', Key::Dropped, u"1", 1, 0},
        Stroke{"CapitalE", 0, 1e9L, 1, u"15", 1, 0, u'E', Key::Dropped, u"15", 1, 0},
        Stroke{"OtherSeparator", 0, 100, 1, u"1", 1, 0, u'.', Key::Dropped, u"1", 1, 0},
        Stroke{"Backspace", 0, 100, 1, u"12", 2, 0, u'\b', Key::Passed, u"12", 2, 0},
        Stroke{"ReplacesSelection", 0, 100, 1, u"12,0", 0, 2, u'7', Key::Accepted, u"7,0", 1, 0}),
    [](const testing::TestParamInfo<Stroke>& i) { return std::string(i.param.name); });

TEST(FloatEdit, ValueIsCutToTheRangeAndShownWithItsDecimals) {
    FloatEditModel m = Field(0, 1000, 1);
    std::vector<std::string> told;
    m.OnError = [&](const std::string& t) { told.push_back(t); };
    m.SetValue(1500);
    EXPECT_EQ(m.text, u"1000,0");
    EXPECT_EQ(m.Value(), 1000);
    EXPECT_TRUE(told.empty()); // no ErrorMessage, no message
    m.ErrorMessage = "zu groß";
    m.SetValue(-3);
    EXPECT_EQ(m.text, u"0,0");
    EXPECT_EQ(told, std::vector<std::string>{"zu groß"});
    m.SetValue(0.402L);
    EXPECT_EQ(m.text, u"0,4");
    m.SetDigits(3); // shows the value the text held
    EXPECT_EQ(m.text, u"0,400");
    EXPECT_EQ(m.FormatShortest(0.1L), u"0,1");
    EXPECT_EQ(m.FormatShortest(100), u"100"); // zeros before the separator stay
    m.SetDigits(0);
    EXPECT_EQ(m.FormatShortest(100), u"100");
}

TEST(FloatEdit, ReadingTheText) {
    FloatEditModel m = Field(0.1L, 999, 3);
    for (const std::u16string t : {u"", u"-", u",", u"E", u"abc", u"1e"}) {
        m.text = t;
        EXPECT_EQ(m.Value(), 0.1L) << std::string(t.begin(), t.end());
    }
    m.text = u"5000";
    EXPECT_EQ(m.Value(), 999);
    EXPECT_EQ(m.text, u"5000"); // reading leaves the text
    m.text = u" 2,5 ";
    EXPECT_EQ(m.Value(), 2.5L);
}

TEST(FloatEdit, LimitsThatWouldCrossAreRefused) {
    FloatEditModel m = Field(10, 20, 1);
    m.SetValue(15);
    try {
        m.SetMax(m.Min() - 1);
        FAIL();
    } catch (const FloatEditModel::LimitError& e) {
        EXPECT_STREQ(e.what(), "Maximum value must not be less than minimum value !");
    }
    try {
        m.SetMin(21);
        FAIL();
    } catch (const FloatEditModel::LimitError& e) {
        EXPECT_STREQ(e.what(), "Minimum value must not be greater than maximum value !");
    }
    EXPECT_EQ(m.Max(), 20);
    m.SetMax(12); // a new limit cuts the value
    EXPECT_EQ(m.text, u"12,0");
    m.text = u"99";
    m.SetMax(12); // the same limit changes nothing
    EXPECT_EQ(m.text, u"99");
    m.SetDigits(40);
    EXPECT_EQ(m.Digits(), 18);
    EXPECT_EQ(m.text, u"12,000000000000000000");
}

TEST(FloatEdit, LoadingAppliesTheValueAtTheEnd) {
    FloatEditModel m(u',');
    m.BeginLoad();
    m.SetValue(392); // before Max 10000 has arrived
    m.SetMax(10000);
    m.SetMin(0.1L);
    m.EndLoad();
    EXPECT_EQ(m.text, u"392,0");
}

TEST(FloatEdit, EnterEscAndLeaving) {
    FloatEditModel m = Field(0, 600, 1);
    int exits = 0;
    std::vector<char16_t> enters;
    m.OnExit = [&] { ++exits; };
    m.OnEnterPress = [&](char16_t k) { enters.push_back(k); };
    m.SetValue(42);
    m.Enter(false);
    EXPECT_EQ(m.selLength, 4); // focus by keyboard selects all

    EXPECT_EQ(m.KeyPress(13), Key::Dropped);
    EXPECT_EQ(enters, std::vector<char16_t>{13});

    // Pasted text bypasses the filter; leaving refuses it and keeps the focus.
    m.text = u"1e5";
    EXPECT_FALSE(m.Leave());
    EXPECT_EQ(m.text, u"42,0");
    EXPECT_EQ(m.selStart, 0);
    EXPECT_EQ(m.selLength, 4);
    EXPECT_EQ(exits, 0);

    m.text = u"7";
    EXPECT_EQ(m.KeyPress(27), Key::Dropped); // Esc: the entry value, all selected
    EXPECT_EQ(m.text, u"42,0");
    EXPECT_EQ(m.selLength, 4);

    m.text = u"5";
    EXPECT_TRUE(m.Leave());
    EXPECT_EQ(m.text, u"5,0");
    EXPECT_EQ(exits, 1);
    m.text = u"";
    EXPECT_TRUE(m.Leave()); // empty means the minimum
    EXPECT_EQ(m.text, u"0,0");

    m.selStart = 1;
    m.selLength = 0;
    m.Enter(true); // a mouse press keeps where it clicked
    EXPECT_EQ(m.selLength, 0);
}

TEST(FloatEdit, SpinningAndTheDisabledEditor) {
    FloatEditModel m = Field(0, 10, 1);
    m.Increment = 0.5L;
    m.Spin(true);
    m.Spin(true);
    m.ArrowKey(false);
    EXPECT_EQ(m.text, u"0,5");
    m.SetValue(10);
    m.Spin(true);
    EXPECT_EQ(m.text, u"10,0");

    m.EditorEnabled = false;
    EXPECT_EQ(m.KeyPress(u'1'), Key::Dropped);
    EXPECT_EQ(m.KeyPress(u'\b'), Key::Dropped);
    EXPECT_FALSE(m.CanEdit());
    m.ArrowKey(false);
    EXPECT_EQ(m.text, u"10,0");
    m.Spin(false); // the buttons still work
    EXPECT_EQ(m.text, u"9,5");

    std::vector<bool> computed;
    m.OnComputedIncrement = [&](bool up) { computed.push_back(up); };
    m.Spin(false);
    m.Spin(true);
    EXPECT_EQ(computed, (std::vector<bool>{false, true}));
    EXPECT_EQ(m.text, u"9,5");

    int beeps = 0;
    m.OnBeep = [&] { ++beeps; };
    m.ReadOnly = true;
    m.Spin(true);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(computed.size(), 2u);
}

TEST(FloatEdit, MinimumHeight) {
    EXPECT_EQ(FloatEditModel::MinimumHeight(1, 13, 13), 22);
    EXPECT_EQ(FloatEditModel::MinimumHeight(1, 20, 13), 29); // the smaller font's quarter
}

} // namespace
