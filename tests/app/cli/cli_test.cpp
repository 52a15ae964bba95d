// velmorra-cli as a user runs it: the built program, its output streams and its exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include "app/wine_prefix.h"
#endif
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "support/message_datastore.h"
#include "support/run_program.h"
#include "support/temp_directory.h"
#include "version.h"
#ifndef _WIN32
#include "xml/file_size_limit.h"
#endif

namespace velmorra {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using ::testing::StartsWith;
using testing::TTempDirectory;

using TRun = testing::TProgramRun;
using testing::RunProgram;

class VelmorraCli : public ::testing::Test {
 protected:
  VelmorraCli() { std::filesystem::copy_file(VELMORRA_SAMPLE_DATASTORE, sample_); }

  // Runs velmorra-cli in the test's directory, which holds the sample as MDataStore.db3.
  TRun Run(const std::vector<std::string>& arguments) { return RunIn(VELMORRA_CLI, arguments); }

  // Runs `program` so, with the output's line ends ("\r\n" on Windows) as "\n".
  TRun RunIn(const std::string& program, const std::vector<std::string>& arguments) {
    TRun run = RunProgram(program, arguments, directory_.Path());
    run.Out = testing::WithPlainLineEnds(run.Out);
    run.Err = testing::WithPlainLineEnds(run.Err);
    return run;
  }

  TTempDirectory directory_;
  std::string sample_ = directory_.File("MDataStore.db3");
};

TEST_F(VelmorraCli, HelpAndVersionGoToStandardOutput) {
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_THAT(help.Out, StartsWith("Usage: velmorra-cli COMMAND"));
  EXPECT_THAT(help.Out, HasSubstr("phones DATASTORE"));
  EXPECT_THAT(help.Out, HasSubstr("convert DATASTORE [--phone TEXT] [--output-dir DIR]"));
  EXPECT_EQ(help.Err, "");

  const TRun version = Run({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, "velmorra-cli " VELMORRA_VERSION "\n");

  const TRun command_help = Run({"convert", "--help"});
  EXPECT_EQ(command_help.Status, 0);
  EXPECT_THAT(command_help.Out, StartsWith("Usage: velmorra-cli convert DATASTORE"));
}

TEST_F(VelmorraCli, WrongCallsPrintTheUsageToStandardErrorWithStatusTwo) {
  const std::vector<std::vector<std::string>> calls = {
      {},
      {"export", "MDataStore.db3"},
      {"phones"},
      {"phones", "MDataStore.db3", "another.db3"},
      {"phones", "--phone", "1", "MDataStore.db3"},
      {"convert"},
      {"convert", "MDataStore.db3", "--phone"},
      {"convert", "MDataStore.db3", "--output-dir"},
      {"convert", "MDataStore.db3", "--phone", "1", "--phone", "2"},
      {"convert", "MDataStore.db3", "--colour", "red"},
      {"convert", "MDataStore.db3", "-p", "1"},
      {"convert", "MDataStore.db3", "--output-dir", ""},
      {"convert", "MDataStore.db3", "--output-dir="},
  };
  for (const std::vector<std::string>& call : calls) {
    const TRun run = Run(call);
    EXPECT_EQ(run.Status, 2) << ::testing::PrintToString(call);
    EXPECT_EQ(run.Out, "") << ::testing::PrintToString(call);
    EXPECT_THAT(run.Err, HasSubstr("Usage: velmorra-cli")) << ::testing::PrintToString(call);
  }
  EXPECT_FALSE(std::filesystem::exists(directory_.File("sms_All Phones.xml")));
}

TEST_F(VelmorraCli, PhonesListsAllPhonesFirstThenEachPhone) {
  const TRun run = Run({"phones", "MDataStore.db3"});

  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "All Phones\n\n352099001761481\n356938035643809\n490154203237518\n");
  EXPECT_EQ(run.Err, "");
}

TEST_F(VelmorraCli, PhonesOfAMissingDatastoreIsAnError) {
  const TRun run = Run({"phones", "missing.db3"});

  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "Datastore file doesn't exist.\n");
  EXPECT_FALSE(std::filesystem::exists(directory_.File("missing.db3")));
}

