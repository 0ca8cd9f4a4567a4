#include "protocol/DocxWriter.h"
#include "protocol/ProtocolPage.h"
#include "protocol/ProtocolPublish.h"
#include "protocol/SpreadsheetReader.h"
#include "protocol/XlsxWriter.h"

#include "OfficeFiles.h"
#include "ProtocolFiles.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vk {

namespace {

const std::string kData = VK_TEST_DATA;

int count(const std::string& s, const std::string& what) {
    int n = 0;
    for (size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + what.size()))
        ++n;
    return n;
}

std::vector<std::vector<std::string>> rowsOf(const CellTable& t, int n) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < n; ++r) {
        rows.emplace_back();
        for (int c = 0; c < t.ColCount(); ++c)
            rows.back().push_back(t.Cell(c, r));
    }
    return rows;
}

// The sample protocol as an .xlsx in `dir`.
std::string SampleXlsx(const test::TempFolder& dir, const WorkbookInfo& info) {
    CellTable t;
    test::FillSampleProtocol(t);
    std::string error;
    const std::string bytes = XlsxBytes(t, info, error);
    EXPECT_FALSE(bytes.empty()) << error;
    test::WriteBytes(dir.file("p.xlsx"), bytes);
    return dir.file("p.xlsx");
}

struct PublishFixture : ::testing::Test {
    test::TempFolder dir;
    CellTable table;
    test::ScriptedDialogs dialogs;
    test::RecordingShell shell;
    Protocol protocol{table, dialogs};
    ProtocolPublisher publisher{
        protocol, dialogs, shell, {"Velkoran", dir.file("Velkoran.html"), dir.file("user/")}};
    std::vector<std::string> status;
    std::vector<bool> buttons;
    int imported = 0, operatorChanges = 0;

    PublishFixture() {
        test::FillSampleProtocol(table);
        publisher.raceTitle = [] { return std::string("Pokal & Preis 2024"); };
        // Noon UTC: the same day in every time zone the tests run in.
        publisher.clock = [] {
            return std::chrono::system_clock::from_time_t(1796817600); // 2026-12-09 12:00 UTC
        };
        publisher.onImported = [this] { ++imported; };
        protocol.onStatusText = [this](const std::string& s) { status.push_back(s); };
        protocol.onProtocolButtons = [this](bool on) { buttons.push_back(on); };
        protocol.onOperatorChange = [this] { ++operatorChanges; };
    }
};

} // namespace

