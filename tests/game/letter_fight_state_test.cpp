// The letter-fight round: waves and difficulty, the typing rules, the HUD, leaving for the menu,
// the end of the round, and the same letters for the same play.
#include "game/letter_fight_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "game/letter_sprite.h"
#include "game/menu_state.h"
#include "game_screen.h"

namespace game_test {
namespace {

class LetterFightTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    start = clock->now;
    round = std::make_shared<TLetterFightState>();
    manager.ChangeState(round);
  }

  std::vector<TLetterSpriteRef> Letters(const std::shared_ptr<TSpriteList>& list) {
    std::vector<TLetterSpriteRef> out;
    for (const TSpriteRef& s : *list) out.push_back(std::static_pointer_cast<TLetterSprite>(s));
    return out;
  }
  // A letter placed by hand, as a wave would make it.
  TLetterSpriteRef Place(const std::u16string& text, float speed, float y = 300) {
    auto letter = std::make_shared<TLetterSprite>()->Create(*round->letters);
    letter->text = text;
    letter->speed = speed;
    letter->scale.Set(1.2f, 1.2f);
    letter->position.Set(600, y);
    letter->color.Set(0, 0, 0);
    round->letters->Sort();
    return letter;
  }
  // Moves the round's clock to ms after it began, without a frame.
  void At(int32_t ms) { clock->now = start + ms; }
  // Only the update step: the letters of a wave are where they were made.
  void UpdateOnly() {
    manager.HandleEvents();
    manager.Update();
  }
  // The position of the first glyph of text drawn in the last frame.
  bool Find(const std::u16string& text, float& x, float& y) {
    auto glyphs = driver->DrawnGlyphs(font);
    std::u16string all = DrawnText();
    size_t at = all.find(text);
    if (at == std::u16string::npos) return false;
    x = glyphs[at].x, y = glyphs[at].y;
    return true;
  }

  int32_t start = 0;
  std::shared_ptr<TLetterFightState> round;
};

TEST_F(LetterFightTest, TheFirstWaveIsOneLetterAfterOneSecondAtTheRightEdge) {
  EXPECT_EQ(sound->log, (std::vector<std::string>{"backgroundmusic_game.ogg looping on #2"}));
  for (int32_t ms = 0; ms < 1000; ms += 100) {
    At(ms);
    Frame(0);
  }
  At(999);
  Frame(0);
  EXPECT_TRUE(round->letters->IsEmpty());
  At(1000);
  UpdateOnly();
  auto letters = Letters(round->letters);
  ASSERT_EQ(letters.size(), 1u);
  const auto& a = letters[0];
  EXPECT_FLOAT_EQ(a->position.x, 1024);
  EXPECT_GE(a->position.y, 0);
  EXPECT_LE(a->position.y, 768 - FontLineHeight() * 1.2f);
  EXPECT_GE(a->speed, 1.0f);
  EXPECT_LT(a->speed, 1.5f);
  ASSERT_EQ(a->text.size(), 1u);
  EXPECT_GE(a->text[0], u'A');
  EXPECT_LE(a->text[0], u'Z');
  EXPECT_FLOAT_EQ(a->scale.x, 1.2f);
  EXPECT_EQ(a->color.r + a->color.g + a->color.b, 0);
  EXPECT_EQ(a->blend, 3);
  EXPECT_EQ(a->rotation, 0);
  EXPECT_EQ(a->alpha, 1);

  // Drawn where it moved to: one frame of 1/60 s at its speed.
  At(1000 + 1000 / 60);
  driver->ClearCalls();
  manager.Draw();
  auto glyphs = driver->DrawnGlyphs(font);
  ASSERT_FALSE(glyphs.empty());
  EXPECT_EQ(glyphs[0].character, a->text[0]);
  EXPECT_LT(glyphs[0].x, 1024);
  EXPECT_EQ(glyphs[0].call.red + glyphs[0].call.green + glyphs[0].call.blue, 0);
}