TEST_F(VelmorraCli, MessageWithALineBreakIsPrintedOnTwoLines) {
  std::string path = directory_.Path();
  for (int i = 0; i < 12; ++i)
    path += std::string(60, 'd') + "/";
  std::filesystem::create_directories(path);
  path += "MDataStore.db3";
  std::filesystem::copy_file(sample_, path);

  const TRun run = Run({"phones", path});

  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Err, "Error openin datastore. Error was: Failed to open the database\n" + path +
                         ", ErrorCode: 14.\n");
}

TEST_F(VelmorraCli, WithoutTheLibraryBesideItTheOpenFails) {
  const std::string copy = directory_.File(std::filesystem::path(VELMORRA_CLI).filename().string());
  std::filesystem::copy_file(VELMORRA_CLI, copy);

  const TRun phones = RunIn(copy, {"phones", "MDataStore.db3"});
  const TRun convert = RunIn(copy, {"convert", "MDataStore.db3"});

  // The second line names the file and says what to do.
  for (const TRun& run : {phones, convert}) {
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_THAT(run.Err,
                StartsWith("Error openin datastore. Error was: Failed to load DLL "
                           "library.\nThe SQLite library " +
                           std::string(kSqliteLibraryFileName) + " cannot be loaded from "));
    EXPECT_THAT(run.Err, HasSubstr(". Keep the files of that folder together: the program needs " +
                                   std::string(kSqliteLibraryFileName) + " beside it.\n"));
  }
  EXPECT_FALSE(std::filesystem::exists(directory_.File("sms_All Phones.xml")));
}

TEST_F(VelmorraCli, ConvertsFromAndIntoFoldersNamedInCyrillicChineseAndEmoji) {
  const std::string separator(1, kPathSeparator);
  const std::string store_folder =
      directory_.File("\u0414\u0430\u043D\u043D\u044B\u0435 \u6570\u636E \U0001F600");
  const std::string output_folder =
      directory_.File("\u0420\u0435\u0437\u0435\u0440\u0432 \U0001F4F1");
  std::filesystem::create_directory(testing::Utf8Path(store_folder));
  std::filesystem::create_directory(testing::Utf8Path(output_folder));
  const std::string datastore = store_folder + separator + "MDataStore.db3";
  std::filesystem::copy_file(sample_, testing::Utf8Path(datastore));

  const TRun run = Run({"convert", datastore, "--output-dir", output_folder});

  const std::string backup = output_folder + separator + "sms_All Phones.xml";
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, backup + "\n35 messages\n");
  EXPECT_THAT(ReadFileBytes(backup), StartsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
}

TEST_F(VelmorraCli, ConvertWritesAllPhonesIntoTheCurrentDirectory) {
  const TRun run = Run({"convert", "MDataStore.db3"});

  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, directory_.File("sms_All Phones.xml") + "\n35 messages\n");
  EXPECT_EQ(run.Err, "");
  EXPECT_THAT(ReadFileBytes(directory_.File("sms_All Phones.xml")),
              StartsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<smses count=\"35\">"));
}

TEST_F(VelmorraCli, ConvertOnePhoneIntoAnotherDirectory) {
  std::filesystem::create_directory(directory_.File("out"));

  const TRun spaced =
      Run({"convert", sample_, "--phone", "490154203237518", "--output-dir", "out"});
  const TRun joined = Run({"convert", "--phone=356938035643809", "--output-dir=out/", sample_});

  const std::string out = directory_.File("out") + kPathSeparator;
  EXPECT_EQ(spaced.Status, 0);
  EXPECT_EQ(spaced.Out, out + "sms_490154203237518.xml\n5 messages\n");
  EXPECT_EQ(joined.Status, 0);
  EXPECT_EQ(joined.Out, out + "sms_356938035643809.xml\n18 messages\n");
}

TEST_F(VelmorraCli, ConvertCountsOneMessageInTheSingular) {
  {
    testing::TMessageDatastore datastore(directory_.File("one.db3"));
    datastore.Insert({{"type", "SMS"}, {"IMEI", "356938035643809"}, {"Text", "Hi"}});
  }

  const TRun run = Run({"convert", "one.db3", "--phone", "356938035643809"});

  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, directory_.File("sms_356938035643809.xml") + "\n1 message\n");
}

