#include "export/backup_file_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velmorra {
namespace {

TEST(BackupFileName, KeepsPlainPhoneTexts) {
  EXPECT_EQ(BackupFileName(0, "All Phones"), "sms_All Phones.xml");
  EXPECT_EQ(BackupFileName(1, "356938035643809"), "sms_356938035643809.xml");
  EXPECT_EQ(BackupFileName(-1, ""), "sms_.xml");
  EXPECT_EQ(BackupFileName(1, "O'Brien's phone"), "sms_O'Brien's phone.xml");
  EXPECT_EQ(BackupFileName(1, "Телефон Žofie"), "sms_Телефон Žofie.xml");
  EXPECT_EQ(BackupFileName(1, "All Phones 2"), "sms_All Phones 2.xml");
}

// FNV-1a of the exact bytes, in eight lower-case hexadecimal digits: the same on every system
// and in every run.
TEST(BackupFileName, MendsWhatAFileNameMayNotHoldAndMarksItWithTheTextsHash) {
  EXPECT_EQ(PhoneNameHash(""), 0x811c9dc5u);
  EXPECT_EQ(PhoneNameHash("a"), 0xe40c292cu);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"../../etc/passwd", "sms_.._.._etc_passwd_"},
      {"..\\windows\\system32", "sms_.._windows_system32_"},
      {"C:phone", "sms_C_phone_"},
      {"a*b?c\"d<e>f|g", "sms_a_b_c_d_e_f_g_"},
      {"tab\tnew\nline\rbell\x07", "sms_tab_new_line_bell__"},
      {std::string("nul\0byte", 8), "sms_nul_byte_"},
      {"\x1F \x7F", "sms__ \x7F_"},
      {"not \xE9 UTF-8 \xED\xA0\xBD", "sms_not _ UTF-8 ____"},
      {"All Phones", "sms_All Phones_"},
      {"ALL PHONES", "sms_ALL PHONES_"},
      {"a_b_811c9dc5", "sms_a_b_811c9dc5_"},
  };
  for (const auto& [phone_text, start] : cases) {
    char hash[9];
    snprintf(hash, sizeof hash, "%08x", PhoneNameHash(phone_text));
    EXPECT_EQ(BackupFileName(1, phone_text), start + hash + ".xml") << phone_text;
  }
}

// Phones whose texts mend to the same name, or that read like a mended name, keep their own files.
TEST(BackupFileName, DifferentPhonesNeverShareAName) {
  std::vector<std::string> phones = {"a/b",
                                     "a\\b",
                                     "a_b",
                                     "a\nb",
                                     "a\rb",
                                     "a:b",
                                     "All Phones",
                                     "all phones",
                                     "a\xFF"
                                     "b",
                                     "a\xC3\xA9"
                                     "b"};
  const std::string mended = BackupFileName(1, "a/b");
  phones.push_back(mended.substr(4, mended.size() - 8));  // "a_b_" and the hash of "a/b"
  std::set<std::string> names = {BackupFileName(0, "All Phones")};
  for (const std::string& phone : phones)
    names.insert(BackupFileName(1, phone));
  EXPECT_EQ(names.size(), 1 + phones.size());
}

}  // namespace
}  // namespace velmorra
