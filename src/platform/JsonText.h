#pragma once
#include <string>
#include <string_view>

namespace vk {

enum class JsonEscape {
    Plain,
    // Also escapes < > & and U+2028/U+2029, so the text is safe inside a page and its scripts.
    ForPage,
};

// Appends `s` (UTF-8) as a JSON string literal; control characters are always escaped, so a
// text can never break the line it stands on.
void AppendJsonString(std::string& out, std::string_view s, JsonEscape mode = JsonEscape::Plain);

} // namespace vk
