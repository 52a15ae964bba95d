#include "app/cli/phones_command.h"

#include "app/cli/console_message_boxes.h"
#include "app/cli/memory_phone_list.h"
#include "export/phone_list.h"

namespace velmorra {

TCliCommand PhonesCommand() {
  return {
      "phones", "DATASTORE",
      "      Lists the phones that have text messages in DATASTORE, one a line, \"All Phones\"\n"
      "      first. A message without a phone shows as an empty line.\n",
      &RunPhonesCommand};
}

int RunPhonesCommand(const std::vector<std::string>& arguments, TConsole& console) {
  const TParsedArguments parsed = ParseArguments(arguments, {});
  if (parsed.Help) {
    WriteCommandUsage(PhonesCommand(), console.Out);
    return ExitSuccess;
  }
  if (!parsed.Error.empty())
    return CommandUsageError(PhonesCommand(), parsed.Error, console);
  if (parsed.Positional.size() != 1) {
    return CommandUsageError(PhonesCommand(), "expected one DATASTORE", console);
  }

  TConsoleMessageBoxes messages(console.Err);
  TMemoryPhoneList phones;
  RefreshPhoneList(CommandLinePath(parsed.Positional[0]), phones, messages);
  if (messages.AnyShown())
    return ExitFailure;
  for (int i = 0; i < phones.ItemCount(); ++i)
    console.Out << phones.Item(i) << '\n';
  return ExitSuccess;
}

}  // namespace velmorra
