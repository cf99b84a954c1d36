// The command-line text the Windows build hands to the program: what follows the program path.
#include "platform/win32/command_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TailCase {
  std::u16string line;
  std::u16string tail;
};

class CommandTailTest : public testing::TestWithParam<TailCase> {};

TEST_P(CommandTailTest, SkipsTheProgramPathAndOneBlank) {
  EXPECT_EQ(win32::CommandTail(std::u16string_view(GetParam().line)), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, CommandTailTest,
    testing::Values(TailCase{u"Velmora.exe", u""}, TailCase{u"Velmora.exe ", u""},
                    TailCase{u"Velmora.exe /s 800,600,32", u"/s 800,600,32"},
                    TailCase{u"C:\\Tools\\Velmora.exe  /s 800,600,32", u" /s 800,600,32"},
                    TailCase{u"\"C:\\Program Files\\Velmora\\Velmora.exe\" /s 1,2,3", u"/s 1,2,3"},
                    TailCase{u"\"C:\\Program Files\\Velmora\\Velmora.exe\"/s 1,2,3", u"/s 1,2,3"},
                    TailCase{u"\"C:\\Program Files\\Velmora\\Velmora.exe\"", u""},
                    TailCase{u"\"C:\\no closing quote /s 1,2,3", u""},
                    TailCase{u"Velmora.exe\t/s 1,2,3", u"/s 1,2,3"},
                    TailCase{u"Velmora.exe /s \"1024,768,16\" ", u"/s \"1024,768,16\" "},
                    TailCase{u"", u""}));

}  // namespace
