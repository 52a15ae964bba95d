#pragma once

#include <string>
#include <vector>

#include "app/datastore_discovery.h"
#include "platform/registry.h"

namespace velmorra {

// The datastores that the window would offer at start, for the command line.
struct TDatastoreListing {
  std::vector<TDiscoveredDatastore> Datastores;
  // kDatastoresNotFoundWarning when the key of the datastores cannot be opened, else empty.
  std::string Warning;
  // A warning for each registration left out because its value could not be read as text.
  std::vector<std::string> Skipped;
};

// Runs the discovery over `registry`.
TDatastoreListing ListDiscoveredDatastores(IRegistry& registry);

// One line "caption<TAB>path" per datastore, each ended by a line feed.
std::string FormatDatastoreListing(const TDatastoreListing& listing);

}  // namespace velmorra
