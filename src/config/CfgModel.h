#pragma once
#include "config/FloatEditModel.h"
#include "config/Settings.h"
#include "display/Colors.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vk {

// Colours are 0x00BBGGRR (display/Colors.h).

// ---- port and monitor lists

// "Kein", then "COMn" for every port present at start-up, in ascending order.
std::vector<std::string> PortEntries(uint32_t presentPorts);
// The entry of COM<port>; 0 ("Kein") when there is none.
int PortEntryIndex(const std::vector<std::string>& entries, int port);
// The number behind "COM" in an entry, which may go on after a blank; 0 for anything else.
int PortOfEntry(const std::string& entry);
// "COM5 – FT232R USB UART (/dev/ttyUSB0)": the port, the adapter's name when it has one, and
// its device, so two ports of one kind can be told apart.
std::string PortEntryText(int port, const std::string& device, const std::string& adapter);

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
};
// "0=(0,0)-(1280,1024)": number, left, top, width, height.
std::string MonitorEntry(int number, const ScreenRect& screen);

// Status-bar text for a port that did not open: the port and the system's reason.
std::string PortOpenFailedText(const std::string& portName, const std::string& error);

// ---- the barrier schematic

// Per lane: reaction, intermediate, top speed, stop.
enum BarrierIndex { kReaction, kIntermediate, kTopSpeed, kStop };

struct SchematicColors {
    Color start = 0;
    std::array<Color, 4> upper{}, lower{};
    // reaction->intermediate, intermediate->top speed, top speed->stop
    std::array<Color, 3> upperCable{}, lowerCable{};
};

// The colours for one blink phase: without a port the schematic dims every other phase;
// a barrier that is not installed shows the other brightness.
SchematicColors BlinkColors(bool portChosen, int phase, bool reaction, bool intermediate,
                            bool topSpeed);

// One plain shape of the schematic, placed in the group box.
struct SchematicShape {
    enum Kind { Rectangle, Circle, Bar };
    enum Part { Fixed, Start, Upper, Lower, UpperCable, LowerCable };
    std::string name;
    Kind kind;
    int x, y, width, height;
    std::string hint;
    Part part;
    int index;       // barrier or cable of the part
    Color fixed = 0; // pen of a Fixed shape
};
const std::vector<SchematicShape>& SchematicShapes();
Color ColorOf(const SchematicColors& colors, const SchematicShape& shape);

// ---- opening and applying

// What the dialog's controls hold.
struct CfgView {
    int portEntry = 0;
    int alg = 0;
    double waitSeconds = 0;
    double lengthKm = 0;
    bool klass = false;
    double startLen = 0, centrLen = 0, finalLen = 0; // m
    bool ampel = true, lsStart = true, lsCentr = true, lsFinal = true;
    bool manyStart = false;
    bool zeitkarte = false;
    int monitorEntry = 0;
    bool liveServer = false;
    int livePort = 8080;
};

// The controls as the settings fill them when the dialog opens (the monitor entry is not
// filled here). "ManyStart" is filled: a shown box left unfilled would switch it off at OK.
CfgView OpeningView(const Settings& s, const std::vector<std::string>& portEntries);

// The controls of a confirmed dialog.
struct CfgChoice {
    CfgView view;
    std::string portEntryText;
    // The track length read from its field's text; empty when the text is no number in range.
    std::optional<int32_t> lengthMetres;
};

// Puts the choices into the settings (Port 0 for "Kein"; Alg only with a port). Without a
// track length nothing changes and the result is false.
bool ApplyChoices(const CfgChoice& choice, Settings& s);

// The track length in metres that a text of the length field (km) stands for; empty when it is
// no number within the field's limits.
std::optional<int32_t> TrackLengthMetres(const FloatEditModel& field, const std::u16string& text);

// Why a track length text was refused.
std::string TrackLengthRefused(const std::string& text, const std::string& min,
                               const std::string& max);

} // namespace vk
