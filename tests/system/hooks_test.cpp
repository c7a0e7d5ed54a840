// Hook chains: order by priority, values passed along, detaching, and running out of ids.
#include "system/hooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/runtime_error.h"
#include "runtime/text.h"

namespace {

// Appends its context's text to the string passed along the chain.
TObjectRef Append(int32_t, TObjectRef data, TObjectRef context) {
  return MakeStringObject(data->ToString() + context->ToString());
}

// Appends like Append, then takes itself out of the chain it is running in.
TObjectRef AppendOnce(int32_t id, TObjectRef data, TObjectRef context) {
  DetachHook(id, AppendOnce);
  return Append(id, data, context);
}

std::string RunChain(int32_t id) {
  return ToUtf8(RunHookChain(id, MakeStringObject(u">"))->ToString());
}

TEST(HooksTest, HigherPriorityRunsFirstAndEqualPrioritiesInAttachOrder) {
  int32_t id = NewHookId();
  AttachHook(id, Append, MakeStringObject(u"a"), 0);
  AttachHook(id, Append, MakeStringObject(u"b"), 5);
  AttachHook(id, Append, MakeStringObject(u"c"), 0);
  AttachHook(id, Append, MakeStringObject(u"d"), -3);
  AttachHook(id, Append, MakeStringObject(u"e"), 5);
  // Each hook gets the previous one's result; the chain returns the last.
  EXPECT_EQ(RunChain(id), ">beacd");
}

TEST(HooksTest, AnEmptyChainOrAnIdOutsideTheTableReturnsTheDataItself) {
  auto data = MakeStringObject(u"x");
  EXPECT_EQ(RunHookChain(NewHookId(), data), data);
  EXPECT_EQ(RunHookChain(-1, data), data);
  EXPECT_EQ(RunHookChain(256, data), data);
}

TEST(HooksTest, DetachRemovesOnlyTheFirstHookWithThatCallback) {
  int32_t id = NewHookId();
  AttachHook(id, Append, MakeStringObject(u"a"), 0);
  AttachHook(id, Append, MakeStringObject(u"b"), 0);
  DetachHook(id, Append);
  EXPECT_EQ(RunChain(id), ">b");
  DetachHook(id, AppendOnce);  // not in the chain: nothing happens
  DetachHook(300, Append);
  EXPECT_EQ(RunChain(id), ">b");
}

TEST(HooksTest, AHookThatDetachesItselfWhileRunningLetsTheRestOfTheChainRun) {
  int32_t id = NewHookId();
  AttachHook(id, Append, MakeStringObject(u"a"), 9);
  AttachHook(id, AppendOnce, MakeStringObject(u"once"), 5);
  AttachHook(id, Append, MakeStringObject(u"z"), 0);
  EXPECT_EQ(RunChain(id), ">aoncez");
  EXPECT_EQ(RunChain(id), ">az");
}

TEST(HooksTest, AttachingToAnIdOutsideTheTableIsAnError) {
  try {
    AttachHook(256, Append, nullptr, 0);
    FAIL() << "no error";
  } catch (const TRuntimeError& e) {
    EXPECT_EQ(e.Text(), "Invalid hook id");
  }
}

TEST(HooksTest, Ids0To255ThenTooManyHookIds) {
  // A fresh process, so the ids start from the beginning.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        int32_t first = NewHookId();
        int32_t last = first;
        for (int i = 1; i < 256; ++i) last = NewHookId();
        try {
          NewHookId();
        } catch (const TRuntimeError& e) {
          std::fprintf(stderr, "%d %d %s", first, last, e.what());
          std::exit(0);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "^0 255 Too many hook ids$");
}

}  // namespace
