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

} // namespace
