#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/message_datastore.h"

namespace velmorra::testing {

// Writes a datastore in `folder` as the Nokia Ovi software lays it out (DataBase/MDataStore.db3),
// with one SMS per entry of `imeis`, and returns the file's path.
inline std::string MakeDatastore(std::string folder, const std::vector<std::string>& imeis) {
  if (folder.back() != '/')
    folder += '/';
  std::filesystem::create_directories(folder + "DataBase");
  const std::string path = folder + "DataBase/MDataStore.db3";
  TMessageDatastore datastore(path);
  for (const std::string& imei : imeis) {
    datastore.Insert({{"type", "SMS"},
                      {"IMEI", imei},
                      {"Sender", "5551234"},
                      {"SentReceivedTimestamp", 40179.5},
                      {"Status", 1},
                      {"Text", "Hello"}});
  }
  return path;
}

}  // namespace velmorra::testing
