#pragma once

#include <string>
#include <string_view>

namespace velmorra {

// The names an output file is written under before it takes its target's place:
// ".velmorra-XXXXXXXX.tmp", eight ASCII letters or digits in the middle. They are as short as
// that whatever the target's name, so a target whose name is as long as the system allows can
// still be written, and a file left by a killed run is known by its name alone.

// A new name of that form, picked at random.
std::string NewTemporaryFileName();

// True when `name` (a name, without a directory) has that form.
bool IsTemporaryFileName(std::string_view name);

}  // namespace velmorra
