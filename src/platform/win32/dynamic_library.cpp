#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/program_directory.h"
#include "platform/win32/wide_text.h"

namespace velmorra {

const char kSqliteLibraryFileName[] = "sqlite3.dll";

std::string SqliteLibraryPath() {
  // Always the program's own: by its name alone, the system's search could find another one.
  return ProgramDirectory() + kSqliteLibraryFileName;
}

TLibraryHandle LoadDynamicLibrary(const std::string& path) {
  if (path.empty())
    return nullptr;
  // A file that cannot be loaded fails quietly instead of showing the system's error box.
  const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(Widen(path).c_str());
  SetErrorMode(previous_mode);
  return module;
}

void* FindLibrarySymbol(TLibraryHandle library, const char* name) {
  if (library == nullptr)
    return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void UnloadDynamicLibrary(TLibraryHandle library) {
  if (library != nullptr)
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace velmorra
