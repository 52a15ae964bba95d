#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace velmorra {

const char kSqliteLibraryFileName[] = "libsqlite3.so.0";

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
