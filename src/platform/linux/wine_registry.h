#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"

namespace velmorra {

// The Linux registry: the hive of a Wine prefix, read from its text files.

// The hive in the Wine registry file at `file_name` (Wine's text format), read once now; empty when
// the file cannot be read. A key that Windows could not hold (nested deeper than 512 levels, or a
// name longer than 255 UTF-16 code units) is left out with its values.
std::unique_ptr<IRegistry> LoadWineRegistryFile(const std::string& file_name);

// The Wine prefix in use: $WINEPREFIX, else ~/.wine; never ends in a separator.
std::string WinePrefixDirectory();

// RegistryPathToNative with the Wine prefix given.
std::string WinePathToNative(const std::string& path, const std::string& wine_prefix);

}  // namespace velmorra
