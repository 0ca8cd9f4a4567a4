#include "config/Settings.h"

namespace vk {

void Settings::applyStartupDefaults() {
    if (Length == 0)
        Length = 402;
}

} // namespace vk