TEST(ProtocolPage, MatchesTheGoldenPageWithEveryRowEscapedAndUtf8) {
    CellTable t;
    test::FillSampleProtocol(t);
    const std::string page = ProtocolPageBytes(t, "Velkoran");
    EXPECT_EQ(page, test::ReadBytes(kData + "/ProtocolPage.html"));
    EXPECT_NE(page.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;<td>A &amp; B &quot;Q&quot;"),
              std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(HtmlEscape("<\"T&T\">"), "&lt;&quot;T&amp;T&quot;&gt;");
}

TEST(ProtocolPage, LiesBesideTheBackup) {
    EXPECT_EQ(ProtocolPageFileName("/opt/vk/", "Velkoran", "/home/u/.local/share/Q/V/", true),
              "/opt/vk/Velkoran.html");
    EXPECT_EQ(ProtocolPageFileName("/opt/vk/", "Velkoran", "/home/u/.local/share/Q/V/", false),
              "/home/u/.local/share/Q/V/Velkoran.html");
}

TEST(Xlsx, RoundTripThroughOurReaderKeepsTextsNumbersAndEmptyCells) {
    test::TempFolder dir;
    const std::string file = SampleXlsx(dir, {"Velkoran", "Pokal", "Velkoran", "Quorvane"});
    CellTable t;
    test::FillSampleProtocol(t);
    SheetRows rows;
    std::string error;
    ASSERT_TRUE(ReadSpreadsheet(file, {}, rows, error)) << error;
    // The reader stops at the row without a start number.
    EXPECT_EQ(rows, rowsOf(t, 3));
    // Plain numbers went in as numbers, the rest as text.
    const std::string sheet = test::Unzipped(test::ReadBytes(file), "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<v>5.123</v>"), std::string::npos);
    EXPECT_NE(sheet.find("<v>12</v>"), std::string::npos);

    // The same sheet in English notation.
    ASSERT_TRUE(ReadSpreadsheet(file, {11, '.', 1000000}, rows, error));
    EXPECT_EQ(rows[2][7], "12.000");
    EXPECT_EQ(rows[1][6], "123.4");

    // Under a locale with a decimal point, times keep their comma and speeds take the point:
    // both are numbers with a fixed count of decimals and come back as they went.
    t.Locale.decimalSeparator = '.';
    t.SetCell(6, 1, "31.953");
    t.SetCell(6, 2, "90.5");
    const std::string zip = XlsxBytes(t, {"V", "", "V", "Q"}, error);
    const std::string sheet2 = test::Unzipped(zip, "xl/worksheets/sheet1.xml");
    for (const char* v : {"<v>0.512</v>", "<v>5.635</v>", "<v>31.953</v>", "<v>90.5</v>"})
        EXPECT_NE(sheet2.find(v), std::string::npos) << v;
    const std::string styles = test::Unzipped(zip, "xl/styles.xml");
    EXPECT_NE(styles.find("formatCode=\"0.000\""), std::string::npos);
    EXPECT_NE(styles.find("formatCode=\"0.0\""), std::string::npos);
    test::WriteBytes(file, zip);
    SheetReadOptions english{11, '.', 1000000};
    english.commaColumns = {4, 5, 7, 8};
    ASSERT_TRUE(ReadSpreadsheet(file, english, rows, error)) << error;
    EXPECT_EQ(rows, rowsOf(t, 3));
}

