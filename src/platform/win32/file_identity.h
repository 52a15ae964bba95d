#pragma once

// What a Windows handle tells about the file it is open on, as the realisations in
// src/platform/win32 need it.

#include <windows.h>

#include <optional>
#include <string>

namespace velmorra {

// The full path of the file or folder `handle` is open on, every link and junction resolved
// (GetFinalPathNameByHandle), as a drive ("C:\...") or UNC ("\\server\share\...") path in UTF-8;
// nothing when the system cannot tell.
std::optional<std::string> FinalPathOf(HANDLE handle);

// Deletes the file `name` in `directory` (ending in a separator) only when it is a plain file
// that no process has open: not a folder, not a link, junction or other reparse point (the link
// itself is never followed, also under Wine, which follows links even when asked not to), with no
// other name, and, with `empty_only`, holding nothing. Returns whether it was deleted.
bool DeletePlainFileNobodyHolds(const std::string& directory, const std::wstring& name,
                                bool empty_only);

}  // namespace velmorra
