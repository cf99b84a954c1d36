// The folders the Linux desktop-tool launcher searches: never the current directory.
#include "platform/linux/search_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PathCase {
  std::string path;
  std::vector<std::string> folders;
};

class SearchFoldersTest : public testing::TestWithParam<PathCase> {};

TEST_P(SearchFoldersTest, KeepsOnlyAbsoluteEntriesInOrder) {
  EXPECT_EQ(linuxp::SearchFolders(GetParam().path), GetParam().folders);
}

INSTANTIATE_TEST_SUITE_P(
    PathValues, SearchFoldersTest,
    testing::Values(PathCase{"/usr/local/bin:/usr/bin:/bin", {"/usr/local/bin", "/usr/bin", "/bin"}},
                    PathCase{".:/usr/bin", {"/usr/bin"}}, PathCase{"/usr/bin:.", {"/usr/bin"}},
                    // Empty entries, leading, doubled or trailing, mean the current directory too.
                    PathCase{":/usr/bin", {"/usr/bin"}}, PathCase{"/usr/bin::/bin", {"/usr/bin", "/bin"}},
                    PathCase{"/usr/bin:", {"/usr/bin"}},
                    PathCase{"bin:./tools:../x:~/bin:/opt/tool bin", {"/opt/tool bin"}}, PathCase{"", {}},
                    PathCase{".", {}}, PathCase{"/", {"/"}}));

}  // namespace
