#include "runlog/RunLog.h"
#include "protocol/BackupThread.h"
#include "runlog/Places.h"
#include "runlog/RunLogFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vk {
namespace {

RunRecord sampleRun() {
    RunRecord r;
    r.runNumber = 7;
    r.dateTime = "2026-12-09T20:15:03";
    r.title = "Sommer \"Cup\" \\ 2026";
    r.lane = 2;
    r.startNumber = "12";
    r.name = "Müller\nZeile\t2\x01";
    r.firstName = "Jürgen 🏁";
    r.klass = "3";
    r.startKind = RunRecord::StartKind::Manual;
    r.passMs = {512, 4200, 9100, 11877};
    r.rz = "0,512";
    r.zz = "4,200";
    r.topSpeedTime = "9,100";
    r.fz = "11,365";
    r.geszeit = "11,877";
    r.kmh = "123,456";
    r.win = true;
    r.stopKind = RunRecord::StopKind::ByHand;
    r.opponentStartNumber = "4";
    return r;
}

TEST(RunLog, RecordRoundTripsAsOneLineWhateverItsTextsHold) {
    const RunRecord r = sampleRun();
    const std::string line = RunRecordLine(r);
    ASSERT_EQ(line.find('\n'), line.size() - 1);
    ASSERT_EQ(line.find('\t'), std::string::npos);
    RunRecord back;
    ASSERT_TRUE(ParseRunRecordLine(line.substr(0, line.size() - 1), back));
    EXPECT_EQ(back, r);

    RunRecord chosen;
    chosen.kind = RunRecord::Kind::RunChosen;
    chosen.refersTo = 3;
    const std::string l2 = RunRecordLine(chosen);
    ASSERT_TRUE(ParseRunRecordLine(l2.substr(0, l2.size() - 1), back));
    EXPECT_EQ(back, chosen);
}

TEST(RunLog, HostileLinesAreSkippedAndCounted) {
    const std::string good = RunRecordLine(sampleRun());
    const std::string cut = good.substr(0, good.size() / 2);
    const std::string deep = std::string(100000, '[');
    struct Case {
        const char* what;
        std::string text;
        size_t records;
        int skipped;
        bool cutLast;
    } cases[] = {
        {"cut last line", good + good + cut, 2, 1, true},
        {"cut line in the middle", good + cut + "\n" + good, 2, 1, false},
        {"garbage and blank lines", "xx\n\n  \r\n{}\n" + good + "[1,2]\n", 1, 3, false},
        {"wrong types",
         R"({"kind":"Run","lane":"1"})"
         "\n"
         R"({"kind":"Run","win":1})"
         "\n"
         R"({"kind":"Run","passMs":[1.5]})"
         "\n"
         R"({"kind":"Run","lane":3})"
         "\n"
         R"({"kind":"Lap"})"
         "\n"
         R"({"kind":"Run","name":"a\ud800"})"
         "\n",
         0, 6, false},
        {"unknown fields are ignored",
         R"({"x":{"y":[1,{"z":null}]},"kind":"Joker","run":2,"v":-1.5e3})"
         "\n",
         1, 0, false},
        {"huge line",
         "{\"kind\":\"Run\",\"name\":\"" + std::string(kMaxRunLogLine, 'a') + "\"}\n" + good, 1, 1,
         false},
        {"deep nesting", "{\"a\":" + deep + "\n" + good, 1, 1, false},
        {"no kind",
         R"({"run":1})"
         "\n",
         0, 1, false},
    };
    for (const Case& c : cases) {
        const RunLogContent log = ParseRunLog(c.text);
        EXPECT_EQ(log.records.size(), c.records) << c.what;
        EXPECT_EQ(log.skipped, c.skipped) << c.what;
        EXPECT_EQ(log.cutLast, c.cutLast) << c.what;
    }
}

TEST(RunLog, ANumberALostLineMayHaveHeldIsNotGivenAgain) {
    RunRecord run = sampleRun(), act;
    act.kind = RunRecord::Kind::Accident;
    const auto line = [](RunRecord r, int64_t n) {
        r.runNumber = n;
        return RunRecordLine(r);
    };
    const std::string r4 = line(run, 4), r5 = line(run, 5), a = line(act, 0);
    const struct {
        const char* what;
        std::string text;
        int64_t next;
    } cases[] = {
        {"empty day", "", 1},
        {"whole lines", r4 + a, 5},
        {"cut after its number", r4 + r5.substr(0, 40), 6},
        {"cut inside its number", r4 + r5.substr(0, 21), 6},
        {"cut before its number", r4 + r5.substr(0, 12), 6},
        {"two lost lines at the end", r4 + "xx\n" + r5.substr(0, 5), 7},
        {"a lost line before a known number", "xx\n" + r4 + a, 5},
        {"a garbled line keeps its number", r4 + r5.substr(0, 40) + "\n" + a, 6},
        {"a cut act is no run", r4 + a.substr(0, 30), 5},
        {"a hostile number counts as lost", r4 + R"({"kind":"Run","run":9223372036854775807,)", 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRunLog(c.text).nextRun, c.next) << c.what;
}

TEST(RunLog, AppendsThroughTheWriterLandInOrderAfterACutLine) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("vk-runlog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path =
        RunLogFileName((dir / "V-Sicherungsdatei.txt").string(), "V", "2026-12-09");
    EXPECT_EQ(path, (dir / "V-Laeufe-2026-12-09.jsonl").string());
    // A crash cut the day's last line.
    const std::string first = RunRecordLine(sampleRun());
    std::ofstream(path, std::ios::binary) << first << first.substr(0, 40);

    std::vector<uint64_t> synced;
    {
        BackupThread writer(FileIo::system(), nullptr);
        writer.onAppended = [&](uint64_t id, bool ok) {
            if (ok)
                synced.push_back(id);
        };
        RunLogFile log(path, [&](const std::string& p, std::string bytes) {
            writer.append(p, std::move(bytes));
        });
        log.load();
        EXPECT_EQ(log.records().size(), 1u);
        EXPECT_FALSE(log.statusWord().empty());
        RunRecord joker;
        joker.kind = RunRecord::Kind::Joker;
        for (const RunRecord& r : {sampleRun(), joker, sampleRun()})
            log.append(r);
        EXPECT_TRUE(writer.flushAppends());
    }
    EXPECT_EQ(synced, (std::vector<uint64_t>{1, 2, 3}));
    const RunLogContent back = ReadRunLog(path);
    ASSERT_EQ(back.records.size(), 4u);
    EXPECT_EQ(back.skipped, 1);              // the cut line only
    EXPECT_EQ(back.records[1].runNumber, 8); // the day's runs count on
    EXPECT_EQ(back.records[2].kind, RunRecord::Kind::Joker);
    EXPECT_EQ(back.records[3].runNumber, 9);

    BackupThread writer(FileIo::system(), nullptr);
    writer.append((dir / "no-such-folder" / "x.jsonl").string(), "x\n");
    EXPECT_FALSE(writer.flushAppends());
    std::filesystem::remove_all(dir);
}

TEST(RunLog, RaceTimeTexts) {
    const std::pair<const char*, int64_t> cases[] = {
        {"5,123", 5123}, {"12,000", 12000}, {"0,065", 65}, {"1234,567", 1234567},
        {"5.123", 5123}, {"-", -1},         {"", -1},      {",123", -1},
        {"5,12", -1},    {"5,1234", -1},    {"a,123", -1}, {"5,12x", -1},
    };
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(ParseRaceTimeMs(text), ms) << text;
}

TEST(RunLog, BestRunNeedsAValidFasterTime) {
    struct Case {
        RunResult candidate, current;
        bool better;
    } cases[] = {
        {{"5,000"}, {"6,000"}, true},
        {{"6,000"}, {"5,000"}, false},
        {{"5,000"}, {"5,000"}, false},       // a tie keeps the earlier run
        {{"5,000", true}, {"6,000"}, false}, // a false start is never best
        {{"-"}, {""}, false},
        {{"7,000"}, {"-"}, true},
        {{"7,000"}, {"4,000", true}, true},
        {{"7,000"}, {""}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsBetterRun(c.candidate, c.current), c.better)
            << c.candidate.geszeit << " vs " << c.current.geszeit;
}

TEST(RunLog, PlacesPerClassShareTiesAndSkipRowsWithoutTime) {
    const std::vector<PlaceInput> rows = {
        {"1", "6,000"}, {"1", "5,000"}, {"2", "9,000"}, {"1", "6,000"},
        {"1", "-"},     {"1", "7,000"}, {"2", ""},      {"", "4,000"},
    };
    EXPECT_EQ(PlacesPerClass(rows), (std::vector<int>{2, 1, 1, 2, 0, 4, 0, 1}));
    EXPECT_EQ(ClassTimeOrder(rows), (std::vector<size_t>{1, 0, 3, 5, 4, 2, 6, 7}));
    const std::vector<PlaceInput> classes = {
        {"10", "1,000"}, {"2", "1,000"}, {"B", "1,000"}, {"A", "1,000"}};
    EXPECT_EQ(ClassTimeOrder(classes), (std::vector<size_t>{1, 0, 3, 2}));
}

TEST(RunLog, RunsOfADriver) {
    std::vector<RunRecord> log(4, sampleRun());
    log[1].startNumber = "4";
    log[2].kind = RunRecord::Kind::Joker;
    log[3].runNumber = 9;
    EXPECT_EQ(RunsOf(log, "12").size(), 2u);
    ASSERT_NE(LastRunOf(log, "12"), nullptr);
    EXPECT_EQ(LastRunOf(log, "12")->runNumber, 9);
    EXPECT_EQ(LastRunOf(log, "99"), nullptr);
}

TEST(RunLog, ProtocolPlacesAndClassSort) {
    CellTable t;
    t.ReplaceRows({{"Nr."},
                   {"1", "A", "", "2", "", "", "", "", "7,000"},
                   {"", "leer", "", "1", "", "", "", "", "1,000"},
                   {"2", "B", "", "1", "", "", "", "", "6,000"},
                   {"3", "C", "", "1", "", "", "-", "-", "-", "-", "-"}, // an accident
                   {"4", "D", "", "1", "", "", "", "", "5,000", "", "9"}});
    EXPECT_TRUE(HasPlaces(t)); // a loaded file's place
    FillPlaces(t);
    const char* places[] = {"1", "", "2", "-", "1"};
    for (int r = 1; r <= 5; ++r)
        EXPECT_EQ(t.Cell(10, r), places[r - 1]) << r;
    SortByClassAndTime(t);
    const char* order[] = {"4", "2", "3", "1", ""};
    for (int r = 1; r <= 5; ++r)
        EXPECT_EQ(t.Cell(0, r), order[r - 1]) << r;
    EXPECT_EQ(t.Cell(1, 5), "leer");
    EXPECT_EQ(t.Cell(0, 0), "Nr.");
    // An accident mark alone is no place.
    CellTable marked;
    marked.ReplaceRows({{"Nr."}, {"5", "E", "", "1", "", "", "-", "-", "-", "-", "-"}});
    EXPECT_FALSE(HasPlaces(marked));
}

} // namespace
} // namespace vk
