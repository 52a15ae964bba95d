#pragma once

#include <string>

namespace velmorra {

// An opaque handle of a loaded shared library; nullptr stands for "none".
using TLibraryHandle = void*;

// Loads the shared library at `path` (a bare file name is looked up by the platform's usual
// library search). Returns nullptr when it cannot be loaded.
TLibraryHandle LoadDynamicLibrary(const std::string& path);

// The address of the exported symbol `name`, or nullptr when the library has none of that name.
void* FindLibrarySymbol(TLibraryHandle library, const char* name);

// Releases a handle obtained from LoadDynamicLibrary. Does nothing for nullptr.
void UnloadDynamicLibrary(TLibraryHandle library);

}  // namespace velmorra
