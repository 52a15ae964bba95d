#include "app/datastore_listing.h"

namespace velmorra {

TDatastoreListing ListDiscoveredDatastores(IRegistry& registry) {
  TDatastoreListing listing;
  const bool opened = DiscoverDatastores(
      registry,
      [&](const TDiscoveredDatastore& datastore) { listing.Datastores.push_back(datastore); },
      [&](const std::string& warning) { listing.Skipped.push_back(warning); });
  if (!opened)
    listing.Warning = kDatastoresNotFoundWarning;
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
