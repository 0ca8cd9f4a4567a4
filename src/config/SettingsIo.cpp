#include "config/SettingsIo.h"

#include <map>
#include <string_view>
#include <variant>

namespace vk {

namespace {

// Where each stored integer or yes/no value lives in the settings.
using Member = std::variant<int Settings::*, bool Settings::*, std::optional<int> Settings::*,
                            uint8_t Settings::*>;

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

const std::map<std::string_view, Member>& Members() {
    static const std::map<std::string_view, Member> members = {
        {"Left", &Settings::left},
        {"Top", &Settings::top},
        {"Width", &Settings::width},
        {"Height", &Settings::height},
        {"Sound", &Settings::Sound},
        {"Port", &Settings::Port},
        {"Alg", &Settings::Alg},
        {"WaitStart", &Settings::WaitStart},
        {"FilterInd", &Settings::FilterInd},
        {"Length", &Settings::Length},
        {"Monitor", &Settings::MonitorIndex},
        {"Klass", &Settings::Klass},
        {"KlassSort", &Settings::KlassSort},
        {"LengthS", &Settings::LengthS},
        {"LengthC", &Settings::LengthC},
        {"LengthF", &Settings::LengthF},
        {"ColSpeed0", &Settings::ColSpeed0},
        {"ColSpeed1", &Settings::ColSpeed1},
        {"ColSpeed2", &Settings::ColSpeed2},
        {"ColSpeed3", &Settings::ColSpeed3},
        {"ManyStart", &Settings::ManyStart},
        {"Zeitkarte", &Settings::Zeitkarte},
    };
    return members;
}

void Store(Settings& s, std::string_view name, int32_t v) {
    if (name == "WaitStart" && v <= 0)
        return; // only a positive lock time replaces the default
    std::visit(Overloaded{[&](int Settings::*m) { s.*m = v; },
                          [&](bool Settings::*m) { s.*m = v != 0; },
                          [&](std::optional<int> Settings::*m) { s.*m = v; },
                          [&](uint8_t Settings::*m) { s.*m = static_cast<uint8_t>(v & 0xFF); }},
               Members().at(name));
}

int32_t Fetch(const Settings& s, std::string_view name) {
    return std::visit(
        Overloaded{[&](int Settings::*m) { return s.*m; },
                   [&](bool Settings::*m) { return s.*m ? 1 : 0; },
                   [&](std::optional<int> Settings::*m) { return (s.*m).value_or(0); },
                   [&](uint8_t Settings::*m) { return int{s.*m}; }},
        Members().at(name));
}

// Reads the values of `names` in order; false when one was missing or wrongly typed.
bool ReadIntegers(SettingsKey& key, Settings& s, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        int32_t v = 0;
        if (key.ReadInteger(name, v) != SettingsKey::Read::Ok)
            return false;
        Store(s, name, v);
    }
    return true;
}

void ReadAll(SettingsKey& key, Settings& s) {
    if (!ReadIntegers(key, s,
                      {"Left", "Top", "Width", "Height", "Sound", "Port", "Alg", "WaitStart",
                       "FilterInd", "Length", "Monitor"}))
        return;
    std::string title;
    switch (key.ReadString("Title", title)) {
    case SettingsKey::Read::Ok:
        s.Title = title;
        break;
    case SettingsKey::Read::Missing:
        s.Title.clear();
        break;
    case SettingsKey::Read::WrongType:
        return;
    }
    ReadIntegers(key, s,
                 {"Klass", "KlassSort", "LengthS", "LengthC", "LengthF", "ColSpeed0", "ColSpeed1",
                  "ColSpeed2", "ColSpeed3", "ManyStart", "Zeitkarte"});
    if (std::string printer; key.ReadString("ZeitkartePrinter", printer) == SettingsKey::Read::Ok)
        s.ZeitkartePrinter = printer;
}

void WriteIntegers(SettingsKey& key, const Settings& s, std::initializer_list<const char*> names) {
    for (const char* name : names)
        key.WriteInteger(name, Fetch(s, name));
}

} // namespace

void LoadSettings(SettingsStore& store, const std::string& program, Settings& s, int screenCount) {
    if (auto key = store.OpenKey(program, false)) {
        ReadAll(*key, s);
        key->Close();
    }
    if (s.MonitorIndex < 0 || s.MonitorIndex >= screenCount)
        s.MonitorIndex = 0;
}

std::string SaveSettings(SettingsStore& store, const std::string& program, const Settings& s) {
    auto key = store.OpenKey(program, true);
    if (!key)
        return store.Location(program) + " lässt sich nicht anlegen";
    WriteIntegers(*key, s,
                  {"Left", "Top", "Width", "Height", "Port", "Alg", "Sound", "WaitStart",
                   "FilterInd", "Length", "Monitor"});
    key->WriteString("Title", s.Title);
    WriteIntegers(*key, s,
                  {"Klass", "KlassSort", "LengthS", "LengthC", "LengthF", "ColSpeed0", "ColSpeed1",
                   "ColSpeed2", "ColSpeed3", "ManyStart", "Zeitkarte"});
    key->WriteString("ZeitkartePrinter", s.ZeitkartePrinter);
    return key->Close();
}

} // namespace vk
