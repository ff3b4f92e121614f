// How a pass decides about one name: the match, the skip test and the numbering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text_case.h"
#include "rename/name_rules.h"

namespace zantovel::test {
namespace {

TEST(NameLogicTest, TypeMatchesLowerCasesTheNameOnly) {
  struct Case {
    const char* name;
    const char* type;
    bool matches;
  } cases[] = {
      {"x.tmp", ".tmp", true},
      {"X.TMP", ".tmp", true},
      {"x.tmp", ".TMP", false},  // the type is not lower-cased
      {"xtmp", "tmp", true},
      {"x.tmp", "tmp", true},
      {"x.tmp", "", true},
      {"x.tmp", " *.*", false},
      {"tmp", ".tmp", false},                   // shorter than the type: the whole name is compared
      {"\xC3\x89.TMP", "\xC3\xA9.tmp", true},   // É lower-cases to é
      {"A\xC3\x89.TMP", "\xC3\xA9.tmp", true},  // five characters, not six bytes
      {"\xCE\xA3.TXT", "\xCF\x83.txt", true},   // Greek capital sigma
      {"\xFF\xFE.TMP", ".tmp", true},           // stray bytes do not stop a match
      {"\xFF.TMP", "\xFF.tmp", true},           // and are kept as they are
      {"x\xC3.tmp", "\xC3.tmp", true},          // a lone lead byte is one character
      {"x\xC3\xA9tmp", "\xC3.tmp", false},
      {"ae.tmp", "\xC3\xA9.tmp", false},  // an ASCII name never ends in a character beyond it
      {"X.@[`{", ".@[`{", true},          // only A to Z change case
  };
  for (const Case& c : cases)
    EXPECT_EQ(TypeMatches(c.name, c.type), c.matches) << c.name << " / " << c.type;
}

TEST(NameLogicTest, PassingOverCountsCharactersAndComparesThePrefixExactly) {
  const std::string e = "\xC3\xA9";  // é: two bytes, one character
  std::string twentyE, twentyOneE;
  for (int i = 0; i < 20; ++i) twentyE += e;
  twentyOneE = twentyE + e;
  struct Case {
    std::string name;
    std::string prefix;
    PassOver why;
  } cases[] = {
      {"abcdefghijklmnop.tmp", "a_", PassOver::No},         // 20 characters
      {"abcdefghijklmnopq.tmp", "a_", PassOver::LongName},  // 21
      {twentyE, "a_", PassOver::No},
      {twentyOneE, "a_", PassOver::LongName},
      {std::string(20, '\xFF'), "a_", PassOver::No},
      {std::string(21, '\xFF'), "a_", PassOver::LongName},
      {"a_x.tmp", "a_", PassOver::HasPrefix},
      {"a_abcdefghijklmnopq.tmp", "a_", PassOver::HasPrefix},  // the prefix is told first
      {"A_x.tmp", "a_", PassOver::No},
      {"x.tmp", "", PassOver::HasPrefix},  // every name begins with the empty prefix
      {"x", "xx", PassOver::No},
      {"\xC3\x83x", "\xC3", PassOver::No},  // a stray-byte prefix is not the start of a character
  };
  for (const Case& c : cases) EXPECT_EQ(WhyPassedOver(c.name, c.prefix), c.why) << c.name;
}

TEST(NameLogicTest, NumberingGivesOneOnceAndKeepsTheReplacedPrefix) {
  const std::string fullWidth = "\xEF\xBC\x83";
  struct Case {
    std::string prefix;
    bool allFiles;
    std::vector<std::string> names;
    std::vector<std::string> newNames;
    std::string prefixAfter;
  } cases[] = {
      {"##", false, {"p.tmp", "q.tmp"}, {"001p.tmp", "00q.tmp"}, "00"},
      {"IMG##_", true, {"a", "b", "c"}, {"IMG00_1a", "IMG00_b", "IMG00_c"}, "IMG00_"},
      {"a_", false, {"x"}, {"a_x"}, "a_"},
      {"a#b#", false, {"x"}, {"a0b01x"}, "a0b0"},
      // Only the all-files search takes the full-width sign for "#", and it is never replaced.
      {fullWidth + "a", true, {"x", "y"}, {fullWidth + "a1x", fullWidth + "a1y"}, fullWidth + "a"},
      {fullWidth + "a", false, {"x"}, {fullWidth + "ax"}, fullWidth + "a"},
      {fullWidth + "#", true, {"x", "y"}, {fullWidth + "01x", fullWidth + "01y"}, fullWidth + "0"},
  };
  for (Case& c : cases) {
    std::string prefix = c.prefix;
    for (std::size_t i = 0; i < c.names.size(); ++i)
      EXPECT_EQ(NewFileName(prefix, c.names[i], c.allFiles), c.newNames[i]) << c.prefix;
    EXPECT_EQ(prefix, c.prefixAfter) << c.prefix;
  }
}

// Only a name the program drew itself counts as its temporary: a file of the user's that merely
// begins like one is the user's, and is never removed as a leftover.
TEST(NameLogicTest, TemporaryNamesAreKnownExactly) {
  for (int i = 0; i < 100; ++i) {
    const std::string name = TemporaryName(kCopyStem);
    EXPECT_TRUE(IsTemporaryName(name, kCopyStem)) << name;
    EXPECT_FALSE(IsTemporaryName(name, ".zantovel.ini.")) << name;
  }
  // A pass's own stem begins the names of its temporaries, and of no other pass's.
  const std::string pass = PassTemporaryStem(), other = PassTemporaryStem();
  EXPECT_NE(pass, other);
  EXPECT_EQ(pass.size(), kCopyStem.size() + 8);
  for (const char* name : {
           ".zantovel-copy-0123456789abcdef0c93",  // drawn: 16 digits and their 4-digit check
       }) {
    EXPECT_TRUE(IsTemporaryName(name, kCopyStem)) << name;
  }
  for (const char* name : {
           ".zantovel-copy-backup",                 // the stem alone
           ".zantovel-copy-0123456789abcdef0c94",   // a check that does not hold
           ".zantovel-copy-0123456789abcdefghij",   // no hexadecimal digits
           ".zantovel-copy-0123456789ABCDEF0C93",   // capitals are not drawn
           ".zantovel-copy-0123456789abcdef0c9",    // one short
           ".zantovel-copy-0123456789abcdef0c930",  // one long
           "x.zantovel-copy-0123456789abcdef0c9",   // not at the start
           "Xzantovel-copy-0123456789abcdef0c93",   // another stem, of the same length
       }) {
    EXPECT_FALSE(IsTemporaryName(name, kCopyStem)) << name;
  }
}

}  // namespace
}  // namespace zantovel::test
