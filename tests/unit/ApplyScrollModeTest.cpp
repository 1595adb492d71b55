#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "MainFormFixture.h"

namespace kiv::test {
namespace {

class ApplyScrollModeTest : public MainFormFixture {
 protected:
  void ExpectPageMirrors() {
    EXPECT_EQ(form.Mode(), kPageMode);
    EXPECT_TRUE(form.BtnPage.Checked());
    EXPECT_FALSE(form.BtnLine.Checked());
    EXPECT_FALSE(form.ComboBoxLine.Enabled());
    EXPECT_TRUE(form.PPPage.Checked());
    EXPECT_FALSE(form.PPLine.Checked());
    EXPECT_EQ(form.TrayIcon.ImageIndex(), kPageImage);
    EXPECT_EQ(form.TrayIcon.Hint(), u"１画面");
  }
  void ExpectLineMirrors() {
    EXPECT_EQ(form.Mode(), kLineMode);
    EXPECT_FALSE(form.BtnPage.Checked());
    EXPECT_TRUE(form.BtnLine.Checked());
    EXPECT_TRUE(form.ComboBoxLine.Enabled());
    EXPECT_FALSE(form.PPPage.Checked());
    EXPECT_TRUE(form.PPLine.Checked());
    EXPECT_EQ(form.TrayIcon.ImageIndex(), kLineImage);
    EXPECT_EQ(form.TrayIcon.Hint(), u"指定行数");
  }
};

// Every way of changing the mode writes the new value exactly once, in spite of the radio button
// that calls back into the apply operation, and shows the wait cursor around it.
TEST_F(ApplyScrollModeTest, EveryModeChangeWritesOnceAndMirrorsTheMode) {
  struct Row {
    const char* name;
    std::function<void(TmainForm&)> toLine;
    std::function<void(TmainForm&)> toPage;
  };
  const std::vector<Row> rows = {
      {"tray double-click", [](TmainForm& f) { f.TrayIcon.DblClick(); },
       [](TmainForm& f) { f.TrayIcon.DblClick(); }},
      {"menu", [](TmainForm& f) { f.PPMenu.Choose(f.PPLine); },
       [](TmainForm& f) { f.PPMenu.Choose(f.PPPage); }},
      {"radio buttons", [](TmainForm& f) { f.BtnLine.Click(); },
       [](TmainForm& f) { f.BtnPage.Click(); }},
  };
  settings.wheelScrollLines = kPageScroll;
  store.stored = 2;
  Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings.writes.clear();
    cursor.shown = 0;
    row.toLine(form);
    ExpectLineMirrors();
    EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::WheelScrollLines, 3}}));
    EXPECT_EQ(cursor.shown, 1);
    row.toPage(form);
    ExpectPageMirrors();
    EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::WheelScrollLines, 3},
                                                   {Setting::WheelScrollLines, -1}}));
    EXPECT_EQ(cursor.shown, 2);
    EXPECT_EQ(cursor.depth, 0);
  }
}

// A write waits while every window takes the broadcast, and the tray's next double-click can be
// handled inside it. That click is a change of its own and must be applied in full.
TEST_F(ApplyScrollModeTest, ADoubleClickDuringTheWriteIsAppliedToo) {
  class AnsweringSettings : public FakeSystemSettings {
   public:
    TmainForm* form = nullptr;
    void WriteWheelScrollLines(std::int32_t lines) override {
      FakeSystemSettings::WriteWheelScrollLines(lines);
      if (form != nullptr) std::exchange(form, nullptr)->TrayIconDblClick();
    }
  } system;
  system.wheelScrollLines = kPageScroll;
  TmainForm f{{system, os, cursor, store}, host};
  f.FormCreate({u"/t"});
  system.form = &f;
  f.TrayIconDblClick();  // to line mode; the nested click goes back to page mode
  EXPECT_EQ(f.Mode(), kPageMode);
  EXPECT_TRUE(f.BtnPage.Checked());
  EXPECT_EQ(f.TrayIcon.ImageIndex(), kPageImage);
  EXPECT_EQ(system.wheelScrollLines, kPageScroll);
  f.TrayIconDblClick();
  EXPECT_EQ(system.wheelScrollLines, 3);
}

TEST_F(ApplyScrollModeTest, ChoosingTheModeAlreadySetWritesNothing) {
  settings.wheelScrollLines = kPageScroll;
  Start();
  form.PPMenu.Choose(form.PPPage);
  form.BtnPage.Click();
  ExpectPageMirrors();
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_EQ(cursor.shown, 0);
}

TEST_F(ApplyScrollModeTest, AValueChangedBehindKivsBackIsWrittenBack) {
  settings.wheelScrollLines = 5;
  Start();
  settings.wheelScrollLines = 9;
  form.ComboBoxLine.UserSelect(4);
  EXPECT_EQ(WheelWrites(), (std::vector<Write>{{Setting::WheelScrollLines, 5}}));
}

TEST_F(ApplyScrollModeTest, ChoosingALineCountWritesIt) {
  settings.wheelScrollLines = 5;
  Start();
  form.ComboBoxLine.UserSelect(99);
  form.ComboBoxLine.UserSelect(99);
  EXPECT_EQ(WheelWrites(), (std::vector<Write>{{Setting::WheelScrollLines, 100}}));
  ExpectLineMirrors();
}

TEST_F(ApplyScrollModeTest, FlippingTwiceRestoresTheSystemValue) {
  for (std::int32_t start : {kPageScroll, 1, 7, 100}) {
    SCOPED_TRACE(start);
    FakeSystemSettings system;
    system.wheelScrollLines = start;
    FakeLinePositionStore remembered;
    remembered.stored = 41;
    TmainForm f{{system, os, cursor, remembered}, host};
    f.FormCreate({u"/t"});
    f.TrayIconDblClick();
    EXPECT_NE(system.wheelScrollLines, start);
    f.TrayIconDblClick();
    EXPECT_EQ(system.wheelScrollLines, start);
  }
}

// Zero lines per notch would stop the wheel: without a chosen line count, line mode keeps the
// system's own count or falls back to three lines.
TEST_F(ApplyScrollModeTest, LineModeWithoutALineCountNeverWritesZero) {
  struct Row {
    std::int32_t system;
    std::int32_t remembered;
    std::optional<std::int32_t> afterToggle;
  };
  const std::vector<Row> rows = {
      {150, 2, kPageScroll},  // start keeps 150; the toggle goes to page mode
      {kPageScroll, -1, 3},   // remembered "nothing selected"
      {kPageScroll, 150, 3},  // remembered value outside the list
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.system);
    FakeSystemSettings system;
    system.wheelScrollLines = row.system;
    FakeLinePositionStore remembered;
    remembered.stored = row.remembered;
    TmainForm f{{system, os, cursor, remembered}, host};
    f.FormCreate({u"/t"});
    EXPECT_TRUE(system.writes.empty());
    f.TrayIconDblClick();
    EXPECT_EQ(system.wheelScrollLines, row.afterToggle);
    for (const Write& w : system.writes) EXPECT_NE(w.value, 0);
  }
}

TEST_F(ApplyScrollModeTest, AnUnreadableValueIsWrittenAsChosen) {
  settings.wheelScrollLines = std::nullopt;
  form.FormCreate({u"/t"});
  EXPECT_EQ(form.ComboBoxLine.ItemIndex(), -1);
  EXPECT_TRUE(settings.writes.empty());
  form.BtnPage.Click();
  EXPECT_EQ(WheelWrites(), (std::vector<Write>{{Setting::WheelScrollLines, -1}}));
}

}  // namespace
}  // namespace kiv::test
