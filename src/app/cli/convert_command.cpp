#include "app/cli/convert_command.h"

#include <new>

#include "app/cli/console_message_boxes.h"
#include "app/cli/escaped_text.h"
#include "export/phone_list.h"
#include "export/sms_backup_export.h"
#include "xml/file_errors.h"

namespace velmorra {

TCliCommand ConvertCommand() {
  return {"convert", "DATASTORE [--phone TEXT] [--output-dir DIR]",
          "      Writes the text messages of all phones, or of the phone whose IMEI is TEXT, into\n"
          "      sms_All Phones.xml or sms_TEXT.xml in DIR (default: the current directory), and\n"
          "      prints the file's path and the number of messages. An existing file of that name\n"
          "      is replaced. TEXT is a line that phones prints (\"All Phones\" for all of them),\n"
          "      with its escapes; a phone without text messages is an error.\n",
          &RunConvertCommand};
}

int RunConvertCommand(const std::vector<std::string>& arguments, TConsole& console) {
  const TParsedArguments parsed = ParseArguments(arguments, {"phone", "output-dir"});
  if (parsed.Help) {
    WriteCommandUsage(ConvertCommand(), console.Out);
    return ExitSuccess;
  }
  if (!parsed.Error.empty())
    return CommandUsageError(ConvertCommand(), parsed.Error, console);
  if (parsed.Positional.size() != 1) {
    return CommandUsageError(ConvertCommand(), "expected one DATASTORE", console);
  }

  // "All Phones", the first line that phones prints, stands for all phones as the first item of
  // the window's list does; a phone whose IMEI reads so is printed, and given, escaped.
  const std::string phone_line = parsed.Option("phone").value_or(kAllPhonesCaption);
  const std::optional<std::string> phone = UnescapedText(phone_line);
  if (!phone) {
    return CommandUsageError(ConvertCommand(), "--phone holds a backslash that starts no escape",
                             console);
  }
  const int phone_index = phone_line == kAllPhonesCaption ? 0 : 1;
  const std::string& phone_text = *phone;
  const std::optional<std::string> output_option = parsed.Option("output-dir");
  if (output_option && output_option->empty())
    return CommandUsageError(ConvertCommand(), "--output-dir names no folder", console);
  const std::string output_directory = CommandLineDirectory(output_option.value_or(""));

  const std::string datastore = CommandLinePath(parsed.Positional[0]);
  TConsoleMessageBoxes messages(console.Err);
  TExportResult result;
  try {
    result = ExportSmsBackup(datastore, phone_index, phone_text, messages, output_directory);
  } catch (const EFileCreateError& error) {
    console.Err << error.what() << '\n';
    return ExitFileError;
  } catch (const EFileWriteError& error) {
    console.Err << error.what() << '\n';
    return ExitFileError;
  } catch (const std::bad_alloc&) {
    console.Err << "Not enough memory to convert " << datastore
                << ". Nothing was written; close other programs, or convert one phone at a time, "
                   "and try again.\n";
    return ExitNoMemory;
  }
  if (!result.Written)
    return DatastoreFailure(console);
  console.Out << result.FileName << '\n'
              << result.MessageCount << (result.MessageCount == 1 ? " message" : " messages")
              << '\n';
  return ExitSuccess;
}

}  // namespace velmorra
