#include "protocol/FileFilters.h"

#include <gtest/gtest.h>

using namespace vk;

namespace {

TEST(FileFilters, DefaultNamesAndEntries) {
    const FileFilters f = BuildFileFilters();
    std::vector<std::string> open, save;
    for (const FileFilter& e : f.open)
        open.push_back(e.Label());
    for (const FileFilter& e : f.save)
        save.push_back(e.Label());
    EXPECT_EQ(open, (std::vector<std::string>{"Textdatei (*.txt)", "MS Excel (*.xlsx *.xls)"}));
    EXPECT_EQ(save, (std::vector<std::string>{"Textdatei (*.txt)", "MS Excel (*.xlsx)",
                                              "MS Word (*.docx)", "Webseite (*.html)"}));
    FileTypeNames names;
    names.webPage.clear(); // a name that exists but is empty
    EXPECT_EQ(BuildFileFilters(names).save[3].Label(), " (*.html)");
}

TEST(FileFilters, TheChosenType) {
    using T = ProtocolFileType;
    const auto save = BuildFileFilters().save;
    struct Case {
        int index;
        const char* path;
        T type;
    } cases[] = {
        {1, "/p/lauf.txt", T::Text},
        {2, "/p/lauf.xlsx", T::Spreadsheet},
        {3, "/p/lauf.docx", T::WordDocument},
        {4, "/p/lauf.html", T::WebPage},
        {0, "/p/lauf", T::Text},
        {9, "/p/lauf.txt", T::Text},
        // The name wins over the entry: no text file under a spreadsheet's name.
        {1, "/p/lauf.XLSX", T::Spreadsheet},
        {2, "/p/lauf.txt", T::Text},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChosenFileType(save, c.index, c.path), c.type) << c.index << " " << c.path;
    EXPECT_EQ(ChosenFileType(BuildFileFilters().open, 1, "/p/alt.xls"), T::Spreadsheet);
}

} // namespace
