#include "platform/Services.h"

namespace vk {

HandOver OpenWithDesktop(Shell& shell, const std::string& what, const std::string& path) {
    // xdg-open on a type without an application fails quietly or opens something unrelated;
    // the operator would wait for a window that never comes.
    if (const std::string type = shell.typeWithoutApplication(path); !type.empty())
        return {false,
                "Kein Programm für " + type + " eingerichtet. Die Datei liegt hier: " + path};
    if (!shell.open(path))
        return {};
    return {true, what + " geöffnet: " + path};
}

} // namespace vk
