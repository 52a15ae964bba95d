#include "export/backup_file_name.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velmorra {
namespace {

TEST(BackupFileName, KeepsPlainPhoneTexts) {
  EXPECT_EQ(BackupFileName("All Phones"), "sms_All Phones.xml");
  EXPECT_EQ(BackupFileName("356938035643809"), "sms_356938035643809.xml");
  EXPECT_EQ(BackupFileName(""), "sms_.xml");
  EXPECT_EQ(BackupFileName("O'Brien's phone"), "sms_O'Brien's phone.xml");
  EXPECT_EQ(BackupFileName("Телефон Žofie"), "sms_Телефон Žofie.xml");
}

TEST(BackupFileName, ReplacesWhatAFileNameMayNotHold) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"../../etc/passwd", "sms_.._.._etc_passwd.xml"},
      {"..\\windows\\system32", "sms_.._windows_system32.xml"},
      {"C:phone", "sms_C_phone.xml"},
      {"a*b?c\"d<e>f|g", "sms_a_b_c_d_e_f_g.xml"},
      {"tab\tnew\nline\rbell\x07", "sms_tab_new_line_bell_.xml"},
      {std::string("nul\0byte", 8), "sms_nul_byte.xml"},
      {"\x1F \x7F", "sms__ \x7F.xml"},
  };
  for (const auto& [phone_text, name] : cases)
    EXPECT_EQ(BackupFileName(phone_text), name);
}

}  // namespace
}  // namespace velmorra
