#include "config/CfgModel.h"
#include "config/MemorySettingsStore.h"
#include "config/SettingsIo.h"

#include <gtest/gtest.h>

using namespace vk;

namespace {

TEST(CfgModel, PortListFromThePresentPorts) {
    EXPECT_EQ(PortEntries(0), std::vector<std::string>{"Kein"});
    const auto e = PortEntries(0x00050015); // COM1, COM3, COM5
    EXPECT_EQ(e, (std::vector<std::string>{"Kein", "COM1", "COM3", "COM5"}));
    EXPECT_EQ(PortEntryIndex(e, 5), 3);
    EXPECT_EQ(PortEntryIndex(e, 2), 0); // not present at start-up
    EXPECT_EQ(PortEntryIndex(e, 0), 0);
    EXPECT_EQ(PortOfEntry("COM12"), 12);
    EXPECT_EQ(PortOfEntry("Kein"), 0);
    const std::string usb = PortEntryText(5, "/dev/ttyUSB0", "FT232R USB UART");
    EXPECT_EQ(usb, "COM5 – FT232R USB UART (/dev/ttyUSB0)");
    EXPECT_EQ(PortEntryText(1, "/dev/ttyS0", ""), "COM1 (/dev/ttyS0)");
    EXPECT_EQ(PortOfEntry(usb), 5);
    EXPECT_EQ(PortOfEntry("COM (x)"), 0);
    EXPECT_EQ(PortOfEntry("COM5x (y)"), 0);
    EXPECT_EQ(PortEntryIndex({"Kein", "COM1 (/dev/ttyS0)", usb}, 5), 2);
    EXPECT_EQ(MonitorEntry(0, {0, 0, 1280, 1024}), "0=(0,0)-(1280,1024)");
    EXPECT_EQ(MonitorEntry(1, {-1920, 0, 1920, 1080}), "1=(-1920,0)-(1920,1080)");
    EXPECT_EQ(PortOpenFailedText("COM5", "Unable to open com port: Device or resource busy"),
              "Schnittstelle COM5: Device or resource busy");
}

struct Blink {
    bool port;
    int phase;
    bool reaction, intermediate, topSpeed;
    Color start, upperReaction, upperIntermediate, upperStop, lowerReaction;
    Color upperCableToStop;
};

TEST(CfgModel, SchematicColours) {
    const Blink cases[] = {
        // A port: steady at both phases; an uninstalled barrier is dark.
        {true, 0, true, true, true, 0x00FF00, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000, 0x0000FF},
        {true, 1, true, true, true, 0x00FF00, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000, 0x0000FF},
        {true, 1, false, true, true, 0x00FF00, 0x00007F, 0x0000FF, 0x0000FF, 0x7F0000, 0x0000FF},
        // No port: bright at phase 0, dim at phase 1, an uninstalled barrier the other way.
        {false, 0, true, false, true, 0x00FF00, 0x0000FF, 0x00007F, 0x0000FF, 0xFF0000, 0x0000FF},
        {false, 1, true, false, true, 0x007F00, 0x00007F, 0x0000FF, 0x00007F, 0x7F0000, 0x0000FF},
        {false, 1, true, true, true, 0x007F00, 0x00007F, 0x00007F, 0x00007F, 0x7F0000, 0x00007F},
    };
    for (const Blink& b : cases) {
        const SchematicColors c =
            BlinkColors(b.port, b.phase, b.reaction, b.intermediate, b.topSpeed);
        SCOPED_TRACE(testing::Message() << b.port << b.phase << b.reaction << b.intermediate);
        EXPECT_EQ(c.start, b.start);
        EXPECT_EQ(c.upper[kReaction], b.upperReaction);
        EXPECT_EQ(c.upper[kIntermediate], b.upperIntermediate);
        EXPECT_EQ(c.upper[kStop], b.upperStop);
        EXPECT_EQ(c.lower[kReaction], b.lowerReaction);
        EXPECT_EQ(c.upperCable[0], c.upper[kReaction]);
        EXPECT_EQ(c.upperCable[2], b.upperCableToStop);
    }
    // A cable is bright as soon as one barrier before it is.
    const SchematicColors c = BlinkColors(true, 0, false, true, false);
    EXPECT_EQ(c.lowerCable[0], 0x7F0000u);
    EXPECT_EQ(c.lowerCable[1], 0xFF0000u);
    EXPECT_EQ(c.lowerCable[2], 0xFF0000u);
}

TEST(CfgModel, EveryShapeHasAHintAndAColour) {
    const SchematicColors c = BlinkColors(true, 0, false, true, true);
    int barriers = 0;
    for (const SchematicShape& s : SchematicShapes()) {
        EXPECT_FALSE(s.hint.empty()) << s.name;
        if (s.part == SchematicShape::Upper && s.index == kReaction) {
            EXPECT_EQ(ColorOf(c, s), 0x00007Fu) << s.name;
        }
        barriers += s.part == SchematicShape::Upper || s.part == SchematicShape::Lower;
    }
    EXPECT_EQ(barriers, 24); // 4 barriers x 2 lanes x (bar + 2 circles)
}

TEST(CfgModel, TrackLengthFromTheFieldText) {
    FloatEditModel km(u',');
    km.SetDigits(3);
    km.SetMax(999);
    km.SetMin(0.1L);
    const std::pair<std::u16string, std::optional<int32_t>> cases[] = {
        {u"0,402", 402}, {u" 0,3 ", 300}, {u"999", 999000}, {u"1e-1", 100},
        {u"", {}},       {u"abc", {}},    {u"0,05", {}},    {u"999,001", {}},
    };
    for (const auto& [text, metres] : cases)
        EXPECT_EQ(TrackLengthMetres(km, text), metres) << std::string(text.begin(), text.end());
}

CfgChoice Choice(const char* port, int portEntry, std::optional<int32_t> metres) {
    CfgChoice c;
    c.view.portEntry = portEntry;
    c.portEntryText = port;
    c.view.alg = 1;
    c.view.waitSeconds = 0;
    c.view.startLen = 0.1;
    c.view.centrLen = 200.25;
    c.view.finalLen = 300;
    c.view.manyStart = false;
    c.view.monitorEntry = 0;
    c.lengthMetres = metres;
    return c;
}

TEST(CfgModel, ApplyingTheChoices) {
    Settings s;
    s.Port = 7;
    s.Alg = 0;
    s.ManyStart = true;

    // "Kein": the port is off, Alg stays.
    ASSERT_TRUE(ApplyChoices(Choice("Kein", 0, 300), s));
    EXPECT_EQ(s.Port, 0);
    EXPECT_EQ(s.Alg, 0);
    EXPECT_FALSE(s.ManyStart);
    EXPECT_EQ(s.Length, 300);
    EXPECT_EQ(s.WaitStart, 0);
    EXPECT_EQ(s.LengthS, 1);
    EXPECT_EQ(s.LengthC, 2002); // 2002.5 dm: halves go to the even neighbour
    EXPECT_EQ(s.LengthF, 3000);

    ASSERT_TRUE(ApplyChoices(Choice("COM5", 2, 402), s));
    EXPECT_EQ(s.Port, 5);
    EXPECT_EQ(s.Alg, 1);
    EXPECT_EQ(s.Length, 402);

    // A track length that is no number changes nothing at all.
    const Settings before = s;
    CfgChoice bad = Choice("Kein", 0, std::nullopt);
    bad.view.finalLen = 10;
    EXPECT_FALSE(ApplyChoices(bad, s));
    EXPECT_EQ(s, before);
}

TEST(CfgModel, OpeningView) {
    Settings s;
    s.Port = 3;
    s.WaitStart = 2500;
    s.Length = 402;
    s.LengthF = 3900;
    const CfgView v = OpeningView(s, {"Kein", "COM3"});
    EXPECT_EQ(v.portEntry, 1);
    EXPECT_DOUBLE_EQ(v.waitSeconds, 2.5);
    EXPECT_DOUBLE_EQ(v.lengthKm, 0.402);
    EXPECT_DOUBLE_EQ(v.finalLen, 390);
}

TEST(SettingsStore, RoundTripAndAFailedWrite) {
    MemorySettingsStore store;
    Settings s;
    s.left = -5;
    s.top = 40;
    s.Port = 12;
    s.Title = "Finale";
    s.ColSpeed2 = false;
    s.ManyStart = true;
    s.Adapter = "usb:1a86:7523:";
    s.Zeitkarte = true;
    s.ZeitkartePrinter = "Bon 80 mm";
    ASSERT_EQ(SaveSettings(store, "Velkoran", s), "");
    Settings back;
    LoadSettings(store, "Velkoran", back, {});
    EXPECT_EQ(back.left, -5);
    EXPECT_EQ(back.Port, 12);
    EXPECT_EQ(back.Title, "Finale");
    EXPECT_FALSE(back.ColSpeed2);
    EXPECT_TRUE(back.ManyStart);
    EXPECT_EQ(back.Adapter, "usb:1a86:7523:");
    EXPECT_TRUE(back.Zeitkarte);
    EXPECT_EQ(back.ZeitkartePrinter, "Bon 80 mm");
    EXPECT_TRUE(store.keys.at("Velkoran").contains("KlassSort"));
    EXPECT_FALSE(store.keys.contains("Kopie")); // another program name, another key

    store.failWrites = "Datenträger voll";
    s.Port = 1;
    EXPECT_EQ(SaveSettings(store, "Velkoran", s), "Datenträger voll");
    EXPECT_EQ(std::get<int32_t>(store.keys.at("Velkoran").at("Port")), 12);
}

// Every value of a full key, one at a time missing, of the wrong type, out of range or huge:
// that value alone keeps its default, it is named once, and every other value is read.
TEST(SettingsStore, OneBadValueCostsOnlyItself) {
    using V = MemorySettingsStore::Value;
    const MemorySettingsStore::Values full = {{"Left", 30},
                                              {"Top", 40},
                                              {"Width", 1000},
                                              {"Height", 700},
                                              {"Sound", 0},
                                              {"Port", 5},
                                              {"Alg", 1},
                                              {"WaitStart", 2500},
                                              {"FilterInd", 2},
                                              {"Length", 201},
                                              {"Monitor", 1},
                                              {"Title", std::string("Finale")},
                                              {"Klass", 1},
                                              {"KlassSort", 0},
                                              {"LengthS", 5},
                                              {"LengthC", 1000},
                                              {"LengthF", 1800},
                                              {"ColSpeed0", 1},
                                              {"ColSpeed1", 0},
                                              {"ColSpeed2", 0},
                                              {"ColSpeed3", 0},
                                              {"ManyStart", 1},
                                              {"Adapter", std::string("usb:0403:6001:A1")},
                                              {"LiveServer", 1},
                                              {"LivePort", 9000},
                                              {"Zeitkarte", 1},
                                              {"ZeitkartePrinter", std::string("Bon 80 mm")}};
    // Values newer than the first files: a file without them is no fault.
    auto quiet = [](const std::string& n) {
        return n == "Title" || n == "Adapter" || n == "LiveServer" || n == "LivePort" ||
               n == "Zeitkarte" || n == "ZeitkartePrinter";
    };
    const SettingsContext two{{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}, 16};
    // What a store holds after writing `s`.
    auto written = [](const Settings& s) {
        MemorySettingsStore out;
        EXPECT_EQ(SaveSettings(out, "V", s), "");
        return out.keys["V"];
    };
    const auto defaults = written(Settings{});
    const V missing = std::string("\x01missing");
    const V wrongType = std::string("800px");
    const V huge = INT32_MAX;
    using K = SettingsProblem::Kind;
    struct Row {
        const char* name;
        V value;
        std::optional<K> problem; // none: the value is taken (or quietly kept, see below)
    };
    std::vector<Row> rows;
    for (const auto& [name, value] : full) {
        const bool text = std::holds_alternative<std::string>(value);
        rows.push_back(
            {name.c_str(), missing, quiet(name) ? std::nullopt : std::optional(K::Missing)});
        rows.push_back({name.c_str(), text ? V(7) : wrongType, K::WrongType});
    }
    for (const char* flag : {"Sound", "Klass", "KlassSort", "ColSpeed0", "ColSpeed1", "ColSpeed2",
                             "ColSpeed3", "ManyStart", "LiveServer", "Zeitkarte"})
        rows.push_back({flag, huge, std::nullopt}); // any non-zero value is yes
    const std::pair<const char*, V> outOfRange[] = {{"Width", 100000},
                                                    {"Width", 791},
                                                    {"Height", 100000},
                                                    {"Height", -1},
                                                    {"Port", 257},
                                                    {"Port", 17},
                                                    {"Port", -1},
                                                    {"Port", huge},
                                                    {"Alg", 2},
                                                    {"Alg", -1},
                                                    {"WaitStart", -1},
                                                    {"WaitStart", 600001},
                                                    {"FilterInd", 0},
                                                    {"FilterInd", 5},
                                                    {"Length", INT32_MIN},
                                                    {"Length", 99},
                                                    {"Length", huge},
                                                    {"Monitor", -1},
                                                    {"LengthS", 0},
                                                    {"LengthS", 10001},
                                                    {"LengthC", huge},
                                                    {"LengthF", -3900},
                                                    {"Title", std::string(1025, 'x')},
                                                    {"Adapter", std::string(1025, 'x')},
                                                    {"LivePort", 0},
                                                    {"LivePort", 65536}};
    for (const auto& [name, value] : outOfRange)
        rows.push_back({name, value, K::OutOfRange});
    // Quietly kept: a lock time of 0, a screen that is gone, a window on no screen.
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, V>>{
             {"WaitStart", 0}, {"Monitor", 2}, {"Left", huge}, {"Top", -20000}})
        rows.push_back({name, value, std::nullopt});

    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " = " +
                     (std::holds_alternative<int32_t>(row.value)
                          ? std::to_string(std::get<int32_t>(row.value))
                          : std::get<std::string>(row.value).substr(0, 12)));
        MemorySettingsStore store;
        store.keys["V"] = full;
        if (row.value == missing)
            store.keys["V"].erase(row.name);
        else
            store.keys["V"][row.name] = row.value;
        Settings s;
        const auto problems = LoadSettings(store, "V", s, two);
        if (row.problem)
            EXPECT_EQ(problems, (std::vector<SettingsProblem>{{row.name, *row.problem}}));
        else
            EXPECT_TRUE(problems.empty());
        EXPECT_TRUE(ValuesOutsideTheirRange(s, two).empty());

        auto expected = full;
        const std::string name = row.name;
        const bool taken = !row.problem && row.value != missing && name != "WaitStart" &&
                           name != "Monitor" && name != "Left" && name != "Top";
        if (taken)
            expected[name] = std::get<int32_t>(row.value) != 0 ? 1 : 0;
        else if (name == "Title")
            expected[name] = row.problem ? defaults.at(name) : V(std::string());
        else if (name == "Left" || name == "Top") // a position needs both edges
            expected["Left"] = expected["Top"] = 0;
        else
            expected[name] = defaults.at(name);
        EXPECT_EQ(written(s), expected);
    }
}

} // namespace
