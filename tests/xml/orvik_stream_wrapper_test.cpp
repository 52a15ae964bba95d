#include "xml/orvik_stream_wrapper.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "xml/memory_byte_stream.h"

namespace velmorra {
namespace {

// A stream in memory that records every call it receives.
class TRecordingStream : public TByteStream {
 public:
  explicit TRecordingStream(std::string bytes) : memory_(std::move(bytes)) {}

  int64_t Read(void* buffer, int64_t count) override {
    calls_.push_back("Read " + std::to_string(count));
    return memory_.Read(buffer, count);
  }
  int64_t Write(const void* buffer, int64_t count) override {
    calls_.push_back("Write " + std::to_string(count));
    return memory_.Write(buffer, count);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    static const char* const kOrigins[] = {"Beginning", "Current", "End"};
    calls_.push_back("Seek " + std::to_string(offset) + " " + kOrigins[static_cast<int>(origin)]);
    return memory_.Seek(offset, origin);
  }
  void SetSize(int64_t size) override {
    calls_.push_back("SetSize " + std::to_string(size));
    memory_.SetSize(size);
  }

  // The calls since the last TakeCalls().
  std::vector<std::string> TakeCalls() { return std::exchange(calls_, {}); }
  const std::string& Bytes() const { return memory_.Bytes(); }

 private:
  TMemoryByteStream memory_;
  std::vector<std::string> calls_;
};

using Calls = std::vector<std::string>;

class OrvikStreamWrapper : public ::testing::Test {
 protected:
  OrvikStreamWrapper() : recording_("abcdefghij"), wrapper_(recording_) {
    recording_.Seek(4, TSeekOrigin::Beginning);
    recording_.TakeCalls();
  }

  TRecordingStream recording_;
  TOrvikStreamWrapper wrapper_;
};

TEST_F(OrvikStreamWrapper, AnswersAPositionQueryWithoutMovingTheStream) {
  EXPECT_EQ(wrapper_.Position(), 4);
  EXPECT_EQ(wrapper_.Position(), 4);
  EXPECT_EQ(recording_.TakeCalls(), Calls{"Seek 0 Current"});
}

// The wrapped stream's own size query moves it and back; the wrapper adds no seek of its own.
TEST_F(OrvikStreamWrapper, AnswersASizeQueryWithoutMovingTheStream) {
  EXPECT_EQ(wrapper_.Size(), 10);
  EXPECT_EQ(recording_.TakeCalls(),
            (Calls{"Seek 0 Current", "Seek 0 Current", "Seek 0 End", "Seek 4 Beginning"}));
  EXPECT_EQ(recording_.Position(), 4);
}

TEST_F(OrvikStreamWrapper, WritesWhereTheStreamWasAfterASizeQuery) {
  wrapper_.Size();
  recording_.TakeCalls();
  EXPECT_EQ(wrapper_.Write("XY", 2), 2);
  EXPECT_EQ(recording_.TakeCalls(), Calls{"Write 2"});
  EXPECT_EQ(recording_.Bytes(), "abcdXYghij");
}

TEST_F(OrvikStreamWrapper, WritesAfterADroppedPositionQuery) {
  wrapper_.Position();
  recording_.TakeCalls();
  EXPECT_EQ(wrapper_.Write("XY", 2), 2);
  EXPECT_EQ(recording_.TakeCalls(), Calls{"Write 2"});
  EXPECT_EQ(recording_.Bytes(), "abcdXYghij");
}

TEST_F(OrvikStreamWrapper, CarriesOutAPendingSeekToTheEndBeforeWriting) {
  EXPECT_EQ(wrapper_.Seek(0, TSeekOrigin::Current), 4);
  EXPECT_EQ(wrapper_.Seek(0, TSeekOrigin::End), 10);
  EXPECT_EQ(wrapper_.Seek(0, TSeekOrigin::Current), 10);
  recording_.TakeCalls();
  EXPECT_EQ(wrapper_.Write("XY", 2), 2);
  EXPECT_EQ(recording_.TakeCalls(), (Calls{"Seek 0 End", "Write 2"}));
  EXPECT_EQ(recording_.Bytes(), "abcdefghijXY");
}

TEST_F(OrvikStreamWrapper, CarriesOutAPendingSeekToTheEndBeforeReading) {
  wrapper_.Seek(0, TSeekOrigin::Current);
  wrapper_.Seek(0, TSeekOrigin::End);
  char buffer[4];
  EXPECT_EQ(wrapper_.Read(buffer, 4), 0);
}

TEST_F(OrvikStreamWrapper, CarriesOutAPendingSeekToTheEndBeforeResizing) {
  wrapper_.Seek(0, TSeekOrigin::Current);
  wrapper_.Seek(0, TSeekOrigin::End);
  recording_.TakeCalls();
  wrapper_.SetSize(2);
  EXPECT_EQ(recording_.TakeCalls(), (Calls{"Seek 0 End", "SetSize 2"}));
  EXPECT_EQ(recording_.Bytes(), "ab");
}

TEST_F(OrvikStreamWrapper, RelativeSeekAfterAPendingSeekToTheEndStartsAtTheEnd) {
  wrapper_.Seek(0, TSeekOrigin::Current);
  wrapper_.Seek(0, TSeekOrigin::End);
  recording_.TakeCalls();
  EXPECT_EQ(wrapper_.Seek(-3, TSeekOrigin::Current), 7);
  EXPECT_EQ(recording_.TakeCalls(), (Calls{"Seek 0 End", "Seek -3 Current"}));
}

TEST_F(OrvikStreamWrapper, SeekElsewhereAfterAQueryIsForwarded) {
  wrapper_.Seek(0, TSeekOrigin::Current);
  wrapper_.Seek(0, TSeekOrigin::End);
  recording_.TakeCalls();
  EXPECT_EQ(wrapper_.Seek(2, TSeekOrigin::Beginning), 2);
  EXPECT_EQ(recording_.TakeCalls(), Calls{"Seek 2 Beginning"});
  EXPECT_EQ(wrapper_.Write("X", 1), 1);
  EXPECT_EQ(recording_.Bytes(), "abXdefghij");
}

struct TForwardedSeek {
  int64_t offset;
  TSeekOrigin origin;
  int64_t position;
  std::string call;
};

TEST_F(OrvikStreamWrapper, ForwardsOtherSeeksAtOnce) {
  const std::vector<TForwardedSeek> seeks = {{3, TSeekOrigin::Beginning, 3, "Seek 3 Beginning"},
                                             {2, TSeekOrigin::Current, 5, "Seek 2 Current"},
                                             {-2, TSeekOrigin::End, 8, "Seek -2 End"},
                                             {0, TSeekOrigin::End, 10, "Seek 0 End"},
                                             {0, TSeekOrigin::Beginning, 0, "Seek 0 Beginning"}};
  for (const TForwardedSeek& seek : seeks) {
    EXPECT_EQ(wrapper_.Seek(seek.offset, seek.origin), seek.position) << seek.call;
    EXPECT_EQ(recording_.TakeCalls(), Calls{seek.call});
    EXPECT_EQ(recording_.Position(), seek.position) << seek.call;
    recording_.TakeCalls();
  }
}

TEST_F(OrvikStreamWrapper, ForwardsReadsAndWrites) {
  char buffer[3];
  ASSERT_EQ(wrapper_.Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "efg");
  EXPECT_EQ(wrapper_.Write("Z", 1), 1);
  EXPECT_EQ(recording_.TakeCalls(), (Calls{"Read 3", "Write 1"}));
  EXPECT_EQ(recording_.Bytes(), "abcdefgZij");
}

}  // namespace
}  // namespace velmorra
