#include "app/error_report.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "version.h"

namespace velmorra {
namespace {

class TRecordingDialog : public IErrorDialog {
 public:
  TErrorChoice ShowError(const std::string& message) override {
    Shown.push_back(message);
    return Choice;
  }
  std::vector<std::string> Shown;
  TErrorChoice Choice = TErrorChoice::Continue;
};

class TMemoryReportFile : public IReportFile {
 public:
  std::string LocalTimeText() override { return "2024-05-01 12:30:00"; }
  void Append(const std::string& file_name, const std::string& text) override {
    if (Unwritable)
      throw std::runtime_error("read-only folder");
    Files[file_name] += text;
  }
  std::map<std::string, std::string> Files;
  bool Unwritable = false;
};

struct TReportFixture {
  TRecordingDialog Dialog;
  TMemoryReportFile File;
  int Closes = 0;
  TErrorReport Report{Dialog, File, "/program/", [this] { ++Closes; }};
};

TEST(ErrorReportTest, AnErrorIsAppendedToTheReportFileAndShown) {
  TReportFixture fixture;
  EXPECT_FALSE(fixture.Report.Guard(
      [] { throw std::runtime_error("Cannot create file \"/x/sms_.xml\". Permission denied"); }));
  EXPECT_FALSE(fixture.Report.Guard([] { throw std::logic_error("second"); }));

  const std::string expected = std::string("Time: 2024-05-01 12:30:00\nProgram: Velmorra ") +
                               VELMORRA_VERSION +
                               "\nError: Cannot create file \"/x/sms_.xml\". Permission denied\n\n"
                               "Time: 2024-05-01 12:30:00\nProgram: Velmorra " +
                               VELMORRA_VERSION + "\nError: second\n\n";
  EXPECT_EQ(fixture.File.Files["/program/bugreport.txt"], expected);
  EXPECT_EQ(fixture.Dialog.Shown,
            (std::vector<std::string>{"Cannot create file \"/x/sms_.xml\". Permission denied",
                                      "second"}));
  EXPECT_EQ(fixture.Closes, 0);
}

TEST(ErrorReportTest, ActionsThatSucceedOrThrowAnythingAreHandled) {
  TReportFixture fixture;
  int runs = 0;
  EXPECT_TRUE(fixture.Report.Guard([&] { ++runs; }));
  EXPECT_FALSE(fixture.Report.Guard([] { throw 42; }));
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(fixture.Dialog.Shown, (std::vector<std::string>{"An unknown error was raised."}));
}

TEST(ErrorReportTest, ClosingTheApplicationIsTheUsersChoice) {
  TReportFixture fixture;
  fixture.Dialog.Choice = TErrorChoice::CloseApplication;
  fixture.Report.Report("boom");
  EXPECT_EQ(fixture.Closes, 1);
}

TEST(ErrorReportTest, AReportThatCannotBeStoredIsStillShown) {
  TReportFixture fixture;
  fixture.File.Unwritable = true;
  fixture.Report.Report("boom");
  EXPECT_EQ(fixture.Dialog.Shown, (std::vector<std::string>{"boom"}));
  EXPECT_TRUE(fixture.File.Files.empty());
}

}  // namespace
}  // namespace velmorra
