#include "app/number_reading.h"

#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/fake_platform.h"

namespace {

struct ReadCase {
  const char* text;
  double value;
};

class Reading : public testing::TestWithParam<ReadCase> {};

TEST_P(Reading, ReadsTheLeadingNumber) { EXPECT_DOUBLE_EQ(ReadNumber(U16(GetParam().text)), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Texts, Reading,
    testing::Values(ReadCase{"1024", 1024}, ReadCase{"", 0}, ReadCase{"abc", 0}, ReadCase{"x12", 0},
                    ReadCase{"768,16", 768}, ReadCase{"16 /x", 16}, ReadCase{"1 6", 16}, ReadCase{" \t\n12\t3", 123},
                    ReadCase{"1\r2", 1}, ReadCase{"+5", 5}, ReadCase{"-1", -1}, ReadCase{"- 7", -7},
                    ReadCase{"1.5.3", 1.5}, ReadCase{".5", 0.5}, ReadCase{"5.", 5}, ReadCase{".", 0},
                    ReadCase{"-", 0}, ReadCase{"1e3", 1000}, ReadCase{"1E+2x", 100}, ReadCase{"25e-1", 2.5},
                    ReadCase{"7e", 7}, ReadCase{"7e-", 7}, ReadCase{"1 e 2", 100}, ReadCase{"&H400", 1024},
                    ReadCase{"&h10", 16}, ReadCase{"&H7FFF", 32767}, ReadCase{"&HFFFF", -1},
                    ReadCase{"&H8000", -32768}, ReadCase{"&H10000", 65536}, ReadCase{"&HFFFFFFFF", -1},
                    ReadCase{"&HG", 0}, ReadCase{"&H1G", 1}, ReadCase{"&O20", 16}, ReadCase{"&o777", 511},
                    ReadCase{"&O8", 0}, ReadCase{"& H10", 16}, ReadCase{"&X1", 0}, ReadCase{"&", 0},
                    ReadCase{"\"1024\"", 0}, ReadCase{"１０２４", 0}, ReadCase{"1e-400", 0}));

TEST(Reading, BeyondADoubleIsAnOverflow) {
  for (const char* text : {"1e400", "&H100000000"}) {
    try {
      ReadNumber(U16(text));
      ADD_FAILURE() << text;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), 6) << text;
    }
  }
}

struct IntegerCase {
  const char* text;
  int32_t value;  // > 32767 means error 6
};

class Integer : public testing::TestWithParam<IntegerCase> {};

TEST_P(Integer, RoundsHalfToEvenWithinSixteenBits) {
  if (GetParam().value > 32767) {
    try {
      ReadInteger(U16(GetParam().text));
      FAIL() << "no overflow";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), 6);
      EXPECT_EQ(e.Source(), u"Velmora");
      EXPECT_FALSE(e.Description().empty());
    }
  } else {
    EXPECT_EQ(ReadInteger(U16(GetParam().text)), GetParam().value);
  }
}

constexpr int32_t kOverflow = 99999;

INSTANTIATE_TEST_SUITE_P(
    Texts, Integer,
    testing::Values(IntegerCase{"1023.5", 1024}, IntegerCase{"1024.5", 1024}, IntegerCase{"1024.6", 1025},
                    IntegerCase{"0.5", 0}, IntegerCase{"1.5", 2}, IntegerCase{"2.5", 2}, IntegerCase{"-2.5", -2},
                    IntegerCase{"-3.5", -4}, IntegerCase{"32767", 32767}, IntegerCase{"32767.4", 32767},
                    IntegerCase{"32767.5", kOverflow}, IntegerCase{"32768", kOverflow},
                    IntegerCase{"-32768", -32768}, IntegerCase{"-32768.5", -32768},
                    IntegerCase{"-32768.51", kOverflow}, IntegerCase{"-32769", kOverflow},
                    IntegerCase{"40000", kOverflow}, IntegerCase{"&H10000", kOverflow}, IntegerCase{"&HFFFF", -1},
                    IntegerCase{"3.2767e4", 32767}, IntegerCase{"1e5", kOverflow}));

TEST(Integer, AHundredThousandDigitsOverflowInsteadOfCrashing) {
  EXPECT_THROW(ReadInteger(std::u16string(100000, u'9')), RuntimeError);
  EXPECT_EQ(ReadInteger(u"0." + std::u16string(100000, u'9')), 1);
}

}  // namespace
