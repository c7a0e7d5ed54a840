// The text menu: selection rules, and what Draw draws where, in which colour and order.
#include "framework/text_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework_screen.h"

namespace {

class TextMenuTest : public ScreenTest {
 protected:
  // One-letter entries, so every drawn glyph is one entry's drawing.
  TTextMenuRef Menu(const std::u16string& letters) {
    auto menu = std::make_shared<TTextMenu>()->SetPosition(500, 100);
    int32_t id = 10;
    for (char16_t c : letters) menu->AddItem(std::u16string(1, c), id++);
    return menu;
  }
  // The glyphs drawn since the last clear, as "A 255,100,100".
  std::vector<std::string> Colours() {
    std::vector<std::string> out;
    for (const TDrawnGlyph& g : driver->DrawnGlyphs(font)) {
      out.push_back(std::string(1, char(g.character)) + " " + std::to_string(g.call.red) + "," +
                    std::to_string(g.call.green) + "," + std::to_string(g.call.blue));
    }
    return out;
  }
};

TEST_F(TextMenuTest, SelectionWrapsAndWaitsForTheFirstDraw) {
  auto menu = Menu(u"ABC");
  // Nothing is selected before the first drawing: moving changes nothing.
  menu->SelectNext();
  menu->SelectPrevious();
  EXPECT_EQ(menu->SelectedId(), -1);
  menu->Draw();
  EXPECT_EQ(menu->SelectedId(), 10);

  struct Step {
    void (TTextMenu::*move)();
    int32_t expected;
  };
  for (Step step : {Step{&TTextMenu::SelectPrevious, 12}, Step{&TTextMenu::SelectNext, 10},
                    Step{&TTextMenu::SelectNext, 11}, Step{&TTextMenu::SelectNext, 12},
                    Step{&TTextMenu::SelectNext, 10}, Step{&TTextMenu::SelectLast, 12},
                    Step{&TTextMenu::SelectFirst, 10}}) {
    (menu.get()->*step.move)();
    EXPECT_EQ(menu->SelectedId(), step.expected);
  }

  auto single = Menu(u"A");
  single->SelectFirst();
  single->SelectNext();
  EXPECT_EQ(single->SelectedId(), 10);
  single->SelectPrevious();
  EXPECT_EQ(single->SelectedId(), 10);
}

TEST_F(TextMenuTest, AnEmptyMenuDrawsNothingAndSelectsNothing) {
  auto menu = Menu(u"");
  menu->Draw();
  menu->SelectFirst();
  menu->SelectLast();
  EXPECT_EQ(menu->SelectedId(), -1);
  EXPECT_EQ(driver->Count("DrawQuad"), 0);
}

TEST_F(TextMenuTest, ShadowThenOutlineThenTextEachInItsStyle) {
  auto menu = Menu(u"AB");
  menu->selectedStyle->color.Set(255, 100, 100);
  menu->selectedStyle->SetShadow(-3, -2, 0.7f);
  menu->selectedStyle->outlineColor.Set(0, 0, 200);
  menu->selectedStyle->SetOutline(1, 0.5f);
  menu->normalStyle->SetOutline(0, 1);
  menu->normalStyle->outlineColor.Set(0, 200, 0);
  menu->Draw();

  std::vector<std::string> expected = {"A 0,0,0"};  // shadow
  for (int i = 0; i < 9; ++i) expected.push_back("A 0,0,200");
  expected.push_back("A 255,100,100");
  expected.push_back("B 0,200,0");  // outline of size 0: one copy
  expected.push_back("B 255,255,255");
  EXPECT_EQ(Colours(), expected);

  auto glyphs = driver->DrawnGlyphs(font);
  ASSERT_EQ(glyphs.size(), 13u);
  EXPECT_FLOAT_EQ(glyphs[0].call.alpha, 0.7f);
  EXPECT_FLOAT_EQ(glyphs[1].call.alpha, 0.5f);
  EXPECT_FLOAT_EQ(glyphs[10].call.alpha, 1.0f);
  // The shadow and the outline's corners are displaced in plain pixels.
  EXPECT_FLOAT_EQ(glyphs[0].x - glyphs[10].x, -3);
  EXPECT_FLOAT_EQ(glyphs[0].y - glyphs[10].y, -2);
  EXPECT_FLOAT_EQ(glyphs[1].x - glyphs[10].x, -1);
  EXPECT_FLOAT_EQ(glyphs[1].y - glyphs[10].y, -1);
  EXPECT_FLOAT_EQ(glyphs[9].x - glyphs[10].x, 1);
  EXPECT_FLOAT_EQ(glyphs[9].y - glyphs[10].y, 1);
}

TEST_F(TextMenuTest, EntriesKeepTheirPlacesWhereverTheSelectionIs) {
  auto menu = Menu(u"ABCD");
  menu->normalStyle->scale.Set(1.5f, 1.3f);
  menu->selectedStyle->scale.Set(2.0f, 1.5f);
  const float h = static_cast<float>(FontLineHeight());
  const float w = static_cast<float>(TextPixelWidth(u"A"));
  for (int selected = 0; selected < 4; ++selected) {
    driver->ClearCalls();
    menu->Draw();
    auto glyphs = driver->DrawnGlyphs(font);
    ASSERT_EQ(glyphs.size(), 4u);
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(testing::Message() << "selected " << selected << ", entry " << k);
      const float scale = k == selected ? 2.0f : 1.5f;
      EXPECT_FLOAT_EQ(glyphs[k].y, 100 + k * 1.3f * h);
      // Centred on x 500 at its own scale.
      EXPECT_FLOAT_EQ(glyphs[k].x, 500 - w * scale / 2);
      EXPECT_FLOAT_EQ(glyphs[k].call.ix, scale);
      EXPECT_EQ(glyphs[k].call.blend, 3);
    }
    menu->SelectNext();
  }
}

}  // namespace
