#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dynamic_library.h"

// The SQLite library's opaque types; these declarations agree with the library's own header.
struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_context;
struct sqlite3_value;

namespace velmorra {

// The 70 entry points the binding requires, in the order they are looked up: the library's classic
// 69, then sqlite3_open_v2 (in every SQLite since 3.5), through which a datastore is opened for
// reading only. A library that lacks any one of them is not bound.
inline constexpr std::size_t kSqliteEntryPointCount = 70;
extern const std::array<const char*, kSqliteEntryPointCount> kSqliteEntryPointNames;

// Typed access to the entry points the database layer calls. Filled by a successful binding;
// every member is nullptr while the library is not bound, and must not be called then.
struct TSqliteApi {
  int (*busy_handler)(sqlite3*, int (*)(void*, int), void*) = nullptr;
  int (*busy_timeout)(sqlite3*, int) = nullptr;
  int (*changes)(sqlite3*) = nullptr;
  int (*close)(sqlite3*) = nullptr;
  const void* (*column_blob)(sqlite3_stmt*, int) = nullptr;
  int (*column_bytes)(sqlite3_stmt*, int) = nullptr;
  int (*column_bytes16)(sqlite3_stmt*, int) = nullptr;
  int (*column_count)(sqlite3_stmt*) = nullptr;
  double (*column_double)(sqlite3_stmt*, int) = nullptr;
  int64_t (*column_int64)(sqlite3_stmt*, int) = nullptr;
  const unsigned char* (*column_text)(sqlite3_stmt*, int) = nullptr;
  const void* (*column_text16)(sqlite3_stmt*, int) = nullptr;
  int (*column_type)(sqlite3_stmt*, int) = nullptr;
  const char* (*column_name)(sqlite3_stmt*, int) = nullptr;
  const void* (*column_name16)(sqlite3_stmt*, int) = nullptr;
  int (*create_function)(sqlite3*, const char*, int, int, void*,
                         void (*)(sqlite3_context*, int, sqlite3_value**),
                         void (*)(sqlite3_context*, int, sqlite3_value**),
                         void (*)(sqlite3_context*)) = nullptr;
  int (*create_function16)(sqlite3*, const void*, int, int, void*,
                           void (*)(sqlite3_context*, int, sqlite3_value**),
                           void (*)(sqlite3_context*, int, sqlite3_value**),
                           void (*)(sqlite3_context*)) = nullptr;
  const char* (*errmsg)(sqlite3*) = nullptr;
  const void* (*errmsg16)(sqlite3*) = nullptr;
  int (*finalize)(sqlite3_stmt*) = nullptr;
  void (*interrupt)(sqlite3*) = nullptr;
  int64_t (*last_insert_rowid)(sqlite3*) = nullptr;
  int (*open_v2)(const char*, sqlite3**, int, const char*) = nullptr;
  int (*prepare)(sqlite3*, const char*, int, sqlite3_stmt**, const char**) = nullptr;
  int (*prepare16)(sqlite3*, const void*, int, sqlite3_stmt**, const void**) = nullptr;
  int (*reset)(sqlite3_stmt*) = nullptr;
  void (*result_text16)(sqlite3_context*, const void*, int, void (*)(void*)) = nullptr;
  void (*result_null)(sqlite3_context*) = nullptr;
  int (*step)(sqlite3_stmt*) = nullptr;
  const void* (*value_text16)(sqlite3_value*) = nullptr;
  int (*value_type)(sqlite3_value*) = nullptr;
};

// Binds the SQLite library at `LibraryPath` (8-bit text of the ANSI code page) for the whole
// process, all or nothing. An empty path is first replaced by kSqliteLibraryFileName (the
// caller's variable receives it). Once a binding has succeeded, every later call answers true at
// once without looking at the path. Returns false when the file cannot be loaded or lacks any
// listed entry point; the library is then not held and the next call tries again. Not
// thread-safe: call it from one thread. The bound library is unloaded when the process ends.
bool BindSqliteLibrary(std::string& LibraryPath);

// True once a binding has succeeded; it stays true until the process ends.
bool SqliteLibraryBound();

// The loaded library, or nullptr while none is bound.
TLibraryHandle SqliteLibraryHandle();

// The address found for entry point `index` of kSqliteEntryPointNames by the last binding; all
// nullptr after a failed binding.
void* SqliteEntryPoint(std::size_t index);

// The typed entry points; only usable while SqliteLibraryBound() is true.
const TSqliteApi& Sqlite();

}  // namespace velmorra
