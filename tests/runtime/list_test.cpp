// TList: walks that survive removal, removal by Compare, and the stable sort.
#include "runtime/list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Orders by key only, so elements with equal keys compare equal and show sort stability.
class Item : public TObject {
 public:
  Item(int key, std::string name) : key(key), name(std::move(name)) {}
  int Compare(const TObject& other) const override {
    auto& o = static_cast<const Item&>(other);
    return key < o.key ? -1 : (key > o.key ? 1 : 0);
  }
  int key;
  std::string name;
};

std::string Names(const TList<Item>& list) {
  std::string out;
  for (auto item : list) out += item->name;
  return out;
}

std::shared_ptr<Item> Add(TList<Item>& list, int key, const char* name) {
  auto item = std::make_shared<Item>(key, name);
  list.AddLast(item);
  return item;
}

TEST(TList, BasicOperations) {
  TList<Item> list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  auto a = Add(list, 1, "a");
  auto b = Add(list, 2, "b");
  auto c = Add(list, 3, "c");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.First(), a);
  EXPECT_EQ(list.Last(), c);
  auto* link = list.FindLink(b);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->NextLink()->Value(), c);
  EXPECT_EQ(link->PrevLink()->Value(), a);
  EXPECT_EQ(list.FirstLink()->PrevLink(), nullptr);
  EXPECT_EQ(list.LastLink()->NextLink(), nullptr);

  // Removal finds the element through Compare: an equal-keyed stranger removes b.
  EXPECT_TRUE(list.Remove(std::make_shared<Item>(2, "stranger")));
  EXPECT_FALSE(list.Remove(std::make_shared<Item>(9, "missing")));
  EXPECT_EQ(Names(list), "ac");
  list.RemoveLink(list.LastLink());
  EXPECT_EQ(list.Last(), a);
  EXPECT_EQ(list.Count(), 1);
}

TEST(TList, WalkSurvivesRemovalDuringTheWalk) {
  struct Case {
    const char* remove_when_at;  // element at which the body removes things
    std::vector<int> remove_keys;
    const char* visited;
    const char* left;
  } cases[] = {
      {"b", {2}, "abcd", "acd"},     // the current element
      {"b", {2, 3}, "abd", "ad"},    // the current one and the next
      {"a", {1, 2, 3, 4}, "a", ""},  // everything, standing on the first
      {"d", {4}, "abcd", "abc"},     // the last
      {"a", {3}, "abd", "abd"},      // one further ahead is never visited
  };
  for (const Case& c : cases) {
    TList<Item> list;
    for (int k = 1; k <= 4; ++k) Add(list, k, std::string(1, 'a' + k - 1).c_str());
    std::string visited;
    for (auto item : list) {
      visited += item->name;
      if (item->name == c.remove_when_at) {
        for (int key : c.remove_keys) list.Remove(std::make_shared<Item>(key, ""));
      }
    }
    EXPECT_EQ(visited, c.visited) << c.remove_when_at;
    EXPECT_EQ(Names(list), c.left) << c.remove_when_at;
    EXPECT_EQ(list.Count(), static_cast<int>(std::string(c.left).size()));
  }
}

TEST(TList, AddingDuringAWalkIsVisited) {
  TList<Item> list;
  Add(list, 1, "a");
  std::string visited;
  for (auto item : list) {
    visited += item->name;
    if (item->name == "a") Add(list, 2, "b");
  }
  EXPECT_EQ(visited, "ab");
}

TEST(TList, SortIsStableAndAscending) {
  TList<Item> list;
  Add(list, 3, "c1");
  Add(list, 1, "a1");
  Add(list, 3, "c2");
  Add(list, 2, "b1");
  Add(list, 1, "a2");
  Add(list, 3, "c3");
  list.Sort();
  EXPECT_EQ(Names(list), "a1a2b1c1c2c3");
  EXPECT_EQ(list.Last()->name, "c3");
  Add(list, 0, "z");
  EXPECT_EQ(list.Last()->name, "z");  // the tail is right after a sort
}

