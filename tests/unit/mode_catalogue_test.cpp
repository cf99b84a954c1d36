#include "display/mode_catalogue.h"

#include <gtest/gtest.h>

#include "fake/fake_platform.h"

namespace {

struct Listed {
  int32_t width, height, depth;
};

std::vector<Listed> Catalogue(const std::vector<DisplayModeRecord>& modes, ModeTable* table = nullptr) {
  FakeDisplay display;
  display.modes = modes;
  const ModeTable built = BuildCatalogue(display);
  if (table) *table = built;
  std::vector<Listed> out;
  for (const ModeColumn& c : built) out.push_back({c.width, c.height, c.depth});
  return out;
}

bool operator==(const Listed& a, const Listed& b) {
  return a.width == b.width && a.height == b.height && a.depth == b.depth;
}
void PrintTo(const Listed& l, std::ostream* os) { *os << l.width << "x" << l.height << "x" << l.depth; }

struct CatalogueCase {
  const char* name;
  std::vector<DisplayModeRecord> listed;
  std::vector<Listed> expected;
};

class CatalogueOrder : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueOrder, FiltersMergesAndSorts) { EXPECT_EQ(Catalogue(GetParam().listed), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Catalogue, CatalogueOrder,
    testing::Values(
        CatalogueCase{"FilterDropsLowHeightAndDepthKeepsNarrowWidth",
                      {Mode(640, 400, 8), Mode(800, 600, 4), Mode(320, 480, 8)},
                      {{320, 480, 8}}},
        CatalogueCase{"EqualWidthsKeepTheExchangeTieOrder",
                      {Mode(1280, 1024, 16), Mode(1280, 960, 16), Mode(640, 480, 16)},
                      {{640, 480, 16}, {1280, 960, 16}, {1280, 1024, 16}}},
        CatalogueCase{"MixedDepthsSortByDepthThenWidth",
                      {Mode(640, 480, 8), Mode(800, 600, 8), Mode(640, 480, 16), Mode(1024, 768, 8),
                       Mode(800, 600, 16)},
                      {{640, 480, 8}, {800, 600, 8}, {1024, 768, 8}, {640, 480, 16}, {800, 600, 16}}},
        // Heights are never compared: 1280x1024 stays ahead of 1280x800 after the exchanges.
        CatalogueCase{"DepthPassThenWidthPass",
                      {Mode(1280, 1024, 32), Mode(1280, 720, 8), Mode(1024, 768, 32), Mode(1280, 800, 32)},
                      {{1280, 720, 8}, {1024, 768, 32}, {1280, 1024, 32}, {1280, 800, 32}}},
        CatalogueCase{"NothingUsable", {Mode(640, 400, 8), Mode(800, 600, 4)}, {}},
        CatalogueCase{"NothingListed", {}, {}}),
    [](const testing::TestParamInfo<CatalogueCase>& info) { return std::string(info.param.name); });

TEST(Catalogue, RefreshRatesMergeIntoTheFirstListing) {
  std::vector<DisplayModeRecord> modes = {Mode(640, 480, 8),  Mode(640, 480, 16), Mode(640, 480, 32),
                                          Mode(800, 600, 8),  Mode(800, 600, 32), Mode(800, 600, 16, 60),
                                          Mode(800, 600, 16, 75)};
  ModeTable table;
  Catalogue(modes, &table);
  ASSERT_EQ(table.size(), 6u);
  int found = 0;
  for (const ModeColumn& c : table)
    if (c.width == 800 && c.height == 600 && c.depth == 16) {
      ++found;
      EXPECT_EQ(c.index, 5);
    }
  EXPECT_EQ(found, 1);
}

TEST(Catalogue, EnumeratesUntilTheServiceFailsAndAddsNothingForTheFailingCall) {
  FakeDisplay display;
  display.modes = {Mode(640, 480, 8), Mode(1024, 768, 16)};
  const ModeTable table = BuildCatalogue(display);
  EXPECT_EQ(display.enumerated, (std::vector<int32_t>{0, 1, 2}));
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1].index, 1);
}

TEST(Catalogue, ReusesOneRecordSoTheServiceSeesItAsItLeftIt) {
  // A driver that fills only the mode fields relies on the program not clearing the record.
  class PartialFill : public DisplaySettings {
   public:
    std::vector<uint32_t> frequencySeen;
    int32_t Enumerate(int32_t i, DisplayModeRecord& r) override {
      frequencySeen.push_back(r.dmDisplayFrequency);
      if (i >= 2) return 0;
      r.dmPelsWidth = 640 + 160 * i;
      r.dmPelsHeight = 480;
      r.dmBitsPerPel = 8;
      r.dmDisplayFrequency = 70 + static_cast<uint32_t>(i);
      return 1;
    }
    int32_t Change(DisplayModeRecord&, int32_t) override { return 0; }
  } display;
  const ModeTable table = BuildCatalogue(display);
  EXPECT_EQ(display.frequencySeen, (std::vector<uint32_t>{0, 70, 71}));
  EXPECT_EQ(table.size(), 2u);
}

TEST(RecordLayout, IsTheClassic124ByteDevmode) {
  EXPECT_EQ(sizeof(DisplayModeRecord), 124u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmSize), 36u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmFields), 40u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmLogPixels), 102u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmBitsPerPel), 104u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmPelsWidth), 108u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmPelsHeight), 112u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmDisplayFlags), 116u);
  EXPECT_EQ(offsetof(DisplayModeRecord, dmDisplayFrequency), 120u);
}

}  // namespace
