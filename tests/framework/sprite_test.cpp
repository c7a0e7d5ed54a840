// Sprites: movement and drawing state under the virtual resolution and the frame length,
// copying, leaving a list by identity, and one frame of a list in which sprites leave.
#include "framework/sprite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework_screen.h"
#include "runtime/runtime_error.h"

namespace {

using SpriteTest = ScreenTest;

// A sprite that logs its steps; all of them compare equal, as the round's letters of nearly
// the same speed do.
struct LoggingSprite : TSprite {
  LoggingSprite(std::vector<std::string>& log, std::string name) : log(log), name(name) {}
  int Compare(const TObject&) const override { return 0; }
  void Update() override {
    log.push_back("update " + name);
    if (leave) RemoveFromList();
  }
  void Draw() override {
    int32_t r, g, b;
    GetDrawColor(r, g, b);
    log.push_back("draw " + name + (r == 255 && GetBlendMode() == 1 ? "" : " dirty"));
    SetDrawColor(1, 2, 3);  // the next sprite must not care
  }
  std::vector<std::string>& log;
  std::string name;
  bool leave = false;
};

TEST_F(SpriteTest, MoveAndDrawScaleFollowTheVirtualResolutionAndFrameLength) {
  std::vector<std::string> log;
  LoggingSprite s(log, "s");
  TSprite::SetVirtualScale(1.25f, 1.25f);  // a 1280 x 960 screen
  s.Move(4, 0);
  EXPECT_FLOAT_EQ(s.position.x, 5);
  TSprite::SetVirtualDrawScale(1, 1);
  float sx, sy;
  GetDrawScale(sx, sy);
  EXPECT_FLOAT_EQ(sx, 1.25f);
  EXPECT_FLOAT_EQ(sy, 1.25f);

  TSprite::SetVirtualScale(1, 1);
  FrameDelta = 2.0f;
  s.position.Set(100, 50);
  s.Move(-3, 1.5f);
  EXPECT_FLOAT_EQ(s.position.x, 94);
  EXPECT_FLOAT_EQ(s.position.y, 53);
}

TEST_F(SpriteTest, ApplyDrawStatePushesTheSpritesState) {
  std::vector<std::string> log;
  LoggingSprite s(log, "s");
  s.color.Set(10, 20, 30);
  s.blend = 4;
  s.alpha = 0.5f;
  s.scale.Set(2, 3);
  s.rotation = 90;
  SetDrawHandle(4, 4);
  TSprite::SetVirtualScale(0.5f, 2);
  s.ApplyDrawState();

  int32_t r, g, b;
  GetDrawColor(r, g, b);
  EXPECT_EQ(r * 10000 + g * 100 + b, 102030);
  EXPECT_EQ(GetBlendMode(), 4);
  EXPECT_FLOAT_EQ(GetDrawAlpha(), 0.5f);
  float x, y;
  GetDrawScale(x, y);
  EXPECT_FLOAT_EQ(x, 1);
  EXPECT_FLOAT_EQ(y, 6);
  EXPECT_FLOAT_EQ(GetDrawRotation(), 90);
  GetDrawHandle(x, y);
  EXPECT_FLOAT_EQ(x, -4);  // left as it was
}

TEST_F(SpriteTest, CopyFromCopiesValuesNotMembership) {
  std::vector<std::string> log;
  TSpriteList list;
  auto source = std::make_shared<LoggingSprite>(log, "a");
  source->AddTo(list);
  source->position.Set(1, 2);
  source->scale.Set(3, 4);
  source->color.Set(5, 6, 7);
  source->rotation = 8;
  source->alpha = 0.25f;
  source->blend = 5;

  LoggingSprite copy(log, "b");
  copy.CopyFrom(*source);
  copy.color.Set(0, 0, 0);
  copy.position.x = 99;
  EXPECT_EQ(source->color.r, 5);
  EXPECT_EQ(source->position.x, 1);
  EXPECT_EQ(copy.scale.y, 4);
  EXPECT_EQ(copy.rotation, 8);
  EXPECT_EQ(copy.alpha, 0.25f);
  EXPECT_EQ(copy.blend, 5);
  EXPECT_EQ(copy.link, nullptr);
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(SpriteTest, RemoveFromListTakesOutThatSpriteEvenAmongEqualsAndAfterASort) {
  std::vector<std::string> log;
  TSpriteList list;
  std::vector<std::shared_ptr<LoggingSprite>> sprites;
  for (const char* name : {"a", "b", "c", "d"}) {
    sprites.push_back(std::make_shared<LoggingSprite>(log, name));
    sprites.back()->AddTo(list);
  }
  list.Sort();
  sprites[2]->RemoveFromList();
  sprites[2]->RemoveFromList();  // a second time: nothing
  std::string left;
  for (const TSpriteRef& s : list) left += std::static_pointer_cast<LoggingSprite>(s)->name;
  EXPECT_EQ(left, "abd");
  EXPECT_EQ(sprites[2]->link, nullptr);
}

TEST_F(SpriteTest, ASpriteLeavingDuringTheWalkIsStillDrawnAndTheWalkGoesOn) {
  std::vector<std::string> log;
  TSpriteList list;
  std::weak_ptr<LoggingSprite> second;
  {
    for (const char* name : {"1", "2", "3"}) {
      auto s = std::make_shared<LoggingSprite>(log, name);
      s->leave = std::string(name) == "2";
      if (s->leave) second = s;
      s->AddTo(list);
    }
  }
  SetDrawColor(9, 9, 9);
  SetBlendMode(3);
  UpdateAndDrawSprites(list);
  // The list held the leaving sprite's last reference: it lived through its Draw, then went.
  EXPECT_EQ(log, (std::vector<std::string>{"update 1", "draw 1", "update 2", "draw 2 dirty",
                                           "update 3", "draw 3 dirty"}));
  EXPECT_TRUE(second.expired());
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(SpriteTest, UpdateAndDrawOfTheBaseAreAbstract) {
  TSprite s;
  try {
    s.Update();
    FAIL() << "no error";
  } catch (const TRuntimeError& e) {
    EXPECT_EQ(e.Text(), "Attempt to call abstract method");
  }
  EXPECT_THROW(s.Draw(), TRuntimeError);
}

}  // namespace
