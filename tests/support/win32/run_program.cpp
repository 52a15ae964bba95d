#include "support/run_program.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/text_encoding.h"
#include "support/temp_directory.h"

namespace velmorra::testing {

namespace {

std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

// One argument quoted as the C run-time's command-line parser reads it back.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

TProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_directory,
                       const std::vector<std::pair<std::string, std::string>>& environment) {
  TTempDirectory capture;
  std::wstring command_line = QuotedArgument(Wide(program));
  for (const std::string& argument : arguments)
    command_line += L" " + QuotedArgument(Wide(argument));

  for (const auto& [name, value] : environment)
    SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
  TProgramRun run;
  {
    HANDLE out = InheritableFile(capture.File("out"));
    HANDLE err = InheritableFile(capture.File("err"));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const std::wstring directory = Wide(working_directory);
    if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       working_directory.empty() ? nullptr : directory.c_str(), &startup,
                       &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      DWORD status = 0;
      if (GetExitCodeProcess(process.hProcess, &status))
        run.Status = static_cast<int>(status);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
  }
  for (const auto& [name, value] : environment)
    SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
  run.Out = ReadFileBytes(capture.File("out"));
  run.Err = ReadFileBytes(capture.File("err"));
  return run;
}

std::string WithPlainLineEnds(const std::string& written) {
  std::string plain;
  bool bare_line_feed = false;
  for (size_t i = 0; i < written.size(); ++i) {
    if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n')
      continue;
    bare_line_feed = bare_line_feed || (written[i] == '\n' && (i == 0 || written[i - 1] != '\r'));
    plain += written[i];
  }
  if (bare_line_feed)
    ADD_FAILURE() << "a line ends without CR LF in: " << ::testing::PrintToString(written);
  return plain;
}

std::string CurrentProgramPath() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return Utf16ToUtf8(std::u16string(buffer.begin(), buffer.begin() + length));
}

}  // namespace velmorra::testing
