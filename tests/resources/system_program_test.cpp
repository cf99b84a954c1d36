// Which file the Windows build's launch service starts for a command line: never one that a search
// of the program's own folder or the current directory would find.
#include "platform/win32/system_program.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr char16_t kSystem[] = u"C:\\WINDOWS\\system32";

struct LaunchCase {
  std::u16string line;
  std::optional<std::u16string> application;  // none: refused
  std::u16string commandLine;
};

class SystemProgramTest : public testing::TestWithParam<LaunchCase> {};

TEST_P(SystemProgramTest, NamesTheProgramByItsFullPath) {
  const auto launch = win32::SystemProgram(GetParam().line, kSystem);
  ASSERT_EQ(launch.has_value(), GetParam().application.has_value());
  if (!launch) return;
  EXPECT_EQ(launch->application, *GetParam().application);
  EXPECT_EQ(launch->commandLine, GetParam().commandLine);
}

const std::u16string kControl = u"C:\\WINDOWS\\system32\\Control.exe";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SystemProgramTest,
    testing::Values(
        // A bare name is the system folder's file; the arguments follow as they stand.
        LaunchCase{u"Control.exe Desk.cpl ,3", kControl, u"\"" + kControl + u"\" Desk.cpl ,3"},
        LaunchCase{u"Control.exe", kControl, u"\"" + kControl + u"\""},
        LaunchCase{u"  Control.exe\tDesk.cpl", kControl, u"\"" + kControl + u"\"\tDesk.cpl"},
        LaunchCase{u"\"Control.exe\" Desk.cpl ,3", kControl, u"\"" + kControl + u"\" Desk.cpl ,3"},
        LaunchCase{u"control desk.cpl", u"C:\\WINDOWS\\system32\\control.exe",
                   u"\"C:\\WINDOWS\\system32\\control.exe\" desk.cpl"},
        // A full path stands; one with blanks stays one program.
        LaunchCase{u"\"C:\\Program Files\\Tool\\tool.exe\" /x", u"C:\\Program Files\\Tool\\tool.exe",
                   u"\"C:\\Program Files\\Tool\\tool.exe\" /x"},
        LaunchCase{u"D:/tools/run.com a", u"D:/tools/run.com", u"\"D:/tools/run.com\" a"},
        LaunchCase{u"\\\\server\\share\\tool a", u"\\\\server\\share\\tool.exe",
                   u"\"\\\\server\\share\\tool.exe\" a"},
        // Whatever depends on the current directory or drive is refused.
        LaunchCase{u".\\Control.exe Desk.cpl", std::nullopt, u""},
        LaunchCase{u"sub\\Control.exe", std::nullopt, u""},
        LaunchCase{u"\\Windows\\Control.exe", std::nullopt, u""},
        LaunchCase{u"C:Control.exe", std::nullopt, u""},
        LaunchCase{u"\"C:\\no closing quote.exe a", std::nullopt, u""}, LaunchCase{u"", std::nullopt, u""},
        LaunchCase{u"   ", std::nullopt, u""}, LaunchCase{u"\"\" Desk.cpl", std::nullopt, u""}));

TEST(SystemProgram, ABareNameNeedsTheSystemFolder) {
  EXPECT_FALSE(win32::SystemProgram(u"Control.exe", u"").has_value());
  EXPECT_EQ(win32::SystemProgram(u"Control.exe", u"C:\\")->application, u"C:\\Control.exe");
}

}  // namespace