TEST_F(VelmorraCli, ConvertOfSomethingThatIsNoDatastoreIsAnError) {
  testing::WriteFileBytes(directory_.File("notes.txt"), std::string(4096, 'x'));

  const TRun missing = Run({"convert", "missing.db3"});
  const TRun not_a_database = Run({"convert", "notes.txt"});

  EXPECT_EQ(missing.Status, 1);
  EXPECT_EQ(missing.Err, "Datastore file doesn't exist.\n");
  EXPECT_EQ(not_a_database.Status, 1);
  EXPECT_EQ(not_a_database.Err, "Error reading datastore. Error was: file is not a database.\n");
  EXPECT_EQ(not_a_database.Out, "");
  EXPECT_FALSE(std::filesystem::exists(directory_.File("sms_All Phones.xml")));
}

TEST_F(VelmorraCli, PhonesReportsADatastoreWhosePhonesCannotBeRead) {
  struct TUnreadable {
    std::string Name;
    void (*Write)(const std::string& path);
    std::string Err;  // empty: readable, no error
  };
  const std::vector<TUnreadable> table = {
      {"notes.txt",
       [](const std::string& path) { testing::WriteFileBytes(path, std::string(4096, 'x')); },
       "file is not a database"},
      {"other.db3",
       [](const std::string& path) {
         testing::TMessageDatastore(path).Execute("DROP TABLE MessageEx; CREATE TABLE Other (x)");
       },
       "no such table: MessageEx"},
      {"no-imei.db3", [](const std::string& path) { testing::TMessageDatastore(path, {"type"}); },
       "no such column: IMEI"},
      {"damaged.db3",
       [](const std::string& path) {
         std::string bytes = ReadFileBytes(VELMORRA_SAMPLE_DATASTORE);
         bytes.replace(4096, 3 * 4096, 3 * 4096, '\xa5');  // the table's and its index's pages
         testing::WriteFileBytes(path, bytes);
       },
       "database disk image is malformed"},
      {"no-sms.db3",
       [](const std::string& path) {
         testing::TMessageDatastore(path).Insert({{"type", "MMS"}, {"IMEI", "356938035643809"}});
       },
       ""},
  };
  for (const TUnreadable& datastore : table) {
    SCOPED_TRACE(datastore.Name);
    datastore.Write(directory_.File(datastore.Name));

    const TRun phones = Run({"phones", datastore.Name});

    if (datastore.Err.empty()) {
      EXPECT_EQ(phones.Status, 0);
      EXPECT_EQ(phones.Out, "All Phones\n");
      continue;
    }
    const std::string message = "Error reading datastore. Error was: " + datastore.Err + ".\n";
    EXPECT_EQ(phones.Status, 1);
    EXPECT_EQ(phones.Out, "");
    EXPECT_EQ(phones.Err, message);
  }
}

// Every line that phones prints, whatever bytes its IMEI holds, converts that phone's messages
// into a file of its own.
TEST_F(VelmorraCli, ConvertTakesEachLineThatPhonesPrints) {
  {
    testing::TMessageDatastore datastore(directory_.File("phones.db3"));
    for (const std::string& imei :
         std::vector<std::string>{"two\nlines", "back\\slash", "356938035643809", "356938035643809",
                                  "All Phones", std::string("a\0b", 3),
                                  "a\xFF"
                                  "b"})
      datastore.Insert({{"type", "SMS"}, {"IMEI", imei}, {"Text", "Hi"}});
  }
  testing::WriteFileBytes(directory_.File("sms_111.xml"), "earlier");

  const TRun phones = Run({"phones", "phones.db3"});
  EXPECT_EQ(phones.Out,
            "All Phones\n356938035643809\n\\x41ll Phones\na\\x00b\na\\xffb\nback\\\\slash\n"
            "two\\nlines\n");

  const std::vector<std::pair<std::string, std::string>> choices = {
      {"All Phones", "7 messages"},    {"356938035643809", "2 messages"},
      {"\\x41ll Phones", "1 message"}, {"a\\x00b", "1 message"},
      {"a\\xffb", "1 message"},        {"back\\\\slash", "1 message"},
      {"two\\nlines", "1 message"}};
  std::set<std::string> files;
  for (const auto& [line, count] : choices) {
    const TRun convert = Run({"convert", "phones.db3", "--phone", line});
    EXPECT_EQ(convert.Status, 0) << line;
    EXPECT_THAT(convert.Out, ::testing::EndsWith(".xml\n" + count + "\n")) << line;
    files.insert(convert.Out.substr(0, convert.Out.find('\n')));
  }
  EXPECT_EQ(files.size(), choices.size()) << "no phone's file replaced another's";
  EXPECT_TRUE(files.count(directory_.File("sms_All Phones.xml")));
  EXPECT_TRUE(files.count(directory_.File("sms_356938035643809.xml")));

  const TRun unknown = Run({"convert", "phones.db3", "--phone", "111"});
  EXPECT_EQ(unknown.Status, 1);
  EXPECT_EQ(unknown.Out, "");
  EXPECT_EQ(unknown.Err, "The datastore holds no text message of the phone \"111\".\n");
  EXPECT_EQ(ReadFileBytes(directory_.File("sms_111.xml")), "earlier") << "the earlier file stays";
}

