#pragma once
#include "protocol/FileFilters.h"

#include <optional>
#include <string>

class QWidget;

namespace vk {

// The file dialogs of the protocol's save and open commands.
class FileChooser {
public:
    struct Choice {
        std::string path;
        // The 1-based entry of the dialog's filter the file was chosen with; 0 when the
        // dialog told none (taken as the first entry).
        int filterIndex = 0;
    };
    virtual ~FileChooser() = default;
    // Empty on cancel. The dialog does not ask before overwriting.
    virtual std::optional<Choice> chooseSave(const std::string& folder,
                                             const std::string& suggestedName) = 0;
    // Only existing files can be chosen.
    virtual std::optional<Choice> chooseOpen(const std::string& folder) = 0;

    // The entries the dialogs offer.
    FileFilters filters = BuildFileFilters();
    // The save dialog's entry (1-based): shown when it opens, kept from the last choice.
    int saveFilterIndex = 1;
};

class QtFileChooser final : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<Choice> chooseSave(const std::string& folder,
                                     const std::string& suggestedName) override;
    std::optional<Choice> chooseOpen(const std::string& folder) override;

private:
    QWidget* parent_;
};

} // namespace vk
