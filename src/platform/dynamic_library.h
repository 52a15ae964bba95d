#pragma once

#include <string>

namespace velmorra {

// An opaque handle of a loaded shared library; nullptr stands for "none".
using TLibraryHandle = void*;

// The SQLite library's file name on this system ("sqlite3.dll" on Windows, "libsqlite3.so.0" on
// Linux): the default of the binding, and what callers append to ProgramDirectory() to name the
// library next to the program.
extern const char kSqliteLibraryFileName[];

// The SQLite library the programs bind: the one beside the program (ProgramDirectory() followed by
// kSqliteLibraryFileName: the build's, the Windows folder's and the Windows installer's), except
// for a program installed on Linux, which binds the system's library by its file name alone.
std::string SqliteLibraryPath();

// Loads the shared library at `path` (a bare file name is looked up by the platform's usual
// library search). Returns nullptr when it cannot be loaded.
TLibraryHandle LoadDynamicLibrary(const std::string& path);

// The address of the exported symbol `name`, or nullptr when the library has none of that name.
void* FindLibrarySymbol(TLibraryHandle library, const char* name);

// Releases a handle obtained from LoadDynamicLibrary. Does nothing for nullptr.
void UnloadDynamicLibrary(TLibraryHandle library);

}  // namespace velmorra
