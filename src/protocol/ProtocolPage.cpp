#include "protocol/ProtocolPage.h"

#include "protocol/TextCodec.h"

#include <algorithm>
#include <ctime>

namespace vk {

namespace {

constexpr char kMakerSite[] = "www.quorvane.de";
constexpr int kPlaceColumn = 10;
constexpr char kMakerSoftwarePage[] = "https://www.quorvane.de/software";

// Cells are UTF-8; anything else (a file that slipped through undecoded) is taken as
// Windows-1252, so the page never declares a charset its bytes break.
std::string pageText(const std::string& s) {
    return HtmlEscape(AsUtf8(s));
}

} // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

std::string PageDate(std::chrono::system_clock::time_point now) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%d.%m.%Y", &tm);
    return buf;
}

std::string ProtocolPageBytes(const CellTable& table, const std::string& title,
                              const PageHeading& heading) {
    const std::string t = pageText(title);
    // A place is any text but a blank or the accident mark's "-".
    bool places = false;
    for (int r = 1; r < table.RowCount() && !places; ++r) {
        const std::string& p = table.Cell(kPlaceColumn, r);
        places = p.find_first_not_of(' ') != std::string::npos && p != "-";
    }
    const int cols = places ? table.ColCount() : std::min(table.ColCount(), kPlaceColumn);
    std::string p;
    auto line = [&p](const std::string& s) {
        p += s;
        p += "\r\n";
    };
    line("<HTML>");
    line("<HEAD>");
    line(std::string("<!--") + kMakerSite + " software -->");
    line("<TITLE>Zeitenprotokoll " + t + "</TITLE>");
    line("<META name=keywords content=\"slalom, Zeitenprotokoll, quorvane, stopuhr, " + t + "\">");
    line("<META name=description content=\"Quorvane professional software development for all\">");
    line("<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">");
    line(std::string("<META name=\"Webdesign\" content=\"") + kMakerSite + "\">");
    line("</HEAD>");
    line("<STYLE type=text/css>");
    line(" body {font-family: Arial}");
    line(" pre  {padding-left: 36px}");
    line(".de   {line-height: 4px; width: 28px}");
    line("</STYLE>");
    line("<BODY bgcolor=#FFFFFF text=#000000>");
    line("<DIV style=\"FILTER: Blur(direction=225, strength=6); WIDTH:100%\"><H2>&nbsp;" + t +
         "</H2>");
    line("</div>");
    if (!heading.race.empty())
        line("<H3>" + pageText(heading.race) + "</H3>");
    if (!heading.date.empty())
        line("<P>" + pageText(heading.date) + "</P>");
    line("<H4>Zeitenprotokoll</H4>");
    line("<table style=\"BORDER-COLLAPSE: collapse\" bgcolor=#FFFFFF borderColor=#808080 "
         "border=1 cellpadding=4 width=100%>");
    line(std::string("<colgroup valign=top> <col align=right> <col align=left> <col align=left> "
                     "<col align=left> <col align=left> <col align=left><col align=right> <col "
                     "align=right> <col align=right> <col align=right> <col align=center>") +
         (places ? " <col align=right>" : "") + " </colgroup>");
    line("<thead align=left bgcolor=#91B5FF>");
    line("<tr>");
    for (int c = 0; c < cols; ++c) {
        const char* width = c == 0 ? "5%" : c == 1 ? "20%" : c == 2 ? "15%" : c <= 5 ? "10%" : "5%";
        line(std::string("<th width=") + width + ">" + pageText(table.Cell(c, 0)));
    }
    line("</tr></thead>");
    for (int r = 1; r < table.RowCount(); ++r) {
        std::string row = "<tr>";
        for (int c = 0; c < cols; ++c)
            row += "<td>" + pageText(table.Cell(c, r));
        line(row + "</tr>");
    }
    line("</table>");
    p += std::string("<P align=right><a href=\"") + kMakerSoftwarePage + "\" title=\"" + t +
         "\"><FONT color=#FF0000>Quor</FONT><FONT color=#009900>va</FONT><FONT "
         "color=#999999>ne</FONT><FONT color=#666600>&nbsp; Sport Software "
         "</FONT>&gt;&gt;</A></P></body></html>\r\n";
    return p;
}

bool WriteProtocolPage(const CellTable& table, const std::string& title, const std::string& path,
                       FileIo& io, const PageHeading& heading) {
    return AtomicWriteFile(path, ProtocolPageBytes(table, title, heading), io);
}

std::string ProtocolPageFileName(const std::string& programFolder, const std::string& title,
                                 const std::string& userDataFolder, bool programFolderWritable) {
    const std::string& folder =
        programFolderWritable || userDataFolder.empty() ? programFolder : userDataFolder;
    return JoinPath(folder, title + ".html");
}

} // namespace vk