TEST_F(VelmorraCli, ConvertIntoADirectoryThatIsNotThereHasStatusThree) {
  const TRun run = Run({"convert", "MDataStore.db3", "--output-dir", "nowhere"});

  EXPECT_EQ(run.Status, 3);
  EXPECT_EQ(run.Out, "");
  EXPECT_THAT(run.Err, StartsWith("Cannot create file \"" + directory_.File("nowhere") +
                                  kPathSeparator + "sms_All Phones.xml\". "));
}

#ifndef _WIN32
// The backup file was made, and then a write failed (here: the file may not grow past 4 KiB, as
// on a full disk): a file error, and the earlier backup stays.
TEST_F(VelmorraCli, WriteThatFailsAfterTheFileWasCreatedHasStatusThree) {
  testing::WriteFileBytes(directory_.File("sms_All Phones.xml"), "earlier");
  TRun run;
  {
    testing::TFileSizeLimit limit(4096);
    run = Run({"convert", "MDataStore.db3"});
  }
  EXPECT_EQ(run.Status, 3);
  EXPECT_THAT(run.Err, StartsWith("Cannot write file \"" + directory_.File("sms_All Phones.xml")));
  EXPECT_EQ(ReadFileBytes(directory_.File("sms_All Phones.xml")), "earlier");
}

// A message too long for the memory the program may have (here its address space is cut to
// 200 MiB; the message takes 64 MiB, the library reads it, the backup needs it several times).
TEST_F(VelmorraCli, ConvertThatRunsOutOfMemorySaysSoWithStatusFour) {
  const std::vector<std::string> limit = {"--as=" + std::to_string(200 << 20), VELMORRA_CLI};
  const auto run_limited = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), limit.begin(), limit.end());
    return RunProgram("prlimit", arguments, directory_.Path());
  };
  if (run_limited({"--version"}).Status != 0)
    GTEST_SKIP() << "this build cannot run in 200 MiB of address space (a sanitizer build)";
  testing::TMessageDatastore(directory_.File("long.db3"))
      .Execute("INSERT INTO MessageEx (type, Text) VALUES ('SMS', printf('%.*c', 67108864, 'x'))");

  const TRun run = run_limited({"convert", "long.db3"});

  EXPECT_EQ(run.Status, 4);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "Not enough memory to convert " + directory_.File("long.db3") +
                         ". Nothing was written; close other programs, or convert one phone at a "
                         "time, and try again.\n");
  EXPECT_FALSE(std::filesystem::exists(directory_.File("sms_All Phones.xml")));
}
#endif

// On Linux the registry is the user.reg file of a Wine prefix; the Windows registry's own tests
// create real keys (tests/platform/win32).
#ifndef _WIN32
TEST_F(VelmorraCli, StoresListsTheRegisteredDatastoresOfTheWinePrefix) {
  testing::TWinePrefix prefix;
  prefix.WriteUserReg(testing::DatastoreSection("A", "") +
                      testing::DatastoreSection("B", testing::DatastorePathLine("C:\\Ovi\\One")) +
                      testing::DatastoreSection("C", testing::DatastorePathLine("relative")));
  const TRun run = Run({"stores"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "Datastore 2\t" + prefix.Path() +
                         "/dosdevices/c:/Ovi/One/DataBase/MDataStore.db3\n"
                         "Datastore 3\t" +
                         directory_.Path() + "relative/DataBase/MDataStore.db3\n");
  EXPECT_EQ(run.Err, "");
}

TEST_F(VelmorraCli, StoresWithoutARegistrationWarnsWithStatusOne) {
  testing::TWinePrefix prefix;
  const TRun run = Run({"stores"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_THAT(run.Err, HasSubstr("Unable to find Nokia Ovi Datastores in registry."));
}

#endif

}  // namespace
}  // namespace velmorra