TEST(Xlsx, WorkbookHasEveryRowTheLookAndTheMetadata) {
    test::TempFolder dir;
    const std::string zip = test::ReadBytes(
        SampleXlsx(dir, {"Velko[r]an", "Pokal & Preis", "Velkoran", "Quorvane Software"}));
    CellTable t;
    test::FillSampleProtocol(t);
    const std::string sheet = test::Unzipped(zip, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(count(sheet, "<row "), 4); // the row without a start number too
    EXPECT_EQ(count(sheet, "<c r=\"K"), 4);
    EXPECT_NE(test::Unzipped(zip, "xl/workbook.xml").find("name=\"Velko_r_an\""),
              std::string::npos);
    const std::string core = test::Unzipped(zip, "docProps/core.xml");
    EXPECT_NE(core.find("<dc:title>Pokal &amp; Preis</dc:title>"), std::string::npos);
    EXPECT_NE(core.find("<dc:subject>Velkoran</dc:subject>"), std::string::npos);
    EXPECT_NE(core.find("<dc:creator>Quorvane Software</dc:creator>"), std::string::npos);
    const std::string styles = test::Unzipped(zip, "xl/styles.xml");
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
    EXPECT_NE(styles.find("style=\"medium\""), std::string::npos);
    EXPECT_NE(styles.find("style=\"thin\""), std::string::npos);
    const auto w = XlsxColumnWidths(t);
    ASSERT_EQ(w.size(), 11u);
    EXPECT_GT(w[1], 25.0); // "<script>alert(1)</script>"
    EXPECT_LT(w[0], 8.0);
}

TEST(Xls, ReadsTheFileLibreOfficeMadeFromOurXlsx) {
    // protocol.xls: our .xlsx of the sample protocol saved as .xls by LibreOffice Calc. The
    // format keeps no number formats we can read, so "12,000" comes back as "12".
    SheetRows rows;
    std::string error;
    ASSERT_TRUE(ReadSpreadsheet(kData + "/protocol.xls", {}, rows, error)) << error;
    CellTable t;
    test::FillSampleProtocol(t);
    auto expected = rowsOf(t, 3);
    expected[2][7] = "12";
    EXPECT_EQ(rows, expected);
}

TEST(SpreadsheetImport, ReadsTheRowsDownToTheFirstEmptyCellInColumnA) {
    const std::string numbers =
        "<numFmts><numFmt numFmtId=\"164\" formatCode=\"0.000\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"#,##0.0#\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"dd/mm/yyyy\"/></numFmts>"
        "<cellStyleXfs><xf numFmtId=\"164\"/></cellStyleXfs>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/>"
        "<xf numFmtId=\"2\"/><xf numFmtId=\"166\"/></cellXfs>";
    struct Case {
        const char* name;
        std::string sheetData, shared;
        std::vector<std::vector<std::string>> rows; // the first three columns
    };
    const std::vector<Case> cases = {
        {"Nr., 5 and 7, then an empty row",
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>5</v></c></row><row r=\"3\"><c r=\"A3\"><v>7</v></c></row>"
         "<row r=\"4\"><c r=\"B4\" t=\"inlineStr\"><is><t>x</t></is></c></row>"
         "<row r=\"5\"><c r=\"A5\"><v>9</v></c></row>",
         "<si><t>Nr.</t></si>",
         {{"Nr.", "", ""}, {"5", "", ""}, {"7", "", ""}}},
        {"a missing row ends the table",
         "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Nr.</t></is></c></row>"
         "<row r=\"3\"><c r=\"A3\"><v>7</v></c></row>",
         "",
         {{"Nr.", "", ""}}},
        {"references with gaps, cells without references, rows without numbers",
         "<row><c r=\"C1\" t=\"inlineStr\"><is><t>c</t></is></c>"
         "<c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c></row>"
         "<row><c t=\"inlineStr\"><is><t>1</t></is></c><c t=\"b\"><v>1</v></c>"
         "<c t=\"b\"><v>0</v></c></row>",
         "",
         {{"a", "", "c"}, {"1", "WAHR", "FALSCH"}}},
        {"shared and rich strings without phonetic runs, escapes, formula texts",
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>2</v></c>"
         "<c r=\"C1\" t=\"str\"><f>A1&amp;B1</f><v>ÄÖ</v></c></row>",
         "<si><t>x</t></si><si><r><t>Mül</t></r><r><rPr><b/></rPr><t>ler</t></r>"
         "<rPh><t>ミュラー</t></rPh></si><si><t>a_x0009_b</t></si>",
         {{"Müller", "a\tb", "ÄÖ"}}},
        {"numbers in the notation of their formats",
         "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>12</v></c><c r=\"B1\" s=\"2\"><v>1234.5</v></c>"
         "<c r=\"C1\" s=\"3\"><v>-0.5</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>5.1230000000000002</v></c><c r=\"B2\" s=\"4\">"
         "<v>45000</v></c><c r=\"C2\"><v>1E+20</v></c></row>"
         "<row r=\"3\"><c r=\"A3\" s=\"99\"><v>0.1</v></c></row>",
         "",
         {{"12,000", "1234,5", "-0,50"}, {"5,123", "45000", "1E+20"}, {"0,1", "", ""}}},
    };
    for (const Case& c : cases) {
        SheetRows rows;
        std::string error;
        ASSERT_TRUE(ReadXlsxBytes(test::MakeXlsx(c.sheetData, c.shared, numbers), {3, ',', 100},
                                  rows, error))
            << c.name << ": " << error;
        EXPECT_EQ(rows, c.rows) << c.name;
    }
}

TEST(SpreadsheetImport, FirstSheetInWorkbookOrder) {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::string error;
    const std::string bytes = ZipBytes(
        {{"xl/workbook.xml", "<workbook><sheets><sheet name=\"B\" r:id=\"r2\"/>"
                             "<sheet name=\"A\" r:id=\"r1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships><Relationship Id=\"r1\" Type=\"" + rel +
              "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"r2\" Type=\"" +
              rel +
              "worksheet\" Target=\"./worksheets/../worksheets/sheet2.xml\"/>"
              "</Relationships>"},
         {"xl/worksheets/sheet1.xml",
          "<worksheet><sheetData><row><c><v>1</v></c></row></sheetData></worksheet>"},
         {"xl/worksheets/sheet2.xml",
          "<worksheet><sheetData><row><c><v>2</v></c></row></sheetData></worksheet>"}},
        error);
    SheetRows rows;
    ASSERT_TRUE(ReadXlsxBytes(bytes, {1, ',', 10}, rows, error)) << error;
    EXPECT_EQ(rows, SheetRows{{"2"}});
}

TEST(SpreadsheetImport, HostileOrBrokenFilesAreRefusedWithAReason) {
    const std::string good = test::MakeXlsx("<row><c><v>1</v></c></row>");
    std::string error;
    // Four megabytes of blanks inside the sheet inflate from a few kilobytes.
    const std::string bomb = test::MakeXlsx(
        "", "", "", "<worksheet>" + std::string(4u << 20, ' ') + "<sheetData/></worksheet>");
    ASSERT_LT(bomb.size(), 100000u);
    // Twenty-two short references to one 100 kB shared string.
    std::string rowOfReferences = "<row>";
    for (int c = 0; c < 11; ++c)
        rowOfReferences += "<c t=\"s\"><v>0</v></c>";
    rowOfReferences += "</row>";
    const std::string repeatedText = test::MakeXlsx(
        rowOfReferences + rowOfReferences, "<si><t>" + std::string(100000, 'x') + "</t></si>");
    const std::string manyRows = test::MakeXlsx(
        "<row><c><v>1</v></c></row><row><c><v>2</v></c></row><row><c><v>3</v></c></row>");
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"no zip at all", "PK\x03\x04 this is not an archive", "keine lesbare Excel-Datei"},
        {"cut short", good.substr(0, good.size() / 2), "keine lesbare Excel-Datei"},
        {"broken XML", test::MakeXlsx("<row><c><v>1</v></row>"), "mismatched tag"},
        {"an entity bomb in a DTD",
         test::MakeXlsx("", "", "",
                        "<!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                        "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>&b;</t></is></c>"
                        "</row></sheetData></worksheet>"),
         "DTD"},
        {"a part that inflates beyond the bound", bomb, "groß"},
        {"more rows than allowed", manyRows, "mehr als 2 Zeilen"},
        {"one long text referred to beyond the bound", repeatedText, "zu viel Text"},
        {"a missing shared string", test::MakeXlsx("<row><c t=\"s\"><v>3</v></c></row>"),
         "fehlenden Text"},
        {"rows out of order",
         test::MakeXlsx("<row r=\"1\"><c><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>"
                        "<row r=\"1\"><c><v>3</v></c></row>"),
         "Reihenfolge"},
    };
    for (const Case& c : cases) {
        SheetRows rows{{"old"}};
        error.clear();
        SheetReadOptions o{11, ',', 2};
        o.maxPartBytes = 1u << 20;
        o.maxTextBytes = 1u << 20;
        EXPECT_FALSE(ReadXlsxBytes(c.bytes, o, rows, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(rows.empty()) << c.name;
    }
}

TEST(Docx, TitleHeadingAndElevenCellsInEveryRow) {
    CellTable t;
    test::FillSampleProtocol(t);
    std::string error;
    const std::string docx = DocxBytes(t, {"Pokal <2024>", "Velkoran", "Quorvane"}, error);
    ASSERT_FALSE(docx.empty()) << error;
    const std::string doc = test::Unzipped(docx, "word/document.xml");
    EXPECT_NE(doc.find("<w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t xml:space=\"preserve\">"
                       "Pokal &lt;2024&gt;</w:t>"),
              std::string::npos);
    int rows = 0;
    for (size_t at = doc.find("<w:tr>"); at != std::string::npos; ++rows) {
        const size_t end = doc.find("</w:tr>", at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(count(doc.substr(at, end - at), "<w:tc>"), 11) << "row " << rows;
        at = doc.find("<w:tr>", end);
    }
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(count(doc, "<w:gridCol "), 11);
    EXPECT_NE(doc.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(doc.find("<w:b/><w:bCs/></w:rPr><w:t xml:space=\"preserve\">Platz</w:t>"),
              std::string::npos);
    for (const char* part : {"[Content_Types].xml", "_rels/.rels", "word/styles.xml",
                             "word/_rels/document.xml.rels", "docProps/core.xml"})
        EXPECT_FALSE(test::Unzipped(docx, part).empty()) << part;
    EXPECT_EQ(XmlText("a\x01"
                      "b\xEF\xBF\xBE"
                      "c"),
              "a b c");
    EXPECT_EQ(XmlText("c\xE4"), "c\xC3\xA4");
}

TEST_F(PublishFixture, PageIsWrittenBesideTheBackupThenShownOrPrintedEachTime) {
    publisher.sbInetClick(0);
    publisher.sbInetClick(1);
    publisher.sbInetClick(1);
    const std::string page = dir.file("Velkoran.html");
    EXPECT_EQ(shell.opened, std::vector<std::string>{page});
    EXPECT_EQ(shell.printed, (std::vector<std::string>{page, page}));
    // The race title and the date under the heading, as in the word document; shown and
    // printed alike.
    EXPECT_EQ(
        test::ReadBytes(page),
        ProtocolPageBytes(table, "Velkoran", {"Pokal & Preis 2024", PageDate(publisher.clock())}));
    EXPECT_NE(test::ReadBytes(page).find(
                  "</div>\r\n<H3>Pokal &amp; Preis 2024</H3>\r\n<P>09.12.2026</P>"),
              std::string::npos);
    EXPECT_TRUE(dialogs.errors.empty());
    // No place in any row (a blank or the accident mark's "-" is none): no "Platz" column.
    table.SetCell(10, 1, " ");
    table.SetCell(10, 2, "-");
    const std::string noPlaces = ProtocolPageBytes(table, "Velkoran");
    EXPECT_EQ(noPlaces.find("Platz"), std::string::npos);
    EXPECT_EQ(count(noPlaces, "<td>"), 30);
    EXPECT_EQ(count(noPlaces, "<col "), 11);

    // An unwritable page is reported, and no older page is shown in its place.
    ProtocolPublisher blocked{protocol, dialogs, shell, {"Velkoran", page + "/x.html", ""}};
    blocked.sbInetClick(0);
    EXPECT_EQ(dialogs.errors,
              std::vector<std::string>{"Der Schreibfehler der Datei: " + page + "/x.html"});
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(PublishFixture, ADesktopWithoutAnApplicationIsReportedWithTheFileKept) {
    shell.opens = false;
    publisher.sbInetClick(0);
    ASSERT_TRUE(publisher.ExportExcel(""));
    ASSERT_EQ(shell.opened.size(), 2u);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(dialogs.errors[i],
                  "Kein Programm zum Öffnen gefunden. Die Datei liegt hier: " + shell.opened[i]);
        EXPECT_FALSE(test::ReadBytes(shell.opened[i]).empty());
    }
}

TEST_F(PublishFixture, ExcelIsShownFromTheDataFolderOrSavedWhereAsked) {
    ASSERT_TRUE(publisher.ExportExcel(""));
    ASSERT_EQ(shell.opened.size(), 1u);
    const std::string shown = shell.opened[0];
    EXPECT_EQ(shown.rfind(dir.file("user/Velkoran-"), 0), 0u) << shown;
    EXPECT_EQ(shown.substr(shown.size() - 5), ".xlsx");
    EXPECT_EQ(test::ReadBytes(shown).substr(0, 2), "PK");

    ASSERT_TRUE(publisher.ExportExcel(dir.file("saved.xlsx")));
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(status.back(), "Gespeichert: " + dir.file("saved.xlsx"));

    EXPECT_FALSE(publisher.ExportExcel(dir.file("no/such/folder/p.xlsx")));
    EXPECT_FALSE(publisher.ExportWord(dir.file("no/such/folder/p.docx")));
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_NE(dialogs.errors[0].find("konnte nicht geschrieben werden: No such file"),
              std::string::npos)
        << dialogs.errors[0];
}

TEST_F(PublishFixture, SaveAndOpenChooseTheTypeByExtensionElseByFilter) {
    using T = ProtocolFileType;
    const std::vector<std::tuple<std::string, int, T, std::string>> cases = {
        {"/a/p.txt", 2, T::Text, "/a/p.txt"},
        {"/a/p.XLSX", 1, T::Spreadsheet, "/a/p.XLSX"},
        {"/a/p.xls", 1, T::Spreadsheet, "/a/p.xlsx"},
        {"/a/p.doc", 1, T::WordDocument, "/a/p.docx"},
        {"/a/p.htm", 1, T::WebPage, "/a/p.htm"},
        {"/a/p", 2, T::Spreadsheet, "/a/p.xlsx"},
        {"/a/p", 3, T::WordDocument, "/a/p.docx"},
        {"/a/p", 4, T::WebPage, "/a/p.html"},
        {"/a.b/p", 0, T::Text, "/a.b/p.txt"},
        {"/a/2024-05-01", 1, T::Text, "/a/2024-05-01.txt"},
        {"/a/x.csv", 2, T::Text, "/a/x.csv"},
        {"/a/Lauf 1.5", 2, T::Spreadsheet, "/a/Lauf 1.5.xlsx"},
        {"/a/.p", 4, T::WebPage, "/a/.p.html"},
    };
    for (const auto& [path, filter, type, savePath] : cases) {
        EXPECT_EQ(ChooseFileType(path, filter), type) << path;
        EXPECT_EQ(SavePathFor(path, type), savePath) << path;
    }

    const std::vector<std::pair<int, std::string>> saves = {
        {1, "Nr.\t"}, {2, "PK"}, {3, "PK"}, {4, "<HTML>"}};
    for (const auto& [filter, start] : saves) {
        const std::string name = dir.file("s" + std::to_string(filter));
        ASSERT_TRUE(publisher.Save(name, ChooseFileType(name, filter)));
        const char* ext[] = {"", ".txt", ".xlsx", ".docx", ".html"};
        const std::string bytes = test::ReadBytes(name + ext[filter]);
        EXPECT_EQ(bytes.substr(0, start.size()), start) << filter;
        if (filter == 3) {
            EXPECT_FALSE(test::Unzipped(bytes, "word/document.xml").empty());
        }
    }
    // Opened back by their types.
    test::FillSampleProtocol(table);
    table.SetCell(1, 1, "anders");
    ASSERT_TRUE(publisher.Open(dir.file("s2.xlsx"), ChooseFileType(dir.file("s2.xlsx"), 1)));
    EXPECT_EQ(table.Cell(1, 1), "Müller");
    EXPECT_FALSE(publisher.Open(dir.file("s4.html"), ProtocolFileType::WebPage));
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(PublishFixture, ImportReplacesTheTableSelectsRowOneAndRunsTheShowSteps) {
    test::WriteBytes(dir.file("three.xlsx"),
                     test::MakeXlsx("<row><c t=\"inlineStr\"><is><t>Nr.</t></is></c>"
                                    "<c t=\"inlineStr\"><is><t>Name</t></is></c></row>"
                                    "<row><c><v>5</v></c></row><row><c><v>7</v></c></row>"));
    protocol.SelectWholeRow(3);
    protocol.onReplacing = [] { return std::string("/b/kept.txt"); };
    ASSERT_TRUE(publisher.ReadExcelProtocol(dir.file("three.xlsx")));
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_EQ(rowsOf(table, 3)[2],
              (std::vector<std::string>{"7", "", "", "", "", "", "", "", "", "", ""}));
    // The sheet's two headings, the standard ones of the columns it lacks.
    EXPECT_EQ(rowsOf(table, 1)[0],
              (std::vector<std::string>{"Nr.", "Name", "Vorname", "Kl.", "RZ", "ZZ", "Km/h", "FZ",
                                        "Geszeit", "Win", "Platz"}));
    EXPECT_EQ(status.back(), "Geladen: " + dir.file("three.xlsx") +
                                 "; die bisherige Tabelle liegt in /b/kept.txt");
    protocol.onReplacing = nullptr;
    EXPECT_EQ(protocol.cursor().row, 1);
    EXPECT_TRUE(protocol.cursor().wholeRow);
    EXPECT_EQ(buttons.back(), true);
    EXPECT_EQ(imported, 1);
    EXPECT_EQ(operatorChanges, 1);

    // Fewer than two filled cells in column A: the header (the sheet's, if it has one) and one
    // empty data row; the status bar says so.
    const std::vector<std::pair<std::string, std::string>> few = {
        {"<row><c t=\"inlineStr\"><is><t>Kopf</t></is></c></row>", "Kopf"},
        {"<row><c r=\"B1\"><v>1</v></c></row>", "Kopf"},
    };
    for (const auto& [sheet, header] : few) {
        test::FillSampleProtocol(table);
        table.SetCell(0, 0, "Kopf");
        test::WriteBytes(dir.file("few.xlsx"), test::MakeXlsx(sheet));
        ASSERT_TRUE(publisher.ReadExcelProtocol(dir.file("few.xlsx")));
        EXPECT_EQ(table.RowCount(), 2);
        EXPECT_EQ(table.Cell(0, 0), header);
        EXPECT_TRUE(table.IsRowEmpty(1));
        EXPECT_EQ(status.back(),
                  "Die Tabelle in " + dir.file("few.xlsx") + " enthielt keine Zeilen");
        EXPECT_EQ(buttons.back(), false);
    }

    // A file that cannot be read leaves the protocol as it was, with one message. Among them
    // a small file whose 110 cells all name one 100 kB text: 11 MB as placed.
    test::FillSampleProtocol(table);
    const auto before = rowsOf(table, table.RowCount());
    test::WriteBytes(dir.file("broken.xlsx"), test::MakeXlsx("<row><c><v>1</c></row>"));
    std::string rowsOfOneText;
    for (int r = 0; r < 10; ++r) {
        rowsOfOneText += "<row>";
        for (int c = 0; c < 11; ++c)
            rowsOfOneText += "<c t=\"s\"><v>0</v></c>";
        rowsOfOneText += "</row>";
    }
    const std::string swollen =
        test::MakeXlsx(rowsOfOneText, "<si><t>" + std::string(100000, 'x') + "</t></si>");
    ASSERT_LT(swollen.size(), 5000u);
    test::WriteBytes(dir.file("swollen.xlsx"), swollen);
    for (const char* name : {"broken.xlsx", "swollen.xlsx", "three.xlsx", "missing.xlsx"}) {
        if (std::string(name) == "three.xlsx")
            publisher.maxImportRows = 1;
        dialogs.errors.clear();
        EXPECT_FALSE(publisher.ReadExcelProtocol(dir.file(name))) << name;
        ASSERT_EQ(dialogs.errors.size(), 1u) << name;
        EXPECT_EQ(rowsOf(table, table.RowCount()), before) << name;
        if (std::string(name) == "swollen.xlsx") {
            EXPECT_NE(dialogs.errors[0].find("zu viel Text"), std::string::npos);
        }
    }
    EXPECT_EQ(imported, 3);
}

} // namespace vk