TEST_F(LetterFightTest, TypingRules) {
  auto a1 = Place(u"A", 2.0f);
  auto c = Place(u"C", 2.2f);
  auto a2 = Place(u"A", 2.4f);
  Type('a');
  Frame(0);
  EXPECT_EQ(round->score, 4);
  EXPECT_EQ(Letters(round->letters), std::vector<TLetterSpriteRef>{c});
  auto falling = Letters(round->fallingLetters);
  ASSERT_EQ(falling.size(), 2u);
  EXPECT_FLOAT_EQ(falling[0]->speed, 2.0f);
  EXPECT_FLOAT_EQ(falling[1]->speed, 2.4f);
  EXPECT_EQ(falling[0]->text, u"A");
  EXPECT_FLOAT_EQ(std::static_pointer_cast<TFallingLetter>(falling[0])->startY, 300);
  EXPECT_EQ(std::vector<std::string>(sound->log.end() - 2, sound->log.end()),
            std::vector<std::string>(2, "tubo5.ogg on #1"));

  Type('C');  // a capital scores the same
  Frame(0);
  EXPECT_EQ(round->score, 6);

  struct Case {
    int32_t character;
    int32_t before, after;
  };
  for (Case k : {Case{'b', 3, 0}, Case{'5', 3, 0}, Case{'b', 10, 6}, Case{' ', 3, 3},
                 Case{'~', 3, 3}, Case{13, 3, 3}, Case{'{', 3, 3}, Case{'!', 7, 3}}) {
    round->score = k.before;
    Type(k.character);
    Frame(0);
    EXPECT_EQ(round->score, k.after) << "character " << k.character;
  }
  round->score = 5;
  Frame(0);  // nothing typed
  EXPECT_EQ(round->score, 5);

  // Two characters in one frame: one per frame.
  Place(u"X", 1.0f);
  Place(u"Y", 1.0f);
  Type('x');
  Type('y');
  Frame(0);
  EXPECT_EQ(round->score, 7);
  EXPECT_EQ(round->letters->Count(), 1);
  Frame(0);
  EXPECT_EQ(round->score, 9);
  EXPECT_TRUE(round->letters->IsEmpty());
}

TEST_F(LetterFightTest, AHitLetterIsTheOneRemovedAmongLettersThatCompareEqual) {
  // Speeds closer than 1 compare equal: only the letter's own node can find it.
  std::vector<TLetterSpriteRef> placed;
  for (const char16_t* t : {u"K", u"L", u"M", u"N", u"O"})
    placed.push_back(Place(t, 3.0f + placed.size() * 0.1f));
  Type('n');
  Frame(0);
  std::u16string left;
  for (auto& l : Letters(round->letters)) left += l->text;
  EXPECT_EQ(left, u"KLMO");
  ASSERT_EQ(round->fallingLetters->Count(), 1);
  EXPECT_FLOAT_EQ(Letters(round->fallingLetters)[0]->speed, 3.3f);
}

TEST_F(LetterFightTest, AFallingLetterTakesItsColourFromThreeDrawsBlueFirst) {
  auto hit = Place(u"F", 2.5f, 123);
  hit->position.x = 321;
  SetRandomSeed(0);
  int32_t b = RandomInt(0, 200), g = RandomInt(0, 200), r = RandomInt(0, 200);
  SetRandomSeed(0);
  Type('f');
  UpdateOnly();
  auto falling = Letters(round->fallingLetters);
  ASSERT_EQ(falling.size(), 1u);
  EXPECT_EQ(falling[0]->color.r, r);
  EXPECT_EQ(falling[0]->color.g, g);
  EXPECT_EQ(falling[0]->color.b, b);
  EXPECT_FLOAT_EQ(falling[0]->position.x, 321);
  EXPECT_FLOAT_EQ(falling[0]->position.y, 123);
  EXPECT_FLOAT_EQ(falling[0]->scale.y, 1.2f);
}

TEST_F(LetterFightTest, DifficultyGrowsWithScoreAndTime) {
  // At 2500 points a wave comes every frame.
  round->score = 2500;
  At(100);
  for (int frame = 1; frame <= 5; ++frame) {
    Frame(16);
    EXPECT_EQ(round->letters->Count(), frame);
  }
  // At 1000 points the pause is 600 ms.
  round->score = 1000;
  clock->now += 600;
  Frame(0);
  int before = round->letters->Count();
  clock->now += 599;
  Frame(0);
  EXPECT_EQ(round->letters->Count(), before);
  clock->now += 1;
  Frame(0);
  EXPECT_EQ(round->letters->Count(), before + 1);

  // Letters per wave and their speeds follow the whole seconds played.
  round->score = 2500;
  struct Case {
    int32_t seconds, count;
    float high;
  };
  for (Case k : {Case{59, 1, 1.5f + 4.5f * 59 / 180}, Case{60, 2, 3.0f}, Case{90, 2, 3.75f},
                 Case{119, 2, 1.5f + 4.5f * 119 / 180}, Case{120, 3, 4.5f}}) {
    SCOPED_TRACE(testing::Message() << k.seconds << " s");
    round->letters->Clear();
    At(k.seconds * 1000);
    // The same draws the wave will take: speed, letter, height, per letter.
    SetRandomSeed(0);
    std::vector<float> speeds;
    for (int i = 0; i < k.count; ++i) {
      speeds.push_back(static_cast<float>(RandomFloat(1.0, k.high)));
      RandomInt(65, 90);
      RandomFloat(0, 768 - FontLineHeight() * 1.2f);
    }
    SetRandomSeed(0);
    UpdateOnly();
    std::vector<float> made;
    for (auto& l : Letters(round->letters)) made.push_back(l->speed);
    std::sort(made.begin(), made.end());
    std::sort(speeds.begin(), speeds.end());
    ASSERT_EQ(made.size(), speeds.size());
    for (size_t i = 0; i < made.size(); ++i) EXPECT_NEAR(made[i], speeds[i], 1e-5);
  }
}