TEST(TList, SortKeepsEveryLinkSoALinkTakenBeforeUnlinksItsOwnElementAfter) {
  TList<Item> list;
  Add(list, 3, "c");
  auto* b_link = list.AddLast(std::make_shared<Item>(2, "b"));
  Add(list, 1, "a");
  auto* c_link = list.FirstLink();
  list.Sort();
  EXPECT_EQ(Names(list), "abc");
  EXPECT_EQ(b_link->Value()->name, "b");
  EXPECT_EQ(b_link->PrevLink()->Value()->name, "a");
  list.RemoveLink(b_link);
  EXPECT_EQ(Names(list), "ac");
  list.RemoveLink(c_link);
  EXPECT_EQ(Names(list), "a");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Last()->name, "a");
}

// Compares speeds by their difference truncated to an integer, as the round's letters do:
// speeds closer than 1 compare equal, which is no strict weak order.
class Speed : public TObject {
 public:
  explicit Speed(double v) : v(v) {}
  int Compare(const TObject& other) const override {
    return static_cast<int>(v - static_cast<const Speed&>(other).v);
  }
  double v;
};

std::vector<double> Speeds(const TList<Speed>& list) {
  std::vector<double> out;
  for (auto s : list) out.push_back(s->v);
  return out;
}

// The round's rule: swap neighbours while the first compares greater, until none does.
std::vector<double> NeighbourSwapSort(std::vector<double> v) {
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
      if (static_cast<int>(v[i] - v[i + 1]) > 0) {
        std::swap(v[i], v[i + 1]);
        swapped = true;
      }
    }
  }
  return v;
}

TEST(TList, SortAgreesWithNeighbourSwapsWhenCloseSpeedsCompareEqual) {
  {
    // Every neighbour pair compares equal, so it stays as it is.
    TList<Speed> list;
    for (double v : {2.0, 1.5, 1.0, 1.0}) list.AddLast(std::make_shared<Speed>(v));
    list.Sort();
    EXPECT_EQ(Speeds(list), (std::vector<double>{2.0, 1.5, 1.0, 1.0}));
  }
  std::vector<std::vector<double>> cases = {
      {3.0, 1.0, 2.5, 0.2},
      {0.5, 2.9, 1.4, 3.8, 0.1, 2.2},
      {5.0, 4.5, 4.0, 3.5, 3.0, 2.5, 2.0},
      {1.0, 1.0, 1.0},
      {4.0},
      {},
  };
  // And short lists of speeds in half steps from a fixed generator.
  uint32_t seed = 12345;
  for (int n = 0; n < 60; ++n) {
    std::vector<double> speeds(2 + n % 7);
    for (double& v : speeds) {
      seed = seed * 1103515245u + 12345u;
      v = ((seed >> 16) % 9) * 0.5;
    }
    cases.push_back(speeds);
  }
  for (const auto& speeds : cases) {
    TList<Speed> list;
    for (double v : speeds) list.AddLast(std::make_shared<Speed>(v));
    list.Sort();
    EXPECT_EQ(Speeds(list), NeighbourSwapSort(speeds)) << ::testing::PrintToString(speeds);
    EXPECT_EQ(list.Count(), static_cast<int>(speeds.size()));
  }
}

TEST(TList, ObjectsWithoutTheirOwnCompareAreRemovedByIdentity) {
  TList<> list;
  auto a = std::make_shared<TObject>();
  auto b = std::make_shared<TObject>();
  list.AddLast(a);
  list.AddLast(b);
  list.AddLast(a);
  EXPECT_TRUE(list.Remove(a));  // the first of the two
  EXPECT_EQ(list.First(), b);
  EXPECT_EQ(list.Last(), a);
  EXPECT_EQ(list.Count(), 2);
}

TEST(TList, RemovedElementIsReleasedWhileALongListStays) {
  TList<Item> list;
  std::weak_ptr<Item> gone = Add(list, 1, "x");
  for (int i = 0; i < 200000; ++i) Add(list, 2, "y");
  list.Remove(gone.lock());
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(list.Count(), 200000);
}  // destroying 200000 links must not recurse through them

}  // namespace
