#include "src/options/option_parser.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "src/lib/utf8.hpp"

namespace quillfen {

// Readable failure output for the result values.
void PrintTo(const EndOfOptions&, std::ostream* os) { *os << "end"; }
void PrintTo(const ParsedOption& o, std::ostream* os) {
  *os << character_literal(o.letter);
  if (o.argument) *os << " with \"" << *o.argument << "\"";
}
void PrintTo(const Error& e, std::ostream* os) { *os << debug_form(e); }

namespace {

constexpr std::u32string_view kOptionString = U"hf:s:ueE:M";

ParsedOption opt(char32_t letter) { return ParsedOption{letter, std::nullopt}; }
ParsedOption opt(char32_t letter, std::string argument) {
  return ParsedOption{letter, std::move(argument)};
}
Error unknown(char32_t c) { return Error{c, OptionErrorKind::UnknownOption}; }
Error missing(char32_t c) { return Error{c, OptionErrorKind::MissingArgument}; }
constexpr EndOfOptions kEnd;

struct ParserCase {
  std::string name;
  std::vector<std::u32string> arguments;  // without the program name
  std::vector<OptionResult> results;      // one per call of next_option
  std::size_t index_after;                // index() after the last call
};

class OptionParserTest : public testing::TestWithParam<ParserCase> {};

TEST_P(OptionParserTest, YieldsResultsInOrder) {
  const ParserCase& c = GetParam();
  std::vector<std::u32string> arguments = {U"quillfen"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  OptionParser parser(arguments, kOptionString);
  std::vector<OptionResult> results;
  for (std::size_t call = 0; call < c.results.size(); ++call) {
    results.push_back(parser.next_option());
  }
  EXPECT_EQ(results, c.results);
  EXPECT_EQ(parser.index(), c.index_after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionParserTest,
    testing::Values(
        ParserCase{"NoArguments", {}, {kEnd}, 1},
        ParserCase{"SingleFlags",
                   {U"-u", U"-e", U"-M", U"-h"},
                   {opt('u'), opt('e'), opt('M'), opt('h'), kEnd},
                   5},
        ParserCase{"Cluster", {U"-ue"}, {opt('u'), opt('e'), kEnd}, 2},
        ParserCase{"ClusterEndingInOptionWithDetachedArgument",
                   {U"-uef", U"name"},
                   {opt('u'), opt('e'), opt('f', "name"), kEnd},
                   3},
        ParserCase{
            "ClusterWithAttachedArgument", {U"-ufname"}, {opt('u'), opt('f', "name"), kEnd}, 2},
        ParserCase{"AttachedArgument",
                   {U"-fname", U"-E500"},
                   {opt('f', "name"), opt('E', "500"), kEnd},
                   3},
        ParserCase{"DetachedArgument",
                   {U"-f", U"name", U"-E", U"500"},
                   {opt('f', "name"), opt('E', "500"), kEnd},
                   5},
        ParserCase{"AttachedArgumentKeepsEverything", {U"-s-u f:"}, {opt('s', "-u f:"), kEnd}, 2},
        ParserCase{"DetachedArgumentIsTakenWhateverItLooksLike",
                   {U"-f", U"-u", U"-s", U"--", U"-E", U"", U"-M"},
                   {opt('f', "-u"), opt('s', "--"), opt('E', ""), opt('M'), kEnd},
                   8},
        ParserCase{"LaterOptionsRepeat",
                   {U"-fa", U"-fb", U"-MM"},
                   {opt('f', "a"), opt('f', "b"), opt('M'), opt('M'), kEnd},
                   4},
        ParserCase{"DoubleDashEndsAndIsSkipped", {U"--", U"-u"}, {kEnd}, 2},
        ParserCase{"DoubleDashAfterOptions", {U"-u", U"--", U"-e"}, {opt('u'), kEnd}, 3},
        ParserCase{"LoneDashEndsAndStays", {U"-", U"-u"}, {kEnd}, 1},
        ParserCase{"EmptyArgumentEndsAndStays", {U"", U"-u"}, {kEnd}, 1},
        ParserCase{"OperandEndsAndStays",
                   {U"-s", U"dcf77", U"file.log", U"-f", U"x"},
                   {opt('s', "dcf77"), kEnd},
                   3},
        ParserCase{"EndIsRepeated", {U"-u", U"name"}, {opt('u'), kEnd, kEnd}, 2},
        ParserCase{"MissingArgumentAtTheEnd", {U"-f"}, {missing('f')}, 2},
        ParserCase{"MissingArgumentAfterCluster", {U"-uf"}, {opt('u'), missing('f')}, 2},
        ParserCase{"MissingArgumentOfE", {U"-u", U"-E"}, {opt('u'), missing('E')}, 3},
        ParserCase{"UnknownOption", {U"-x"}, {unknown('x')}, 2},
        // After an error in a cluster the parser can go on with the rest of it.
        ParserCase{"UnknownInsideCluster", {U"-uqe"}, {opt('u'), unknown('q'), opt('e'), kEnd}, 2},
        ParserCase{"HelpThenUnknown", {U"-h", U"-x"}, {opt('h'), unknown('x')}, 3},
        ParserCase{"ColonIsNoOption", {U"-:"}, {unknown(':')}, 2},
        ParserCase{"LongOptionFailsOnSecondDash",
                   {U"--help"},
                   {unknown('-'), opt('h'), opt('e'), unknown('l'), unknown('p'), kEnd},
                   2},
        ParserCase{"UppercaseIsAnotherLetter", {U"-H", U"-m"}, {unknown('H')}, 2},
        // One character, not one byte of it.
        ParserCase{"AccentedLetterCulprit", {U"-\u00E9u"}, {unknown(U'\u00E9'), opt('u')}, 2},
        ParserCase{"CombiningMarkCulprit", {U"-u\u0301"}, {opt('u'), unknown(U'\u0301')}, 2},
        ParserCase{"AstralCulprit", {U"-\U0001F4FB"}, {unknown(U'\U0001F4FB')}, 2},
        ParserCase{"ControlCharacterCulprit", {U"-\x07"}, {unknown(U'\x07')}, 2},
        ParserCase{"NonAsciiArgumentComesBackAsUtf8",
                   {U"-s\u00C9t\u00E9", U"-f", U"\u20AC.log"},
                   {opt('s', "\xC3\x89t\xC3\xA9"), opt('f', "\xE2\x82\xAC.log"), kEnd},
                   4}),
    [](const testing::TestParamInfo<ParserCase>& info) { return info.param.name; });

TEST(OptionTable, LaterEntryReplacesEarlierAndStrayColonIsALetter) {
  struct Case {
    std::u32string_view option_string;
    std::vector<std::u32string> arguments;
    std::vector<OptionResult> results;
  };
  const Case cases[] = {
      // "a" first takes an argument, then is entered again without one.
      {U"a:a", {U"q", U"-ab"}, {opt('a'), unknown('b')}},
      {U"aa:", {U"q", U"-ab"}, {opt('a', "b")}},
      // A leading colon follows no letter: it is an option without argument.
      {U":a", {U"q", U"-:a"}, {opt(':'), opt('a'), kEnd}},
      // "a::": a takes an argument; the second colon is an option of its own.
      {U"a::", {U"q", U"-:", U"-a"}, {opt(':'), missing('a')}},
      {U"", {U"q", U"-a"}, {unknown('a')}},
      {U"\u00E9:", {U"q", U"-\u00E9x"}, {opt(U'\u00E9', "x")}},
  };
  for (const Case& c : cases) {
    OptionParser parser(c.arguments, c.option_string);
    std::vector<OptionResult> results;
    for (std::size_t call = 0; call < c.results.size(); ++call) {
      results.push_back(parser.next_option());
    }
    EXPECT_EQ(results, c.results) << encode_utf8(c.option_string);
  }
}

TEST(CharacterLiteral, EscapesByTheCharacterLiteralRules) {
  struct Case {
    char32_t c;
    std::string literal;
  };
  const Case cases[] = {
      {U'x', "'x'"},
      {U'-', "'-'"},
      {U':', "':'"},
      {U' ', "' '"},
      {U'"', "'\"'"},
      {U'\'', "'\\''"},
      {U'\\', "'\\\\'"},
      {U'\t', "'\\t'"},
      {U'\r', "'\\r'"},
      {U'\n', "'\\n'"},
      {U'\0', "'\\0'"},
      {U'\u00E9', "'\xC3\xA9'"},              // é
      {U'\u20AC', "'\xE2\x82\xAC'"},          // €
      {U'\U0001F4FB', "'\xF0\x9F\x93\xBB'"},  // radio
      {U'\u0903', "'\xE0\xA4\x83'"},          // spacing mark (Mc), not Grapheme_Extend
      {0x07, "'\\u{7}'"},                     // Cc
      {0x1B, "'\\u{1b}'"},                    // Cc
      {0x7F, "'\\u{7f}'"},                    // Cc
      {0x85, "'\\u{85}'"},                    // Cc
      {0xA0, "'\\u{a0}'"},                    // Zs
      {0x3000, "'\\u{3000}'"},                // Zs
      {0xAD, "'\\u{ad}'"},                    // Cf
      {0x200B, "'\\u{200b}'"},                // Cf
      {0xFEFF, "'\\u{feff}'"},                // Cf
      {0x2028, "'\\u{2028}'"},                // Zl
      {0x2029, "'\\u{2029}'"},                // Zp
      {0xD800, "'\\u{d800}'"},                // Cs
      {0xE000, "'\\u{e000}'"},                // Co
      {0x10FFFD, "'\\u{10fffd}'"},            // Co
      {0x0378, "'\\u{378}'"},                 // Cn
      {0x10FFFF, "'\\u{10ffff}'"},            // Cn
      {0x0301, "'\\u{301}'"},                 // combining acute accent (Mn)
      {0x200D, "'\\u{200d}'"},                // zero width joiner
      {0xFF9E, "'\\u{ff9e}'"},                // Lm, yet Grapheme_Extend
      {0xE0100, "'\\u{e0100}'"},              // variation selector (Mn)
  };
  for (const Case& c : cases) {
    EXPECT_EQ(character_literal(c.c), c.literal) << "U+" << std::hex << std::uint32_t{c.c};
  }
}

TEST(Error, MessageAndDebugForms) {
  struct Case {
    Error error;
    std::string message;
    std::string debug;
  };
  const Case cases[] = {
      {missing('f'), "option requires an argument -- 'f'",
       "Error { culprit: 'f', kind: MissingArgument }"},
      {unknown('x'), "unknown option -- 'x'", "Error { culprit: 'x', kind: UnknownOption }"},
      {unknown(U'\u00E9'), "unknown option -- '\xC3\xA9'",
       "Error { culprit: '\xC3\xA9', kind: UnknownOption }"},
      {unknown(0x301), "unknown option -- '\\u{301}'",
       "Error { culprit: '\\u{301}', kind: UnknownOption }"},
      {unknown(0x07), "unknown option -- '\\u{7}'",
       "Error { culprit: '\\u{7}', kind: UnknownOption }"},
      {unknown('\''), "unknown option -- '\\''", "Error { culprit: '\\'', kind: UnknownOption }"},
      {unknown('\\'), "unknown option -- '\\\\'", "Error { culprit: '\\\\', kind: UnknownOption }"},
      {unknown('"'), "unknown option -- '\"'", "Error { culprit: '\"', kind: UnknownOption }"},
      {unknown('\t'), "unknown option -- '\\t'", "Error { culprit: '\\t', kind: UnknownOption }"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(message(c.error), c.message);
    EXPECT_EQ(debug_form(c.error), c.debug);
  }
}

TEST(SplitArguments, SplitsIntoCodePointsOrNamesTheBadArgument) {
  const char* good[] = {"quillfen", "-s", "\xC3\x89t\xC3\xA9", ""};
  const auto split = split_arguments(good);
  ASSERT_TRUE(std::holds_alternative<std::vector<std::u32string>>(split));
  EXPECT_EQ(std::get<std::vector<std::u32string>>(split),
            (std::vector<std::u32string>{U"quillfen", U"-s", U"\u00C9t\u00E9", U""}));

  const char* bad_name[] = {"quill\xff", "-u"};
  const auto name_split = split_arguments(bad_name);
  ASSERT_TRUE(std::holds_alternative<InvalidArgument>(name_split));
  EXPECT_EQ(std::get<InvalidArgument>(name_split).position, 0u);

  const char* bad_later[] = {"quillfen", "-f", "caf\xe9.log", "\xc0\x80"};
  const auto later_split = split_arguments(bad_later);
  ASSERT_TRUE(std::holds_alternative<InvalidArgument>(later_split));
  EXPECT_EQ(std::get<InvalidArgument>(later_split).position, 2u);

  const auto empty = split_arguments({});
  ASSERT_TRUE(std::holds_alternative<std::vector<std::u32string>>(empty));
  EXPECT_TRUE(std::get<std::vector<std::u32string>>(empty).empty());
}

}  // namespace
}  // namespace quillfen
