#include "platform/user_folders.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

// A known folder of the current user, ending in a separator; empty when the system names none.
std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr && path[0] != 0)
    folder = Narrow(path) + "\\";
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

std::string HomeDirectory() {
  return KnownFolder(FOLDERID_Profile);
}

std::string DocumentsDirectory() {
  const std::string documents = KnownFolder(FOLDERID_Documents);
  return documents.empty() ? HomeDirectory() : documents;
}

std::vector<std::string> InstalledProgramFolders() {
  // Windows' own per-user programs folder (FOLDERID_UserProgramFiles, which Wine does not know),
  // where the installer's LocalAppDataFolder\Programs leads as well.
  const std::string local_app_data = KnownFolder(FOLDERID_LocalAppData);
  if (local_app_data.empty())
    return {};
  return {local_app_data + "Programs\\"};
}

}  // namespace velmorra
