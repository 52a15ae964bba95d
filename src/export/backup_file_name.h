#pragma once

#include <string>

namespace velmorra {

// The name of the SMS backup file for the phone list's text `PhoneText`: "sms_%s.xml" with every
// character that a Windows or Linux file name may not hold (/ \ : * ? " < > | and the controls
// below U+0020) replaced by "_", so that the datastore's text can never choose another directory.
// "All Phones" and IMEIs of digits stay as they are.
std::string BackupFileName(const std::string& PhoneText);

}  // namespace velmorra
