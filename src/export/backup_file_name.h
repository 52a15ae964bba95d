#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorra {

// The name of the SMS backup file of the phone choice `PhoneIndex` (0: all phones) with the phone
// list's text `PhoneText`: "sms_%s.xml". All phones give "sms_All Phones.xml"; a phone gives its
// text with every byte that a Windows or Linux file name may not hold (/ \ : * ? " < > |, the
// controls below U+0020, and bytes that are not part of well-formed UTF-8) replaced by "_", so
// that the datastore's text can never choose another directory and the name is the same on both
// systems. Different phones never share a name: a text that had to be mended, that reads
// "All Phones" in any letter case, or that ends like such a name ("_" and eight lower-case
// hexadecimal digits) gets "_" and PhoneNameHash of its exact bytes after it. IMEIs of digits and
// other plain texts stay as they are.
std::string BackupFileName(int PhoneIndex, const std::string& PhoneText);

// FNV-1a (32 bits) of `bytes`: the suffix that keeps mended phone names apart, stable across runs
// and systems.
uint32_t PhoneNameHash(std::string_view bytes);

}  // namespace velmorra
