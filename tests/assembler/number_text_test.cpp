#include "assembler/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zar {
namespace {

constexpr std::nullopt_t None = std::nullopt;

struct WholeCase {
  const char* text;
  std::optional<NumberValue> value;  // None: not a number
};

void PrintTo(const WholeCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class WholeNumber : public testing::TestWithParam<WholeCase> {};

TEST_P(WholeNumber, ReadsOnlyTextsThatAreEntirelyANumber) {
  const WholeCase& c = GetParam();
  EXPECT_EQ(ReadWholeNumber(c.text), c.value) << "text '" << c.text << "'";
  // Whatever reads wholly as a number reads the same as a leading number.
  if (c.value) {
    EXPECT_EQ(ReadLeadingNumber(c.text), *c.value) << "text '" << c.text << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(Decimal, WholeNumber,
                         testing::Values(WholeCase{"0", 0}, WholeCase{"42", 42}, WholeCase{"007", 7},
                                         WholeCase{"-1", -1}, WholeCase{"+5", 5}, WholeCase{"-0", 0},
                                         WholeCase{"  12  ", 12}, WholeCase{" -3", -3},
                                         WholeCase{"0000000000000000000000000005", 5}, WholeCase{"", None},
                                         WholeCase{"   ", None}, WholeCase{"abc", None}, WholeCase{"12abc", None},
                                         WholeCase{"1 2", None}, WholeCase{"- 5", None}, WholeCase{"+-5", None},
                                         WholeCase{"--5", None}, WholeCase{"5-", None}, WholeCase{"-", None},
                                         WholeCase{"?", None}, WholeCase{"0x10", None}));

INSTANTIATE_TEST_SUITE_P(Hexadecimal, WholeNumber,
                         testing::Values(WholeCase{"&HFF", 255}, WholeCase{"&Hff", 255}, WholeCase{"&H1f", 31},
                                         WholeCase{" &H10 ", 16}, WholeCase{"&H0", 0}, WholeCase{"&HFFFF", 65535},
                                         WholeCase{"&h10", None}, WholeCase{"&H", None}, WholeCase{"&H 1", None},
                                         WholeCase{"+&H1", None}, WholeCase{"-&H1", None}, WholeCase{"&HG", None},
                                         WholeCase{"&H1G", None}, WholeCase{"&H-1", None}));

INSTANTIATE_TEST_SUITE_P(TabsFractionsExponents, WholeNumber,
                         testing::Values(WholeCase{"\t5", None}, WholeCase{"5\t", None}, WholeCase{"1.5", None},
                                         WholeCase{"1.", None}, WholeCase{".5", None}, WholeCase{"1e3", None},
                                         WholeCase{"1E3", None}, WholeCase{"1d2", None}));

struct LeadingCase {
  const char* text;
  NumberValue value;
};

void PrintTo(const LeadingCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class LeadingNumber : public testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumber, ReadsTheNumberAtTheStartOrZero) {
  const LeadingCase& c = GetParam();
  EXPECT_EQ(ReadLeadingNumber(c.text), c.value) << "text '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingNumber,
                         testing::Values(LeadingCase{"12abc", 12}, LeadingCase{"abc", 0}, LeadingCase{"", 0},
                                         LeadingCase{"   ", 0}, LeadingCase{"  7x", 7}, LeadingCase{"-3 apples", -3},
                                         LeadingCase{"+4,", 4}, LeadingCase{"007", 7}, LeadingCase{"1 2", 1},
                                         LeadingCase{"&H1Fzz", 31}, LeadingCase{" &Hff ", 255}, LeadingCase{"&hFF", 0},
                                         LeadingCase{"+&H1", 0}, LeadingCase{"&H", 0}, LeadingCase{"\t9", 0},
                                         LeadingCase{"- 5", 0}, LeadingCase{"1.9", 1}, LeadingCase{"-1.9", -1},
                                         LeadingCase{"2e5", 2}));

TEST(HugeNumbers, StayNumbersAndSaturateInsteadOfWrapping) {
  const std::string nines(1000, '9');
  for (const std::string& text : {nines, std::string("99999999999999999999999"), std::string("18446744073709551617"),
                                  std::string("&HFFFFFFFFFFFFFFFFFFFFFFFF"), std::string("&H10000000000000001")}) {
    EXPECT_EQ(ReadWholeNumber(text), NumberLimit) << text;
    EXPECT_EQ(ReadLeadingNumber(text + "x"), NumberLimit) << text;
  }
  EXPECT_EQ(ReadWholeNumber("-" + nines), -NumberLimit);
  EXPECT_EQ(ReadWholeNumber("-18446744073709551615"), -NumberLimit);
  EXPECT_EQ(ReadLeadingNumber(" -18446744073709551615abc"), -NumberLimit);
}

TEST(HugeNumbers, ValuesBelowTheLimitAreExact) {
  EXPECT_EQ(ReadWholeNumber("4294967297"), 4294967297);  // 2^32 + 1 keeps its value
  EXPECT_EQ(ReadWholeNumber("65537"), 65537);
  EXPECT_EQ(ReadWholeNumber("-65536"), -65536);
  EXPECT_EQ(ReadWholeNumber("&H100000001"), 4294967297);
  EXPECT_GT(NumberLimit, 255 + 256);  // saturated values can never land in a cell's range
}

}  // namespace
}  // namespace zar
