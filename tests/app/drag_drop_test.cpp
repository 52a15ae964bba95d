#include "app/drag_drop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmorra {
namespace {

// A drop that behaves as the shell's: a name is cut to the buffer it is read into.
class TFakeDrop : public IDroppedFiles {
 public:
  explicit TFakeDrop(std::vector<std::string> names, TPoint point = {})
      : names_(std::move(names)), point_(point) {}
  unsigned Count() override { return static_cast<unsigned>(names_.size()); }
  size_t NameLength(unsigned index) override { return names_.at(index).size(); }
  size_t ReadName(unsigned index, char* buffer, size_t size) override {
    const size_t copied = std::min(size - 1, names_.at(index).size());
    std::memcpy(buffer, names_.at(index).data(), copied);
    buffer[copied] = '\0';
    return copied;
  }
  TPoint Point() override { return point_; }
  void Finish() override { ++Finished; }
  int Finished = 0;

 private:
  std::vector<std::string> names_;
  TPoint point_;
};

class TFakeTarget : public IDropTargetWindow {
 public:
  void AcceptFiles(bool accept) override { Calls.push_back(accept ? "accept" : "refuse"); }
  void InstallDropFilter() override { Calls.push_back("install"); }
  void RemoveDropFilter() override { Calls.push_back("remove"); }
  std::vector<std::string> Calls;
};

using TStrings = std::vector<std::string>;

TEST(DragDropTest, RegistersTheTargetAndInstallsTheFilterOnce) {
  TFakeTarget target;
  {
    TJvDragDrop drop;
    drop.SetDropTarget(&target);
    EXPECT_TRUE(target.Calls.empty()) << "nothing happens before loading has finished";
    drop.Loaded();
    drop.Loaded();
    EXPECT_TRUE(drop.Hooked());
    drop.SetAcceptDrag(false);
    drop.SetAcceptDrag(true);
  }
  EXPECT_EQ(target.Calls, (TStrings{"accept", "install", "accept", "refuse", "accept", "remove"}));
}

TEST(DragDropTest, RefusingDragsOrHavingNoTargetRegistersNothing) {
  TFakeTarget target;
  TJvDragDrop refusing;
  refusing.SetAcceptDrag(false);
  refusing.SetDropTarget(&target);
  refusing.Loaded();
  EXPECT_FALSE(refusing.Hooked());
  EXPECT_TRUE(target.Calls.empty());

  TJvDragDrop without_target;
  without_target.Loaded();
  EXPECT_FALSE(without_target.Hooked());
}

TEST(DragDropTest, ATargetThatGoesFirstIsForgotten) {
  auto target = std::make_unique<TFakeTarget>();
  TJvDragDrop drop;
  drop.SetDropTarget(target.get());
  drop.Loaded();
  drop.TargetDestroyed();
  target.reset();
  EXPECT_EQ(drop.DropTarget(), nullptr);
  EXPECT_FALSE(drop.Hooked());
}  // the component's destructor must not touch the target

TEST(DragDropTest, EachDropHandsAllNamesInOrderWithThePointAndIsReleased) {
  const std::string long_name = "/" + std::string(300, 'n') + "/MDataStore.db3";
  TJvDragDrop drop;
  std::vector<TStrings> seen;
  std::vector<std::pair<int, int>> points;
  drop.OnDrop = [&](TJvDragDrop& Sender, TPoint Pos, const TStrings& Value) {
    EXPECT_EQ(&Sender, &drop);
    seen.push_back(Value);
    points.emplace_back(Pos.X, Pos.Y);
  };
  TFakeDrop first({"/b/second.db3", long_name, "/a/folder"}, {12, 34});
  drop.HandleDrop(first);
  TFakeDrop second({"/only.db3"}, {1, 2});
  drop.HandleDrop(second);

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (TStrings{"/b/second.db3", long_name, "/a/folder"}));
  EXPECT_EQ(seen[1], (TStrings{"/only.db3"})) << "the list is cleared for each drop";
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{{12, 34}, {1, 2}}));
  EXPECT_EQ(first.Finished, 1);
  EXPECT_EQ(second.Finished, 1);
}

TEST(DragDropTest, ADropIsReleasedWithoutHandlerAndWhenTheHandlerThrows) {
  TJvDragDrop drop;
  TFakeDrop unhandled({"/x"});
  drop.HandleDrop(unhandled);
  EXPECT_EQ(unhandled.Finished, 1);
  EXPECT_EQ(drop.Files(), (TStrings{"/x"}));

  drop.OnDrop = [](TJvDragDrop&, TPoint, const TStrings&) { throw std::runtime_error("x"); };
  TFakeDrop failing({"/y"});
  EXPECT_THROW(drop.HandleDrop(failing), std::runtime_error);
  EXPECT_EQ(failing.Finished, 1);
}

}  // namespace
}  // namespace velmorra
