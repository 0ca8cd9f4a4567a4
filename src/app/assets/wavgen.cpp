// Writes the program's start and stop tones as 16-bit PCM mono WAV files.
// Usage: vk_wavgen <start.wav> <stopp.wav>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;

struct Beep {
    double hz;
    double seconds;
    double pauseAfter;
};

// A sine with short fades so the tone does not click at its ends.
std::vector<int16_t> Render(const std::vector<Beep>& beeps) {
    std::vector<int16_t> samples;
    for (const Beep& b : beeps) {
        const int n = static_cast<int>(b.seconds * kRate);
        const int fade = kRate / 100; // 10 ms
        for (int i = 0; i < n; ++i) {
            double env = 1.0;
            if (i < fade)
                env = static_cast<double>(i) / fade;
            else if (i > n - fade)
                env = static_cast<double>(n - i) / fade;
            const double v = 0.6 * env * std::sin(2.0 * std::numbers::pi * b.hz * i / kRate);
            samples.push_back(static_cast<int16_t>(std::lround(v * 32767.0)));
        }
        samples.insert(samples.end(), static_cast<size_t>(b.pauseAfter * kRate), 0);
    }
    return samples;
}

void Put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool Write(const std::string& path, const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out;
    out += "RIFF";
    Put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kRate);
    Put32(out, kRate * 2); // byte rate
    Put16(out, 2);         // block align
    Put16(out, 16);        // bits per sample
    out += "data";
    Put32(out, dataBytes);
    for (int16_t s : samples)
        Put16(out, static_cast<uint16_t>(s));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <start.wav> <stopp.wav>\n", argv[0]);
        return 2;
    }
    const bool ok = Write(argv[1], Render({{880.0, 0.4, 0.0}})) &&
                    Write(argv[2], Render({{660.0, 0.12, 0.08}, {660.0, 0.12, 0.0}}));
    if (!ok) {
        std::fprintf(stderr, "vk_wavgen: cannot write the sound files\n");
        return 1;
    }
    return 0;
}
