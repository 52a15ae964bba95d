#pragma once

#include <cstdint>
#include <string>

#include "export/work_progress.h"
#include "platform/message_box.h"
#include "platform/program_directory.h"

namespace velmorra {

// What one export run did.
struct TExportResult {
  bool Written = false;  // false when the run ended with a message and wrote nothing
  std::string FileName;  // full path of the file written
  int MessageCount = 0;  // number of sms elements written
};

// Writes the text messages of the datastore at `DatastoreFile` into
// BackupFileName(PhoneIndex, PhoneText) ("sms_<PhoneText>.xml") in `OutputDirectory` (ending in a
// separator; the program's directory unless a caller names another): all phones when `PhoneIndex`
// is 0, else the phone whose IMEI is `PhoneText`. A missing datastore file, one that cannot be
// opened or read, and a phone without text messages are reported in `Messages` and write no file;
// the datastore itself is never changed. A file that cannot be created or written raises
// EFileCreateError or EFileWriteError and leaves any earlier file of that name as it was; so
// does, before anything is read, a file that is the datastore itself or one of its logs.
// `Progress`, when given, hears of the messages read (their number first when it asks for it) and
// may cancel the run: a cancelled run shows nothing, writes no file and leaves any earlier one as
// it was.
TExportResult ExportSmsBackup(const std::string& DatastoreFile, int PhoneIndex,
                              const std::string& PhoneText, IMessageBoxes& Messages,
                              const std::string& OutputDirectory = ProgramDirectory(),
                              TWorkProgress* Progress = nullptr);

// True when bit 0 of `Status` is set: the message was sent from the phone.
bool IsSentStatus(int32_t Status);

}  // namespace velmorra
