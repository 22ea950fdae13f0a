#include "src/options/long_options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillfen {
namespace {

// quillfen's own option string, -V included.
constexpr std::u32string_view kOptionString = U"hf:s:ueE:MV";

struct LongOptionCase {
  std::string name;
  std::vector<std::u32string> arguments;  // after the program name
  std::vector<std::u32string> expected;
};

class LongOptionsTest : public testing::TestWithParam<LongOptionCase> {};

TEST_P(LongOptionsTest, ReplacesOnlyAtOptionPositions) {
  const LongOptionCase& c = GetParam();
  std::vector<std::u32string> arguments = {U"quillfen"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  std::vector<std::u32string> expected = {U"quillfen"};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  EXPECT_EQ(with_long_options_as_short(arguments, kOptionString), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongOptionsTest,
    testing::Values(
        LongOptionCase{"Nothing", {}, {}}, LongOptionCase{"Help", {U"--help"}, {U"-h"}},
        LongOptionCase{"Version", {U"--version"}, {U"-V"}},
        LongOptionCase{
            "AfterOptions", {U"-s", U"dcf77", U"-ue", U"--help"}, {U"-s", U"dcf77", U"-ue", U"-h"}},
        LongOptionCase{"Both", {U"--version", U"-u", U"--help"}, {U"-V", U"-u", U"-h"}},
        LongOptionCase{"Twice", {U"--help", U"--help"}, {U"-h", U"-h"}},
        // An option argument is taken whole, whatever it looks like.
        LongOptionCase{"DetachedArgument", {U"-f", U"--help"}, {U"-f", U"--help"}},
        LongOptionCase{"ArgumentAfterCluster", {U"-uf", U"--version"}, {U"-uf", U"--version"}},
        LongOptionCase{"SpikeLimitArgument", {U"-E", U"--help"}, {U"-E", U"--help"}},
        LongOptionCase{"AfterAttachedArgument", {U"-sf", U"--help"}, {U"-sf", U"-h"}},
        // The end of the options: nothing after it is an option.
        LongOptionCase{"AfterDoubleDash", {U"--", U"--help"}, {U"--", U"--help"}},
        LongOptionCase{"AfterOperand", {U"name", U"--version"}, {U"name", U"--version"}},
        LongOptionCase{"AfterLoneDash", {U"-", U"--help"}, {U"-", U"--help"}},
        LongOptionCase{"AfterEmptyArgument", {U"", U"--help"}, {U"", U"--help"}},
        // Only the two exact words are long options.
        LongOptionCase{"OtherWords", {U"--x"}, {U"--x"}},
        LongOptionCase{"Prefix", {U"--hel"}, {U"--hel"}},
        LongOptionCase{"WithValue", {U"--help=x"}, {U"--help=x"}},
        LongOptionCase{"UpperCase", {U"--HELP"}, {U"--HELP"}},
        LongOptionCase{"InCluster", {U"-u--help"}, {U"-u--help"}},
        // The run ends at the first parser error; nothing after it changes.
        LongOptionCase{"AfterUnknownOption", {U"-x", U"--help"}, {U"-x", U"--help"}},
        LongOptionCase{
            "BeforeUnknownOption", {U"--help", U"-x", U"--version"}, {U"-h", U"-x", U"--version"}},
        LongOptionCase{"AfterOtherLongWord", {U"--hel", U"--help"}, {U"--hel", U"--help"}}),
    [](const auto& info) { return info.param.name; });

TEST(LongOptions, EveryPositionOfALongList) {
  // "-f --version --version" repeated: the first of each pair is the file
  // name, the second an option.
  std::vector<std::u32string> arguments = {U"quillfen"};
  std::vector<std::u32string> expected = {U"quillfen"};
  for (int i = 0; i < 20000; ++i) {
    arguments.insert(arguments.end(), {U"-f", U"--version", U"--version"});
    expected.insert(expected.end(), {U"-f", U"--version", U"-V"});
  }
  EXPECT_EQ(with_long_options_as_short(arguments, kOptionString), expected);
}

TEST(LongOptions, ProgramNameIsNeverAnOption) {
  const std::vector<std::u32string> arguments = {U"--help", U"--version"};
  EXPECT_EQ(with_long_options_as_short(arguments, kOptionString),
            (std::vector<std::u32string>{U"--help", U"-V"}));
}

}  // namespace
}  // namespace quillfen
