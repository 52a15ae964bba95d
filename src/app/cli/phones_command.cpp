#include "app/cli/phones_command.h"

#include "app/cli/console_message_boxes.h"
#include "app/cli/escaped_text.h"
#include "export/memory_phone_list.h"
#include "export/phone_list.h"

namespace velmorra {

namespace {

// The line of a phone: its escaped IMEI. An IMEI that reads "All Phones" is written with its first
// letter escaped, so that convert --phone tells it from the choice of all phones.
std::string PhoneLine(const std::string& imei) {
  const std::string line = EscapedText(imei);
  return line == kAllPhonesCaption ? "\\x41" + line.substr(1) : line;
}

}  // namespace

TCliCommand PhonesCommand() {
  return {
      "phones", "DATASTORE",
      "      Lists the phones that have text messages in DATASTORE, one a line, \"All Phones\"\n"
      "      first. A message without a phone shows as an empty line; a backslash, line break,\n"
      "      tab, other control character or byte that is not UTF-8 in an IMEI is written as a\n"
      "      C-style escape (\\\\, \\n, \\r, \\t, \\xHH), and an IMEI that reads \"All Phones\" "
      "as\n"
      "      \"\\x41ll Phones\", the form convert --phone takes.\n",
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
  const TPhoneListRefresh refresh =
      RefreshPhoneList(CommandLinePath(parsed.Positional[0]), phones, messages);
  if (messages.AnyShown())
    return DatastoreFailure(console);
  // The window stays quiet about a datastore whose phones cannot be read; here "All Phones" alone
  // would look like a datastore without phones.
  if (!refresh.ReadError.empty()) {
    messages.ShowMessage(TMessageBoxKind::Error, refresh.ReadError);
    return ExitFailure;
  }
  for (int i = 0; i < phones.ItemCount(); ++i)
    console.Out << (i == 0 ? phones.Item(i) : PhoneLine(phones.Item(i))) << '\n';
  return ExitSuccess;
}

}  // namespace velmorra
