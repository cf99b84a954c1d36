#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "app/version.h"
#include "fake/form_fixture.h"

namespace {

TEST_F(FormTest, LoadFillsTheLabelsAddsTheIconBuildsTheMenuAndStaysResident) {
  form.Form_Load();
  EXPECT_EQ(form.lblVersion, u"Ver 1.90");
  ASSERT_GE(fake.shell.calls.size(), 2u);
  EXPECT_EQ(fake.shell.calls[0].message, NIM_ADD);
  EXPECT_EQ(fake.shell.calls[0].data[24], 'V');  // added with the program name as tooltip
  EXPECT_EQ(fake.shell.calls[1].message, NIM_MODIFY);
  EXPECT_EQ(Tip(), u"800x600ピクセル 32ビット");
  EXPECT_EQ(fake.shell.VisibleIcons(), 1);
  EXPECT_EQ(Module::CommandBase, 4);
  EXPECT_TRUE(fake.runtime.visibility.empty());  // start-up never shows the window
  EXPECT_TRUE(fake.runtime.boxes.empty());
}

TEST(Version, TheProgramAndItsResourcesShareOneVersion) {
  EXPECT_EQ(kVersionMajor, PROJECT_VERSION_MAJOR);
  EXPECT_EQ(kVersionMinor, PROJECT_VERSION_MINOR);
}

TEST_F(FormTest, NoticeIsThreeIndentedSentencesOnThreeLines) {
  form.Form_Load();
  const std::u16string& text = form.lblCopyright;
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find(u"\r\n", start)) != std::u16string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& line : lines) {
    ASSERT_GE(line.size(), 3u);
    EXPECT_EQ(line.front(), u'\u3000');
    EXPECT_EQ(line.back(), u'\u3002');
    EXPECT_EQ(line.find_first_of(u"\r\n"), std::u16string::npos);
  }
}

struct OriginCase {
  int16_t origin;
  bool unloaded;
};

class CloseRequest : public FormTest, public testing::WithParamInterface<OriginCase> {};

TEST_P(CloseRequest, OnlyTheControlMenuIsRefusedAndItHidesTheWindow) {
  form.Form_Load();
  form.Show();
  EXPECT_EQ(form.Unload(GetParam().origin), GetParam().unloaded);
  EXPECT_FALSE(form.Visible && !GetParam().unloaded);
  EXPECT_EQ(fake.shell.VisibleIcons(), GetParam().unloaded ? 0 : 1);
  EXPECT_EQ(form.HasTray(), !GetParam().unloaded);
}

INSTANTIATE_TEST_SUITE_P(Origins, CloseRequest,
                         testing::Values(OriginCase{0, false}, OriginCase{1, true}, OriginCase{2, true},
                                         OriginCase{3, true}, OriginCase{4, true}));

TEST_F(FormTest, AfterTheCloseBoxAboutShowsTheSameTextsAgainAndTheMenuStillWorks) {
  form.Form_Load();
  form.Show();
  const std::u16string notice = form.lblCopyright;
  form.Unload(vbFormControlMenu);
  EXPECT_FALSE(form.Visible);
  form.mnuDisplayMode_Click(9);
  EXPECT_TRUE(form.Visible);
  EXPECT_EQ(form.lblCopyright, notice);
  form.cmdOK_Click();
  EXPECT_FALSE(form.Visible);
  form.Form_MouseMove(0, 0, 7695, 0);
  EXPECT_EQ(fake.runtime.popups.size(), 1u);
}

TEST_F(FormTest, TaskbarCreatedAddsTheIconAgainFromTheStoredRecord) {
  form.Form_Load();
  const NotifyIconBuffer before = fake.shell.calls.back().data;
  form.TaskbarCreated();
  EXPECT_EQ(fake.shell.calls.back().message, NIM_ADD);
  EXPECT_EQ(fake.shell.calls.back().data, before);  // same owner, id, icon and the current tooltip
}

}  // namespace
