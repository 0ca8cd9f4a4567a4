#pragma once
#include "protocol/FileChooser.h"

#include <vector>

namespace vk::test {

// Answers the file dialogs from a script; an empty answer is Cancel.
class ScriptedFileChooser final : public FileChooser {
public:
    std::optional<Choice> chooseSave(const std::string& folder,
                                     const std::string& suggestedName) override {
        saveAsked.push_back(suggestedName);
        folders.push_back(folder);
        return next();
    }
    std::optional<Choice> chooseOpen(const std::string& folder) override {
        ++openAsked;
        folders.push_back(folder);
        return next();
    }

    std::vector<std::optional<Choice>> answers;
    std::vector<std::string> saveAsked, folders;
    int openAsked = 0;

private:
    std::optional<Choice> next() {
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

} // namespace vk::test
