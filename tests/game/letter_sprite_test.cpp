// Letter sprites: flying off the left edge, falling and fading, the speed ordering, drawing.
#include "game/letter_sprite.h"

#include <gtest/gtest.h>

#include "game_screen.h"

namespace game_test {
namespace {

using LetterSpriteTest = GameTest;

TEST_F(LetterSpriteTest, ALetterLeavesOnceItsRightEdgeHasPassedTheLeftEdge) {
  TSpriteList list;
  auto letter = std::make_shared<TLetterSprite>()->Create(list);
  letter->text = u"A";
  letter->scale.Set(25.0f / TextPixelWidth(u"A"), 1);
  ASSERT_FLOAT_EQ(letter->Width(), 25);
  letter->speed = 2;
  letter->position.Set(1024, 300);
  int updates = 0;
  while (list.Count() == 1 && updates < 1000) {
    letter->Update();
    ++updates;
  }
  EXPECT_EQ(updates, 525);
  EXPECT_FLOAT_EQ(letter->position.x, -26);
  EXPECT_FLOAT_EQ(letter->position.y, 300);
}

TEST_F(LetterSpriteTest, AFallingLetterSpeedsUpTurnsOverAndFades) {
  TSpriteList list;
  auto falling = std::make_shared<TFallingLetter>()->Create(list);
  falling->speed = 4;
  falling->position.Set(500, 100);
  falling->startY = 100;
  for (float expected : {0.2f, 0.4f, 0.6f}) {
    falling->Update();
    EXPECT_FLOAT_EQ(falling->fallSpeed, expected);
  }
  EXPECT_FLOAT_EQ(falling->position.x, 500 - 12);
  EXPECT_FLOAT_EQ(falling->position.y, 100 + 0.2f + 0.4f + 0.6f);

  // Hit at y 0, now half way down a 768-pixel screen.
  auto half = std::make_shared<TFallingLetter>()->Create(list);
  half->fallSpeed = 384;
  half->Update();
  EXPECT_FLOAT_EQ(half->position.y, 384);
  EXPECT_FLOAT_EQ(half->rotation, 90);
  EXPECT_FLOAT_EQ(half->alpha, 0.5f);

  // Leaves only once it is below the bottom edge.
  half->position.y = 768;
  half->fallSpeed = 0;
  half->Update();
  EXPECT_EQ(list.Count(), 2);
  half->position.y = 768.5f;
  half->Update();
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(LetterSpriteTest, LettersOrderBySpeedAndSpeedsCloserThanOneAreEqual) {
  struct Case {
    std::vector<float> speeds, sorted;
  };
  for (const Case& c :
       {Case{{3.5f, 1.2f, 3.9f}, {1.2f, 3.5f, 3.9f}}, Case{{3.9f, 1.2f, 3.5f}, {1.2f, 3.9f, 3.5f}},
        Case{{5.0f, 2.5f, 1.0f, 2.0f}, {1.0f, 2.5f, 2.0f, 5.0f}}}) {
    TSpriteList list;
    for (float speed : c.speeds) std::make_shared<TLetterSprite>()->Create(list)->speed = speed;
    list.Sort();
    std::vector<float> sorted;
    for (const TSpriteRef& s : list)
      sorted.push_back(std::static_pointer_cast<TLetterSprite>(s)->speed);
    EXPECT_EQ(sorted, c.sorted);
  }
  TLetterSprite letter;
  TFallingLetter falling;
  letter.speed = 2.9f;
  EXPECT_EQ(letter.Compare(falling), 2);
  EXPECT_EQ(falling.Compare(letter), -2);
  EXPECT_EQ(letter.Compare(TObject()), 1);
}

TEST_F(LetterSpriteTest, DrawShowsTheLetterWithTheSpritesState) {
  TLetterSprite letter;
  letter.text = u"Q";
  letter.position.Set(300, 200);
  letter.color.Set(10, 20, 30);
  letter.alpha = 0.5f;
  letter.scale.Set(1.2f, 1.2f);
  letter.Draw();
  auto glyphs = driver->DrawnGlyphs(font);
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_EQ(glyphs[0].character, u'Q');
  EXPECT_FLOAT_EQ(glyphs[0].x, 300);
  EXPECT_FLOAT_EQ(glyphs[0].y, 200);
  EXPECT_EQ(glyphs[0].call.red, 10);
  EXPECT_EQ(glyphs[0].call.blue, 30);
  EXPECT_FLOAT_EQ(glyphs[0].call.alpha, 0.5f);
  EXPECT_EQ(glyphs[0].call.blend, 3);
  EXPECT_FLOAT_EQ(glyphs[0].call.ix, 1.2f);
  EXPECT_FLOAT_EQ(letter.Height(), FontLineHeight() * 1.2f);
}

}  // namespace
}  // namespace game_test
