#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef VK_PROGRAM_DIR
#error "VK_PROGRAM_DIR must name the folder beside the program"
#endif

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

uint32_t Le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(s.at(at + i));
    return v;
}

struct Wav {
    uint16_t format = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0, byteRate = 0;
    std::vector<int16_t> samples;
};

// Walks the chunks as a player would; any inconsistency fails the test.
Wav Parse(const std::string& s) {
    Wav w;
    EXPECT_GE(s.size(), 44u);
    if (s.size() < 12)
        return w;
    EXPECT_EQ(s.substr(0, 4), "RIFF");
    EXPECT_EQ(Le(s, 4, 4), s.size() - 8);
    EXPECT_EQ(s.substr(8, 4), "WAVE");
    bool fmt = false, data = false;
    size_t at = 12;
    while (at + 8 <= s.size()) {
        const std::string id = s.substr(at, 4);
        const uint32_t size = Le(s, at + 4, 4);
        EXPECT_LE(at + 8 + size, s.size()) << id;
        if (at + 8 + size > s.size())
            break;
        if (id == "fmt ") {
            fmt = true;
            EXPECT_EQ(size, 16u);
            w.format = static_cast<uint16_t>(Le(s, at + 8, 2));
            w.channels = static_cast<uint16_t>(Le(s, at + 10, 2));
            w.rate = Le(s, at + 12, 4);
            w.byteRate = Le(s, at + 16, 4);
            w.blockAlign = static_cast<uint16_t>(Le(s, at + 20, 2));
            w.bits = static_cast<uint16_t>(Le(s, at + 22, 2));
        } else if (id == "data") {
            EXPECT_TRUE(fmt) << "data before fmt";
            data = true;
            EXPECT_EQ(size % 2, 0u);
            for (uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(Le(s, at + 8 + i, 2)));
        }
        at += 8 + size + (size & 1);
    }
    EXPECT_EQ(at, s.size());
    EXPECT_TRUE(fmt);
    EXPECT_TRUE(data);
    return w;
}

void ExpectPcmMono22050(const Wav& w) {
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, 22050u);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.byteRate, 44100u);
}

int Peak(const std::vector<int16_t>& s, size_t from, size_t to) {
    int p = 0;
    for (size_t i = from; i < to && i < s.size(); ++i)
        p = std::max(p, std::abs(static_cast<int>(s[i])));
    return p;
}

// Rising zero crossings per second of the given range.
double Frequency(const std::vector<int16_t>& s, size_t from, size_t to) {
    int rises = 0;
    for (size_t i = from + 1; i < to; ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            ++rises;
    return rises * 22050.0 / static_cast<double>(to - from);
}

const std::string kDir = VK_PROGRAM_DIR;

} // namespace

TEST(Assets, StartToneIsA880HzBeep) {
    const Wav w = Parse(ReadFile(kDir + "/start.wav"));
    ExpectPcmMono22050(w);
    ASSERT_NEAR(static_cast<double>(w.samples.size()), 0.4 * 22050, 50);
    const size_t n = w.samples.size();
    EXPECT_GT(Peak(w.samples, 0, n), 10000);
    EXPECT_LT(Peak(w.samples, 0, n), 32767);
    // Fades in and out instead of clicking.
    EXPECT_LT(std::abs(w.samples.front()), 1000);
    EXPECT_LT(std::abs(w.samples.back()), 1000);
    EXPECT_NEAR(Frequency(w.samples, n / 4, 3 * n / 4), 880.0, 20.0);
}

TEST(Assets, StopToneIsTwo660HzBeeps) {
    const Wav w = Parse(ReadFile(kDir + "/stopp.wav"));
    ExpectPcmMono22050(w);
    const size_t n = w.samples.size();
    ASSERT_GT(n, 0.2 * 22050);
    ASSERT_LT(n, 1.0 * 22050);
    // Sound, then a silent gap in the middle, then sound again.
    const size_t mid = n / 2;
    EXPECT_LT(Peak(w.samples, mid - 200, mid + 200), 100);
    EXPECT_GT(Peak(w.samples, 0, mid - 200), 10000);
    EXPECT_GT(Peak(w.samples, mid + 200, n), 10000);
    EXPECT_NEAR(Frequency(w.samples, n / 16, n / 4), 660.0, 25.0);
    EXPECT_NEAR(Frequency(w.samples, 3 * n / 4, 15 * n / 16), 660.0, 25.0);
}

TEST(Assets, HelpPageLiesBesideTheProgram) {
    const std::string html = ReadFile(kDir + "/Velkoran-Hilfe.html");
    ASSERT_FALSE(html.empty());
    EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos);
    for (const char* needle :
         {"F1", "F2", "F3", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "„0,000“",
          "AMPEL (7+8)", "LS1 (1-4)", "LS2 (4-6)", "RTS – CTS", "DTR – DCD", "DTR – DSR",
          "Reaktion", "Zwischenzeit", "TopSpeed", "Stopp", "Imitation", "Monitor", "Joker",
          // plug drawing, every key, the files, a missing or busy port
          "<svg", "Strg</kbd>+<kbd>F6", "Alt</kbd>+<kbd>F4", "Strg</kbd>+<kbd>0", "Sperrzeit",
          ".xlsx", ".docx", ".html", "Sicherungsdatei", "Device or resource busy", "dialout",
          "/dev/ttyUSB0", "velkoran-lines COM5",
          // one program per backup
          "Sicherungsdatei.txt.lock"})
        EXPECT_NE(html.find(needle), std::string::npos) << needle;
}
