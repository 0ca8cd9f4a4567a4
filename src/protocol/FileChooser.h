#pragma once
#include <optional>
#include <string>

class QWidget;

namespace vk {

// The file dialogs of the protocol's save and open commands.
class FileChooser {
public:
    struct Choice {
        std::string path;
        // The chosen file type: 0 text (the only one so far).
        int filterIndex = 0;
    };
    virtual ~FileChooser() = default;
    // Empty on cancel. The dialog does not ask before overwriting.
    virtual std::optional<Choice> chooseSave(const std::string& folder,
                                             const std::string& suggestedName) = 0;
    // Only existing files can be chosen.
    virtual std::optional<Choice> chooseOpen(const std::string& folder) = 0;
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
