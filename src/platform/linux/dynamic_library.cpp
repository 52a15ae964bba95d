#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "platform/program_directory.h"
#include "platform/user_folders.h"

namespace velmorra {

const char kSqliteLibraryFileName[] = "libsqlite3.so.0";

std::string SqliteLibraryPath() {
  // An installed program lives in /usr/bin with the system's libraries, not beside a library of
  // its own; the package depends on the system's SQLite.
  const std::string directory = ProgramDirectory();
  if (IsInstalledProgramDirectory(directory, InstalledProgramFolders()))
    return kSqliteLibraryFileName;
  return directory + kSqliteLibraryFileName;
}

TLibraryHandle LoadDynamicLibrary(const std::string& path) {
  if (path.empty())
    return nullptr;
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(TLibraryHandle library, const char* name) {
  if (library == nullptr)
    return nullptr;
  return dlsym(library, name);
}

void UnloadDynamicLibrary(TLibraryHandle library) {
  if (library != nullptr)
    dlclose(library);
}

}  // namespace velmorra
