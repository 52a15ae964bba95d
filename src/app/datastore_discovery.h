#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace velmorra {

inline constexpr char kDatastoresKey[] = "Software\\Nokia\\MPlatform\\DataStores";
inline constexpr char kDatastorePathValue[] = "DatastorePath";
inline constexpr char kDatastoresNotFoundWarning[] =
    "Unable to find Nokia Ovi Datastores in registry.\r\n"
    "Unfortunately you'll have to manually search for datastore file.";

// The longest full path the expansion may give, its terminator included.
inline constexpr size_t kFullPathBufferLength = 4096;

// One usable registration: "Datastore %d" after the subkey's 1-based position among all
// subkeys, and the full path of its MDataStore.db3.
struct TDiscoveredDatastore {
  std::string Caption;
  std::string Path;
};

// The full path of `path` against the current directory, "." and ".." resolved, a trailing
// separator kept. The empty string when the expansion fails; nothing when the result would not
// fit kFullPathBufferLength.
std::optional<std::string> ExpandFullPath(const std::string& path);

// Reads the datastores registered for the current user under kDatastoresKey and calls `found`
// once for each usable subkey, in the registry's order. Subkeys that cannot be opened, have no or
// an empty "DatastorePath", or whose full path is too long for the buffer, are skipped. A subkey
// whose "DatastorePath" is not text or cannot be read is skipped too, and `skipped` gets a warning
// that names the value, the key and the reason ("Invalid data type for 'DatastorePath' in
// HKEY_CURRENT_USER\...\<subkey>; ..."); the subkeys after it are read all the same. Returns
// false, having found nothing, when the key of the datastores cannot be opened.
bool DiscoverDatastores(IRegistry& registry,
                        const std::function<void(const TDiscoveredDatastore&)>& found,
                        const std::function<void(const std::string& warning)>& skipped);

}  // namespace velmorra
