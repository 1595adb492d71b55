#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "controls/PopupMenu.h"

namespace kiv::test {
namespace {

TEST(PopupMenuTest, AutoCheckRadioItemsTakeTheMarkFromTheirGroupBeforeTheHandlerRuns) {
  PopupMenu menu;
  MenuItem a{u"a", {.autoCheck = true, .radioItem = true}};
  MenuItem b{u"b", {.autoCheck = true, .radioItem = true}};
  MenuItem other{u"c", {.autoCheck = true, .radioItem = true, .groupIndex = 2}};
  MenuItem tick{u"d", {.autoCheck = true}};
  for (MenuItem* item : {&a, &b, &other, &tick}) menu.Add(*item);
  a.SetChecked(true);
  other.SetChecked(true);
  tick.SetChecked(true);
  std::vector<bool> seen;
  b.OnClick = [&] { seen = {a.Checked(), b.Checked()}; };
  menu.Choose(b);
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
  EXPECT_TRUE(other.Checked());
  EXPECT_TRUE(tick.Checked());
  // Choosing the marked item clears its own mark first.
  menu.Choose(b);
  EXPECT_EQ(seen, (std::vector<bool>{false, false}));
}

TEST(PopupMenuTest, DisabledItemsAndSeparatorsCannotBeChosen) {
  PopupMenu menu;
  MenuItem item{u"x", {.autoCheck = true}};
  MenuItem separator{u"-", {}};
  menu.Add(item);
  menu.Add(separator);
  int runs = 0;
  item.OnClick = separator.OnClick = [&] { ++runs; };
  item.SetEnabled(false);
  menu.Choose(item);
  menu.Choose(separator);
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(item.Checked());
}

using MainMenuTest = MainFormFixture;

TEST_F(MainMenuTest, HasTheEightItemsInOrder) {
  std::vector<std::u16string> captions;
  for (const MenuItem* item : form.PPMenu.Items()) captions.push_back(item->Caption());
  EXPECT_EQ(captions,
            (std::vector<std::u16string>{u"１画面", u"指定行数", u"-",
                                         u"ホバーしたときに非アクティブウィンドウをスクロールする",
                                         u"-", u"ウィンドウを表示", u"-", u"終了"}));
}

// The window names the menu's commands by these positions.
TEST_F(MainMenuTest, ThePositionsNameTheItemsTheMenuHolds) {
  for (MenuItem TmainForm::*item : {&TmainForm::PPPage, &TmainForm::PPLine, &TmainForm::PPNoActive,
                                    &TmainForm::PPDisp, &TmainForm::PPClose}) {
    const int position = TrayMenuPosition(item);
    ASSERT_GE(position, 0);
    ASSERT_LT(static_cast<std::size_t>(position), form.PPMenu.Items().size());
    EXPECT_EQ(form.PPMenu.Items()[static_cast<std::size_t>(position)], &(form.*item));
  }
  EXPECT_EQ(TrayMenuPosition(nullptr), -1);
}

TEST_F(MainMenuTest, TheMarkedModeItemKeepsItsMarkAndWritesNothing) {
  for (const std::int32_t lines : {kPageScroll, 4}) {
    SCOPED_TRACE(lines);
    settings.wheelScrollLines = lines;
    Start();
    MenuItem& marked = lines == kPageScroll ? form.PPPage : form.PPLine;
    MenuItem& unmarked = lines == kPageScroll ? form.PPLine : form.PPPage;
    form.PPMenu.Choose(marked);
    EXPECT_TRUE(marked.Checked());
    EXPECT_FALSE(unmarked.Checked());
    EXPECT_TRUE(settings.writes.empty());
  }
}

TEST_F(MainMenuTest, ShowAndCloseGoToTheWindow) {
  Start();
  form.PPMenu.Choose(form.PPDisp);
  EXPECT_EQ(host.showRequests, 1);
  form.PPMenu.Choose(form.PPClose);
  EXPECT_EQ(host.closeRequests, 1);
}

TEST_F(MainMenuTest, MinimiseHidesTheWindowIntoTheTray) {
  Start({u"/w"});
  host.visible = true;
  EXPECT_FALSE(form.WMSysCommand(0xF060));  // close: standard processing only
  EXPECT_FALSE(form.WMSysCommand(0xF010));  // move
  EXPECT_TRUE(host.visible);
  EXPECT_FALSE(form.TrayIcon.Visible());
  EXPECT_TRUE(form.WMSysCommand(0xF022));  // minimise, with the system's low bits set
  EXPECT_FALSE(host.visible);
  EXPECT_TRUE(form.TrayIcon.Visible());
}

}  // namespace
}  // namespace kiv::test
