#include "xml/memory_byte_stream.h"

#include <gtest/gtest.h>

#include <string>

namespace velmorra {
namespace {

TEST(MemoryByteStream, WritesOverAndBeyondItsContent) {
  TMemoryByteStream memory("abcdef");
  memory.Seek(4, TSeekOrigin::Beginning);
  EXPECT_EQ(memory.Write("XYZ", 3), 3);
  EXPECT_EQ(memory.Bytes(), "abcdXYZ");
  EXPECT_EQ(memory.Position(), 7);
  EXPECT_EQ(memory.Size(), 7);
}

TEST(MemoryByteStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryByteStream memory("ab");
  EXPECT_EQ(memory.Seek(2, TSeekOrigin::End), 4);
  memory.Write("c", 1);
  EXPECT_EQ(memory.Bytes(), std::string("ab\0\0c", 5));
}

TEST(MemoryByteStream, ReadsUpToTheEnd) {
  TMemoryByteStream memory("abcdef");
  memory.Seek(-2, TSeekOrigin::End);
  char buffer[8] = {};
  EXPECT_EQ(memory.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  EXPECT_EQ(memory.Read(buffer, 8), 0);
}

TEST(MemoryByteStream, ResizingKeepsThePosition) {
  TMemoryByteStream memory("abcdef");
  memory.Seek(0, TSeekOrigin::End);
  memory.SetSize(2);
  EXPECT_EQ(memory.Position(), 6);
  memory.Write("g", 1);
  EXPECT_EQ(memory.Bytes(), std::string("ab\0\0\0\0g", 7));
}

TEST(MemoryByteStream, SeekBeforeTheStartStopsAtTheStart) {
  TMemoryByteStream memory("abc");
  EXPECT_EQ(memory.Seek(-5, TSeekOrigin::Current), 0);
  EXPECT_EQ(memory.Seek(-5, TSeekOrigin::End), 0);
}

TEST(MemoryByteStream, CapacityCutsWritesShort) {
  TMemoryByteStream memory;
  memory.SetCapacity(4);
  EXPECT_EQ(memory.Write("abc", 3), 3);
  EXPECT_EQ(memory.Write("def", 3), 1);
  EXPECT_EQ(memory.Write("g", 1), 0);
  EXPECT_EQ(memory.Bytes(), "abcd");
}

}  // namespace
}  // namespace velmorra
