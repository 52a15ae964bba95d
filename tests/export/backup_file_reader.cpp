#include "backup_file_reader.h"

#include <expat.h>

#include "support/temp_directory.h"

namespace velmorra::testing {

namespace {

struct TParseState {
  TBackupFile* File;
  int Depth = 0;
};

void StartElement(void* user_data, const XML_Char* name, const XML_Char** attributes) {
  auto& state = *static_cast<TParseState*>(user_data);
  TAttributes pairs;
  for (int i = 0; attributes[i] != nullptr; i += 2)
    pairs.emplace_back(attributes[i], attributes[i + 1]);
  if (state.Depth == 0) {
    state.File->RootName = name;
    state.File->RootAttributes = pairs;
  } else if (state.Depth == 1) {
    state.File->MessageNames.push_back(name);
    state.File->Messages.push_back(pairs);
  }
  ++state.Depth;
}

void EndElement(void* user_data, const XML_Char*) {
  --static_cast<TParseState*>(user_data)->Depth;
}

void CharacterData(void* user_data, const XML_Char* text, int length) {
  for (int i = 0; i < length; ++i) {
    if (text[i] != ' ' && text[i] != '\r' && text[i] != '\n' && text[i] != '\t') {
      static_cast<TParseState*>(user_data)->File->HasText = true;
    }
  }
}

}  // namespace

TBackupFile ReadBackupFile(const std::string& path) {
  return ParseBackupFile(ReadFileBytes(path));
}

TBackupFile ParseBackupFile(const std::string& bytes) {
  TBackupFile file;
  TParseState state{&file};
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &state);
  XML_SetElementHandler(parser, StartElement, EndElement);
  XML_SetCharacterDataHandler(parser, CharacterData);
  if (XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK) {
    file.WellFormed = true;
  } else {
    file.Error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                 std::to_string(XML_GetCurrentLineNumber(parser));
  }
  XML_ParserFree(parser);
  return file;
}

TAttributes ExpectedMessage(const std::string& address, const std::string& date,
                            const std::string& type, const std::string& body) {
  return {{"protocol", "0"},          {"address", address}, {"date", date},  {"type", type},
          {"subject", "null"},        {"body", body},       {"toa", "null"}, {"sc_toa", "null"},
          {"service_center", "null"}, {"read", "1"},        {"status", "-1"}};
}

}  // namespace velmorra::testing