TEST_F(LetterFightTest, TheHudShowsScoreTimeAndWhileTabIsHeldTheFrameRate) {
  round->score = 42;
  Frame(0);
  float x, y;
  ASSERT_TRUE(Find(u"SCORE: 42", x, y)) << std::string(DrawnText().begin(), DrawnText().end());
  EXPECT_FLOAT_EQ(x, 10);
  EXPECT_FLOAT_EQ(y, 10);
  ASSERT_TRUE(Find(u"Time: 180", x, y));
  EXPECT_FLOAT_EQ(x, 1024 - 160);
  EXPECT_FLOAT_EQ(y, 10);
  EXPECT_FALSE(Find(u"FPS: ", x, y));
  auto glyphs = driver->DrawnGlyphs(font);
  const TDrawCall& score = glyphs[DrawnText().find(u"SCORE")].call;
  EXPECT_EQ(score.red, 128);
  EXPECT_EQ(score.green + score.blue, 0);
  EXPECT_EQ(score.blend, 3);
  EXPECT_FLOAT_EQ(score.ix, 1);
  EXPECT_FLOAT_EQ(score.jy, 1);

  At(999);
  Frame(0);
  EXPECT_TRUE(Find(u"Time: 180", x, y));
  At(1000);
  Hold(9, true);
  Frame(0);
  EXPECT_TRUE(Find(u"Time: 179", x, y));
  ASSERT_TRUE(Find(u"FPS: ", x, y));
  EXPECT_FLOAT_EQ(x, 10);
  EXPECT_FLOAT_EQ(y, 60);
  // Held for a second at 50 frames per second, the figure is right.
  for (int i = 0; i < 120; ++i) Frame(20);
  EXPECT_TRUE(Find(u"FPS: 50", x, y)) << std::string(DrawnText().begin(), DrawnText().end());
  Hold(9, false);
  Frame(0);
  EXPECT_FALSE(Find(u"FPS: ", x, y));
}

TEST_F(LetterFightTest, EscapeGoesBackToANewMenuWithItsMusicAndSilencesTheRound) {
  sound->log.clear();
  Press(27);
  Frame();
  auto menu = std::dynamic_pointer_cast<TMenuState>(manager.Top());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(manager.IsRunning(), 1);
  EXPECT_EQ(sound->log, (std::vector<std::string>{"halt #2", "halt #1",
                                                  "backgroundmusic_menu.ogg looping on #4"}));
  EXPECT_EQ(menu->menu->SelectedId(), MenuLetterFight);  // drawn in the same frame
}

TEST_F(LetterFightTest, TheRoundEndsTheProgramAfter180Seconds) {
  At(179999);
  Frame(0);
  EXPECT_EQ(manager.IsRunning(), 1);
  At(180000);
  Frame(0);
  EXPECT_EQ(manager.IsRunning(), 0);
  EXPECT_EQ(manager.Top(), round);
  EXPECT_EQ(std::count(sound->log.begin(), sound->log.end(), "halt #2"), 0);
}

TEST_F(LetterFightTest, MissingPictureAndHitSoundAreSkipped) {
  std::filesystem::remove(dir / "background.png");
  std::filesystem::remove(dir / "tubo5.ogg");
  auto bare = std::make_shared<TLetterFightState>();
  manager.ChangeState(bare);
  round = bare;
  Place(u"A", 2);
  sound->log.clear();
  Type('a');
  Frame(0);
  EXPECT_EQ(bare->score, 2);
  EXPECT_TRUE(sound->log.empty());
  EXPECT_NE(DrawnText().find(u"SCORE: 2"), std::u16string::npos);
}

// The same keystrokes at the same moments give the same letters, speeds, heights, colours.
TEST_F(LetterFightTest, TheSamePlayGivesTheSameRound) {
  auto play = [&] {
    SetRandomSeed(0);
    auto r = std::make_shared<TLetterFightState>();
    manager.ChangeState(r);
    round = r;
    start = clock->now;
    r->score = 2500;  // a wave every frame
    std::string trace;
    for (int frame = 0; frame < 200; ++frame) {
      if (frame % 3 == 0) Type('A' + frame % 26);
      Frame(16);
    }
    for (auto* list : {&r->letters, &r->fallingLetters}) {
      for (auto& l : Letters(*list)) {
        trace += std::string(1, char(l->text[0])) + std::to_string(l->speed) + "," +
                 std::to_string(l->position.y) + "," + std::to_string(l->color.r) + "," +
                 std::to_string(l->color.g) + "," + std::to_string(l->color.b) + ";";
      }
    }
    return trace + std::to_string(r->score);
  };
  std::string first = play();
  EXPECT_GT(first.size(), 1000u);
  EXPECT_EQ(play(), first);
}

}  // namespace
}  // namespace game_test
