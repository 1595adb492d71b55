#include <gtest/gtest.h>

#include "MainFormFixture.h"

namespace kiv::test {
namespace {

using ApplySpeedTest = MainFormFixture;

TEST_F(ApplySpeedTest, WritesOnlyADifferentSpeedButAlwaysShowsTheWaitCursor) {
  settings.pointerSpeed = 7;
  Start();
  form.ComboBoxSpeed.UserSelect(6);
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_EQ(cursor.shown, 1);
  form.ComboBoxSpeed.UserSelect(19);
  EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::PointerSpeed, 20}}));
  EXPECT_EQ(cursor.shown, 2);
  EXPECT_EQ(cursor.depth, 0);
}

TEST_F(ApplySpeedTest, ASpeedOutsideTheListOrUnreadableLeavesNoSelection) {
  for (std::optional<std::int32_t> speed :
       {std::optional<std::int32_t>{0}, std::optional<std::int32_t>{21},
        std::optional<std::int32_t>{}}) {
    FakeSystemSettings system;
    system.pointerSpeed = speed;
    TmainForm f{{system, os, cursor, store}, host};
    f.FormCreate({u"/t"});
    EXPECT_EQ(f.ComboBoxSpeed.ItemIndex(), -1);
    EXPECT_EQ(f.ComboBoxSpeed.Items().size(), 20u);
  }
}

class ApplyNoActiveTest : public MainFormFixture {};

TEST_F(ApplyNoActiveTest, WritesOnlyWhenTheWishDiffersFromTheSystem) {
  struct Row {
    std::int32_t routing;
    bool check;
    std::vector<std::int32_t> written;
  };
  const std::vector<Row> rows = {
      {2, false, {0}},  // on → off
      {0, true, {2}},   // off → on
      {1, true, {2}},   // hybrid counts as off
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.routing);
    FakeSystemSettings system;
    system.wheelRouting = row.routing;
    TmainForm f{{system, os, cursor, store}, host};
    f.FormCreate({u"/t"});
    EXPECT_EQ(f.CHKNoActive.Checked(), row.routing == 2);
    EXPECT_EQ(f.PPNoActive.Checked(), row.routing == 2);
    EXPECT_TRUE(system.writes.empty());
    f.CHKNoActive.SetChecked(row.check);
    std::vector<std::int32_t> written;
    for (const auto& w : system.writes) written.push_back(w.value);
    EXPECT_EQ(written, row.written);
    EXPECT_EQ(f.PPNoActive.Checked(), row.check);
  }
}

TEST_F(ApplyNoActiveTest, HybridRoutingStaysWhileTheBoxIsClear) {
  settings.wheelRouting = 1;
  Start();
  form.CHKNoActiveClick();
  EXPECT_TRUE(settings.writes.empty());
  EXPECT_EQ(cursor.shown, 0);
}

TEST_F(ApplyNoActiveTest, TheMenuItemDrivesTheCheckBox) {
  settings.wheelRouting = 0;
  Start();
  form.PPMenu.Choose(form.PPNoActive);
  EXPECT_TRUE(form.CHKNoActive.Checked());
  EXPECT_TRUE(form.PPNoActive.Checked());
  EXPECT_EQ(settings.writes, (std::vector<Write>{{Setting::WheelRouting, 2}}));
}

// The setting is offered only on Windows 10/11 and only while it can be read; otherwise it is
// never read or written and both controls are disabled and clear.
TEST_F(ApplyNoActiveTest, NotOfferedWithoutWindows10OrAReadableValue) {
  struct Row {
    std::uint32_t major;
    std::optional<std::int32_t> routing;
  };
  for (const Row& row : {Row{6, 2}, Row{11, 2}, Row{10, std::nullopt}}) {
    SCOPED_TRACE(row.major);
    FakeSystemSettings system;
    system.wheelRouting = row.routing;
    FakeOsVersion version;
    version.major = row.major;
    TmainForm f{{system, version, cursor, store}, host};
    f.FormCreate({u"/t"});
    EXPECT_FALSE(f.GroupBoxNoActive.Enabled());
    EXPECT_FALSE(f.PPNoActive.Enabled());
    EXPECT_FALSE(f.CHKNoActive.Checked());
    EXPECT_FALSE(f.PPNoActive.Checked());
    f.PPMenu.Choose(f.PPNoActive);
    EXPECT_FALSE(f.CHKNoActive.Checked());
    f.CHKNoActive.SetChecked(true);
    EXPECT_TRUE(system.writes.empty());
  }
}

}  // namespace
}  // namespace kiv::test
