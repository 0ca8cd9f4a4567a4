#pragma once
#include "race/RaceControl.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace vk::test {

// A race control on a manual clock with an empty protocol (header plus one empty data row).
class RaceFixture : public ::testing::Test {
protected:
    RaceFixture() {
        settings.applyStartupDefaults();
        rc.startSoundPath = "/prog/start.wav";
        rc.stopSoundPath = "/prog/stopp.wav";
        rc.modemStatus = [this] { return lines; };
        rc.requestBackup = [this] { ++backups; };
    }

    std::string cell(int col, int row) const { return table.Cell(col, row); }
    // The data row of a start number, or -1.
    int rowOf(int number) const { return table.FindRow(0, std::to_string(number), false); }

    // A line change as the serial component reports it: the lines change, then the handler
    // bound to the event runs.
    void setLines(uint32_t status, bool cts) {
        lines = status;
        if (cts)
            rc.ComPortStart();
        else
            rc.ComPortStop();
    }
    // A lane barrier pass: its line comes on and goes off again.
    void pass(int lane) {
        const uint32_t bit = lane == 1 ? kStatusRLSD : kStatusDSR;
        setLines(lines | bit, false);
        setLines(lines & ~bit, false);
    }

    ManualClock clock{100000};
    SoundRecorder sound;
    CellTable table;
    Settings settings;
    RaceControl rc{{clock, clock, sound, table, settings}};
    uint32_t lines = 0;
    int backups = 0;
};

} // namespace vk::test
