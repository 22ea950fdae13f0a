#include "src/lib/gzip_hint.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quillfen {
namespace {

TEST(StartsWithGzipMagic, NeedsBothBytesInOrder) {
  using namespace std::string_literals;
  EXPECT_TRUE(starts_with_gzip_magic("\x1f\x8b"));
  EXPECT_TRUE(starts_with_gzip_magic("\x1f\x8b\x08\x00"s));
  EXPECT_FALSE(starts_with_gzip_magic(""));
  EXPECT_FALSE(starts_with_gzip_magic("\x1f"));
  EXPECT_FALSE(starts_with_gzip_magic("\x8b\x1f"));
  EXPECT_FALSE(starts_with_gzip_magic("\x1f\x8c"));
  EXPECT_FALSE(starts_with_gzip_magic(" \x1f\x8b"));
  // bzip2, xz and zstd are other formats.
  EXPECT_FALSE(starts_with_gzip_magic("BZh9"));
  EXPECT_FALSE(starts_with_gzip_magic("\xfd\x37\x7a\x58\x5a"));
  EXPECT_FALSE(starts_with_gzip_magic("\x28\xb5\x2f\xfd"));
}

TEST(GzipHint, NamesTheFileAsTheShellReadsIt) {
  const std::string before = "hint: the file looks gzip-compressed; try: zcat ";
  const std::string after = " | quillfen \xe2\x80\xa6 -f -\n";
  const struct {
    std::string name;
    std::string word;
  } cases[] = {
      {"dcf77.log.gz", "dcf77.log.gz"},
      {"/var/log/mossbell/2026-03-14.log.gz", "/var/log/mossbell/2026-03-14.log.gz"},
      {"-", "-"},
      {"-x.gz", "./-x.gz"},
      {"my log.gz", "'my log.gz'"},
      {"it's.gz", "'it'\\''s.gz'"},
      {"$HOME/*.gz", "'$HOME/*.gz'"},
      {"caf\xc3\xa9.gz", "'caf\xc3\xa9.gz'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gzip_hint(c.name), before + c.word + after) << c.name;
  }
}

}  // namespace
}  // namespace quillfen
