#include "app/datastore_listing.h"

#include "app/registry_reader.h"

namespace velmorra {

TDatastoreListing ListDiscoveredDatastores(IRegistry& registry) {
  TDatastoreListing listing;
  try {
    const bool opened = DiscoverDatastores(registry, [&](const TDiscoveredDatastore& datastore) {
      listing.Datastores.push_back(datastore);
    });
    if (!opened)
      listing.Warning = kDatastoresNotFoundWarning;
  } catch (const ERegistryException& error) {
    listing.Error = error.what();
  }
  return listing;
}

std::string FormatDatastoreListing(const TDatastoreListing& listing) {
  std::string text;
  for (const TDiscoveredDatastore& datastore : listing.Datastores) {
    text += datastore.Caption + "\t" + datastore.Path + "\n";
  }
  return text;
}

}  // namespace velmorra
