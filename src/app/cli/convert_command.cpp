#include "app/cli/convert_command.h"

#include "app/cli/console_message_boxes.h"
#include "export/phone_list.h"
#include "export/sms_backup_export.h"
#include "xml/file_errors.h"

namespace velmorra {

TCliCommand ConvertCommand() {
  return {"convert", "DATASTORE [--phone TEXT] [--output-dir DIR]",
          "      Writes the text messages of all phones, or of the phone whose IMEI is TEXT, into\n"
          "      sms_All Phones.xml or sms_TEXT.xml in DIR (default: the current directory), and\n"
          "      prints the file's path and the number of messages. An existing file of that name\n"
          "      is replaced.\n",
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

  const std::optional<std::string> phone = parsed.Option("phone");
  const int phone_index = phone ? 1 : 0;
  const std::string phone_text = phone ? *phone : std::string(kAllPhonesCaption);
  const std::string output_directory =
      CommandLineDirectory(parsed.Option("output-dir").value_or(""));

  TConsoleMessageBoxes messages(console.Err);
  TExportResult result;
  try {
    result = ExportSmsBackup(CommandLinePath(parsed.Positional[0]), phone_index, phone_text,
                             messages, output_directory);
  } catch (const EFileCreateError& error) {
    console.Err << error.what() << '\n';
    return ExitFileError;
  } catch (const EFileWriteError& error) {
    console.Err << error.what() << '\n';
    return ExitFileError;
  }
  if (!result.Written)
    return ExitFailure;
  console.Out << result.FileName << '\n'
              << result.MessageCount << (result.MessageCount == 1 ? " message" : " messages")
              << '\n';
  return ExitSuccess;
}

}  // namespace velmorra
