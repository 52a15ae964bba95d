#include "app/datastore_path.h"

#include "platform/file_system.h"

namespace velmorra {

namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string TrimBlanksAndControls(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlankOrControl(text[begin]))
    ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

std::string WithoutQuotes(const std::string& path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
    return TrimBlanksAndControls(path.substr(1, path.size() - 2));
  return path;
}

std::string InFolder(std::string folder, const std::string& name) {
  if (!IsPathSeparator(folder.back()))
    folder += kPathSeparator;
  return folder + name;
}

}  // namespace

std::string DatastorePathFromText(const std::string& text) {
  const std::string path = WithoutQuotes(TrimBlanksAndControls(text));
  if (path.empty() || RegularFileExists(path))
    return path;
  const std::string inside = InFolder(path, kDatastoreFileName);
  if (RegularFileExists(inside))
    return inside;
  const std::string below = InFolder(InFolder(path, kDatastoreFileFolder), kDatastoreFileName);
  return RegularFileExists(below) ? below : path;
}

}  // namespace velmorra
