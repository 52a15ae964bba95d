#pragma once

#include <string>

namespace velmorra {

// The name of a datastore's database file, and of the folder of a datastore that holds it.
inline constexpr char kDatastoreFileName[] = "MDataStore.db3";
inline constexpr char kDatastoreFileFolder[] = "DataBase";

// The datastore file that a path the user typed, dropped or named means: `text` without leading
// and trailing characters of code 32 or less and without one pair of double quotes around it (as
// "Copy as path" gives a path); when that names a folder, the MDataStore.db3 in it or in its
// DataBase folder, where there is one. Otherwise the path as it stands: nothing else is tested or
// expanded.
std::string DatastorePathFromText(const std::string& text);

}  // namespace velmorra
