#include "app/datastore_discovery.h"

#include <vector>

#include "app/datastore_path.h"
#include "app/registry_reader.h"
#include "platform/file_system.h"

namespace velmorra {

std::optional<std::string> ExpandFullPath(const std::string& path) {
  std::string full = FullPathName(path);
  if (full.size() + 1 > kFullPathBufferLength)
    return std::nullopt;
  return full;
}

namespace {

// The database file of the datastore whose folder the registry names; nothing when its full path
// does not fit the buffer.
std::optional<std::string> DatastoreFilePath(std::string folder) {
  if (folder.back() != '\\')
    folder += '\\';
  std::optional<std::string> expanded = ExpandFullPath(RegistryPathToNative(folder));
  if (!expanded)
    return std::nullopt;
  return *expanded +
         RegistryPathToNative(std::string(kDatastoreFileFolder) + "\\" + kDatastoreFileName);
}

}  // namespace

bool DiscoverDatastores(IRegistry& registry,
                        const std::function<void(const TDiscoveredDatastore&)>& found,
                        const std::function<void(const std::string& warning)>& skipped) {
  TRegistryReader reader(registry);
  if (!reader.OpenKeyReadOnly(kDatastoresKey))
    return false;
  const std::vector<std::string> names = reader.GetKeyNames();
  reader.CloseKey();

  for (size_t position = 0; position < names.size(); ++position) {
    if (!reader.OpenKeyReadOnly(std::string(kDatastoresKey) + "\\" + names[position]))
      continue;
    std::string folder;
    try {
      folder = reader.ReadString(kDatastorePathValue);
    } catch (const ERegistryException& error) {
      skipped(std::string(error.what()) + " in HKEY_CURRENT_USER\\" + kDatastoresKey + "\\" +
              names[position] + "; that datastore is left out.");
    }
    reader.CloseKey();
    if (folder.empty())
      continue;
    std::optional<std::string> path = DatastoreFilePath(folder);
    if (!path)
      continue;
    found(TDiscoveredDatastore{"Datastore " + std::to_string(position + 1), *path});
  }
  return true;
}

}  // namespace velmorra
