// The main menu: its entries and how they are drawn, moving the selection, what Enter and
// Escape do, and its sounds.
#include "game/menu_state.h"

#include <gtest/gtest.h>

#include "game/letter_fight_state.h"
#include "game_screen.h"

namespace game_test {
namespace {

class MenuStateTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    menu = std::make_shared<TMenuState>();
    manager.ChangeState(menu);
  }
  std::shared_ptr<TMenuState> menu;
};

TEST_F(MenuStateTest, ShowsFiveEntriesOverItsPictureWithTheFirstSelected) {
  // Effect channel #1, music channel #2.
  EXPECT_EQ(sound->log, (std::vector<std::string>{"backgroundmusic_menu.ogg looping on #2"}));
  EXPECT_EQ(menu->menu->SelectedId(), -1);
  Frame();
  EXPECT_EQ(menu->menu->SelectedId(), MenuLetterFight);

  auto background = driver->QuadsOf(menu->background);
  ASSERT_EQ(background.size(), 1u);
  float x0, y0, x1, y1;
  const TDrawCall& quad = background[0];
  quad.Map(quad.Arg(0), quad.Arg(1), quad.Arg(4), quad.Arg(5), x0, y0);
  quad.Map(quad.Arg(2), quad.Arg(3), quad.Arg(4), quad.Arg(5), x1, y1);
  EXPECT_FLOAT_EQ(x0, 0);
  EXPECT_FLOAT_EQ(y0, 0);
  EXPECT_FLOAT_EQ(x1, 1024);
  EXPECT_FLOAT_EQ(y1, 768);
  EXPECT_EQ(quad.blend, 3);

  // Each entry twice: its shadow, then itself.
  EXPECT_EQ(DrawnText(),
            u"LETTER FIGHTLETTER FIGHTWORD FIGHTWORD FIGHTHIGHSCOREHIGHSCORECREDITSCREDITS"
            u"BEENDENBEENDEN");
  auto glyphs = driver->DrawnGlyphs(font);
  const float h = static_cast<float>(FontLineHeight());
  // Entry tops: 300 above the bottom, then 1.3 font heights apart; the selected entry is light
  // red at 1.5 by 1.5, the others white at 1.5 by 1.3, all with a black shadow at 0.7.
  size_t at = 0;
  const std::u16string entries[] = {u"LETTER FIGHT", u"WORD FIGHT", u"HIGHSCORE", u"CREDITS",
                                    u"BEENDEN"};
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(testing::Message() << "entry " << k);
    const TDrawnGlyph& shadow = glyphs[at];
    const TDrawnGlyph& text = glyphs[at + entries[k].size()];
    at += 2 * entries[k].size();
    EXPECT_FLOAT_EQ(text.y, 468 + k * 1.3f * h);
    EXPECT_FLOAT_EQ(text.x, 512 - TextPixelWidth(entries[k]) * 1.5f / 2);
    EXPECT_EQ(shadow.call.red + shadow.call.green + shadow.call.blue, 0);
    EXPECT_FLOAT_EQ(shadow.call.alpha, 0.7f);
    EXPECT_FLOAT_EQ(shadow.x - text.x, k == 0 ? -3 : 3);
    EXPECT_FLOAT_EQ(shadow.y - text.y, k == 0 ? -2 : 2);
    EXPECT_EQ(text.call.red, 255);
    EXPECT_EQ(text.call.green, k == 0 ? 100 : 255);
    EXPECT_FLOAT_EQ(text.call.ix, 1.5f);
    EXPECT_FLOAT_EQ(text.call.jy, k == 0 ? 1.5f : 1.3f);
    EXPECT_EQ(text.call.blend, 3);
  }
}

TEST_F(MenuStateTest, UpAndDownWrapAndPlayTheMoveSound) {
  Frame();
  sound->log.clear();
  const std::pair<int32_t, int32_t> steps[] = {
      {38, MenuQuit},    {40, MenuLetterFight}, {40, MenuWordFight},  {40, MenuHighscore},
      {40, MenuCredits}, {40, MenuQuit},        {40, MenuLetterFight}};
  for (auto [key, expected] : steps) {
    Press(key);
    Frame();
    EXPECT_EQ(menu->menu->SelectedId(), expected);
  }
  EXPECT_EQ(sound->log, std::vector<std::string>(7, "laser.ogg on #1"));

  // Down and Up in one frame: Down now, Up in the next frame.
  Press(40);
  Press(38);
  Frame();
  EXPECT_EQ(menu->menu->SelectedId(), MenuWordFight);
  Frame();
  EXPECT_EQ(menu->menu->SelectedId(), MenuLetterFight);
}

TEST_F(MenuStateTest, EnterOnTheOtherEntriesOnlyRefuses) {
  Press(13);  // before the first drawing nothing is selected
  Frame();
  for (int down = 1; down <= 3; ++down) {
    Press(40);
    Frame();
    Press(13);
    Frame();
  }
  EXPECT_EQ(sound->log,
            (std::vector<std::string>{"backgroundmusic_menu.ogg looping on #2", "buiu.ogg on #1",
                                      "laser.ogg on #1", "buiu.ogg on #1", "laser.ogg on #1",
                                      "buiu.ogg on #1", "laser.ogg on #1", "buiu.ogg on #1"}));
  EXPECT_EQ(manager.Top(), menu);
  EXPECT_EQ(manager.IsRunning(), 1);
}

TEST_F(MenuStateTest, EnterOnBeendenAndEscapeQuit) {
  Frame();
  Press(38);
  Frame();
  Press(13);
  Frame();
  EXPECT_EQ(manager.IsRunning(), 0);
  EXPECT_EQ(manager.Top(), menu);  // no screen change, no clean-up

  TStateManager other;
  auto second = std::make_shared<TMenuState>();
  other.ChangeState(second);
  Press(27);
  other.HandleEvents();
  EXPECT_EQ(other.IsRunning(), 0);
}

TEST_F(MenuStateTest, EscapeWithEnterOnLetterFightStartsTheRoundAndThenEnds) {
  Frame();
  sound->log.clear();
  Press(27);
  Press(13);
  Frame();
  auto round = std::dynamic_pointer_cast<TLetterFightState>(manager.Top());
  ASSERT_NE(round, nullptr);
  EXPECT_EQ(manager.IsRunning(), 0);
  // Confirm sound, the menu's music halted, the round's music on its own channel (#4).
  EXPECT_EQ(sound->log, (std::vector<std::string>{"fx1.ogg on #1", "halt #2",
                                                  "backgroundmusic_game.ogg looping on #4"}));
  // The frame went on with the round.
  EXPECT_NE(DrawnText().find(u"SCORE: 0"), std::u16string::npos);
}

TEST_F(MenuStateTest, MissingPictureAndSoundsAreSkipped) {
  std::filesystem::remove(dir / "background_menu.png");
  std::filesystem::remove(dir / "laser.ogg");
  auto bare = std::make_shared<TMenuState>();
  manager.ChangeState(bare);
  EXPECT_EQ(bare->background, nullptr);
  Frame();
  Press(40);
  Frame();
  EXPECT_EQ(bare->menu->SelectedId(), MenuWordFight);
  EXPECT_EQ(driver->DrawnText(font).size(),
            2 * std::u16string(u"LETTER FIGHTWORD FIGHTHIGHSCORECREDITSBEENDEN").size());
}

}  // namespace
}  // namespace game_test
