#include <gtest/gtest.h>

#include "controls/RadioButton.h"

namespace kiv::test {
namespace {

// The logic sets the buttons from code while it applies a mode; only the user's click may start
// an apply, or every apply would run twice.
TEST(RadioButtonTest, OnlyAClickThatChecksRunsTheHandler) {
  struct Row {
    const char* name;
    void (*act)(RadioButton& page, RadioButton& line);
    bool pageChecked;
    int pageClicks;
  };
  const Row rows[] = {
      {"set from code", [](RadioButton& page, RadioButton&) { page.SetChecked(true); }, true, 0},
      {"clicked", [](RadioButton& page, RadioButton&) { page.Click(); }, true, 1},
      {"clicked when checked",
       [](RadioButton& page, RadioButton&) {
         page.SetChecked(true);
         page.Click();
       },
       true, 0},
      {"partner clicked",
       [](RadioButton& page, RadioButton& line) {
         page.SetChecked(true);
         line.Click();
       },
       false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RadioButton page{u"page"};
    RadioButton line{u"line"};
    page.PairWith(line);
    int pageClicks = 0;
    int lineClicks = 0;
    page.OnClick = [&] { ++pageClicks; };
    line.OnClick = [&] { ++lineClicks; };
    row.act(page, line);
    EXPECT_EQ(page.Checked(), row.pageChecked);
    EXPECT_EQ(line.Checked(), !row.pageChecked);
    EXPECT_EQ(pageClicks, row.pageClicks);
    EXPECT_EQ(lineClicks, row.pageChecked ? 0 : 1);
  }
}

}  // namespace
}  // namespace kiv::test
