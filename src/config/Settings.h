#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vk {

// The program-wide settings values and the settings that live in components of the main
// window, with the values they take when nothing has been stored.
struct Settings {
    // Main window bounds; no position means the window system places the window.
    std::optional<int> left, top;
    int width = 800;
    int height = 561;

    bool Sound = true;
    uint8_t Port = 0;     // n of COMn, 0 = no port
    int Alg = 0;          // 0 "Ein": the start contact starts the race; 1 "Aus"
    int WaitStart = 3000; // start-contact lockout after a start, ms
    int FilterInd = 1;    // 1-based entry of the save dialog's filter
    int Length = 0;       // track length, m; 402 once the program has started
    int MonitorIndex = 0; // screen of the audience window
    std::string Title = "* * *";
    bool Klass = false;
    bool KlassSort = true;
    int LengthS = 1;        // reaction barrier from the start, dm
    int LengthC = 2000;     // intermediate barrier, dm
    int LengthF = 3900;     // top-speed barrier, dm
    bool ColSpeed0 = false; // a light tree with start contact is connected
    bool ColSpeed1 = true;
    bool ColSpeed2 = true;
    bool ColSpeed3 = true;
    bool ManyStart = false;
    // The serial adapter behind Port, by a name that stays when its node name changes
    // (by-id name or USB ids); empty for none or a port without such a name.
    std::string Adapter;
    // The live results server: off unless switched on, and its TCP port.
    bool LiveServer = false;
    int LivePort = 8080;
    bool Zeitkarte = false;       // a timeslip for each lane after every race
    std::string ZeitkartePrinter; // the printer of the last timeslip; empty: the default

    // The settings dialog's creation puts the default track length in place while the program
    // starts; a stored value read later replaces it.
    void applyStartupDefaults();

    bool operator==(const Settings&) const = default;
};

} // namespace vk
