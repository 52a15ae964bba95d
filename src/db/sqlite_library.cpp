#include "db/sqlite_library.h"

namespace velmorra {

const std::array<const char*, kSqliteEntryPointCount> kSqliteEntryPointNames = {
    "sqlite3_bind_parameter_count",
    "sqlite3_bind_parameter_name",
    "sqlite3_busy_handler",
    "sqlite3_busy_timeout",
    "sqlite3_changes",
    "sqlite3_close",
    "sqlite3_collation_needed",
    "sqlite3_collation_needed16",
    "sqlite3_column_blob",
    "sqlite3_column_bytes",
    "sqlite3_column_bytes16",
    "sqlite3_column_count",
    "sqlite3_column_double",
    "sqlite3_column_int",
    "sqlite3_column_int64",
    "sqlite3_column_text",
    "sqlite3_column_text16",
    "sqlite3_column_type",
    "sqlite3_column_decltype",
    "sqlite3_column_decltype16",
    "sqlite3_column_name",
    "sqlite3_column_name16",
    "sqlite3_complete",
    "sqlite3_complete16",
    "sqlite3_create_collation",
    "sqlite3_create_collation16",
    "sqlite3_create_function",
    "sqlite3_create_function16",
    "sqlite3_data_count",
    "sqlite3_errcode",
    "sqlite3_errmsg",
    "sqlite3_errmsg16",
    "sqlite3_exec",
    "sqlite3_finalize",
    "sqlite3_free",
    "sqlite3_get_table",
    "sqlite3_free_table",
    "sqlite3_interrupt",
    "sqlite3_last_insert_rowid",
    "sqlite3_open",
    "sqlite3_open16",
    "sqlite3_prepare",
    "sqlite3_prepare16",
    "sqlite3_reset",
    "sqlite3_result_blob",
    "sqlite3_result_double",
    "sqlite3_result_error",
    "sqlite3_result_error16",
    "sqlite3_result_int",
    "sqlite3_result_int64",
    "sqlite3_result_text",
    "sqlite3_result_text16",
    "sqlite3_result_text16be",
    "sqlite3_value_text16le",
    "sqlite3_result_null",
    "sqlite3_result_value",
    "sqlite3_step",
    "sqlite3_total_changes",
    "sqlite3_libversion",
    "sqlite3_value_blob",
    "sqlite3_value_bytes",
    "sqlite3_value_bytes16",
    "sqlite3_value_double",
    "sqlite3_value_int",
    "sqlite3_value_int64",
    "sqlite3_value_text",
    "sqlite3_value_text16",
    "sqlite3_value_text16be",
    "sqlite3_value_type",
    "sqlite3_open_v2",
};

namespace {

// The process-wide binding. The library is released when the process ends, after every
// connection (all of which live inside functions) is gone.
struct TBinding {
  bool Bound = false;
  TLibraryHandle Handle = nullptr;
  std::array<void*, kSqliteEntryPointCount> Slots{};
  TSqliteApi Api;

  ~TBinding() { UnloadDynamicLibrary(Handle); }
};

TBinding& Binding() {
  static TBinding binding;
  return binding;
}

std::size_t SlotIndex(const char* name) {
  for (std::size_t i = 0; i < kSqliteEntryPointCount; ++i) {
    if (std::string_view(kSqliteEntryPointNames[i]) == name)
      return i;
  }
  return kSqliteEntryPointCount;  // unreachable for the names below
}

// Casts slot `name` to the type of `target`; the slot was found, so it is not null.
template <typename TFunction>
void Take(TFunction& target, const char* name) {
  target = reinterpret_cast<TFunction>(Binding().Slots[SlotIndex(name)]);
}

void FillApi(TSqliteApi& api) {
  Take(api.busy_handler, "sqlite3_busy_handler");
  Take(api.busy_timeout, "sqlite3_busy_timeout");
  Take(api.changes, "sqlite3_changes");
  Take(api.close, "sqlite3_close");
  Take(api.column_blob, "sqlite3_column_blob");
  Take(api.column_bytes, "sqlite3_column_bytes");
  Take(api.column_bytes16, "sqlite3_column_bytes16");
  Take(api.column_count, "sqlite3_column_count");
  Take(api.column_double, "sqlite3_column_double");
  Take(api.column_int64, "sqlite3_column_int64");
  Take(api.column_text, "sqlite3_column_text");
  Take(api.column_text16, "sqlite3_column_text16");
  Take(api.column_type, "sqlite3_column_type");
  Take(api.column_name, "sqlite3_column_name");
  Take(api.column_name16, "sqlite3_column_name16");
  Take(api.create_function, "sqlite3_create_function");
  Take(api.create_function16, "sqlite3_create_function16");
  Take(api.errmsg, "sqlite3_errmsg");
  Take(api.errmsg16, "sqlite3_errmsg16");
  Take(api.finalize, "sqlite3_finalize");
  Take(api.interrupt, "sqlite3_interrupt");
  Take(api.last_insert_rowid, "sqlite3_last_insert_rowid");
  Take(api.open_v2, "sqlite3_open_v2");
  Take(api.prepare, "sqlite3_prepare");
  Take(api.prepare16, "sqlite3_prepare16");
  Take(api.reset, "sqlite3_reset");
  Take(api.result_text16, "sqlite3_result_text16");
  Take(api.result_null, "sqlite3_result_null");
  Take(api.step, "sqlite3_step");
  Take(api.value_text16, "sqlite3_value_text16");
  Take(api.value_type, "sqlite3_value_type");
}

}  // namespace

bool BindSqliteLibrary(std::string& LibraryPath) {
  if (LibraryPath.empty())
    LibraryPath = kSqliteLibraryFileName;
  TBinding& binding = Binding();
  if (binding.Bound)
    return true;

  binding.Handle = LoadDynamicLibrary(LibraryPath);
  if (binding.Handle == nullptr)
    return false;

  bool all_found = true;
  for (std::size_t i = 0; i < kSqliteEntryPointCount; ++i) {
    binding.Slots[i] = FindLibrarySymbol(binding.Handle, kSqliteEntryPointNames[i]);
    if (binding.Slots[i] == nullptr)
      all_found = false;
  }
  if (!all_found) {
    // Slots of a released library must never be called, so none is kept.
    binding.Slots.fill(nullptr);
    UnloadDynamicLibrary(binding.Handle);
    binding.Handle = nullptr;
    return false;
  }
  FillApi(binding.Api);
  binding.Bound = true;
  return true;
}

bool SqliteLibraryBound() {
  return Binding().Bound;
}

TLibraryHandle SqliteLibraryHandle() {
  return Binding().Handle;
}

void* SqliteEntryPoint(std::size_t index) {
  return index < kSqliteEntryPointCount ? Binding().Slots[index] : nullptr;
}

const TSqliteApi& Sqlite() {
  return Binding().Api;
}

}  // namespace velmorra
