#include "platform/profile/file_profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "platform/lower_case.h"
#include "test_support.h"

namespace morumoru::platform {
namespace {

namespace fs = std::filesystem;

fs::path FromUtf8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string ToUtf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Each test gets its own folder under the system's temporary folder.
class FileProfileTest : public ::testing::Test {
 protected:
  std::string PathOf(std::string_view name) { return ToUtf8(folder_ / FromUtf8(name)); }
  void Put(std::string_view name, std::string_view content) {
    std::ofstream(FromUtf8(PathOf(name)), std::ios::binary) << content;
  }
  std::string Get(std::string_view name) {
    std::ifstream in(FromUtf8(PathOf(name)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::optional<std::string> ReadFrom(std::string_view content, std::string_view section,
                                      std::string_view key) {
    Put("read.ini", content);
    return profile_.Read(PathOf("read.ini"), section, key);
  }
  // Writes speed=5 into [moruscr] of `before` and returns the file afterwards.
  std::string WriteSpeedInto(std::string_view before) {
    Put("write.ini", before);
    EXPECT_TRUE(profile_.Write(PathOf("write.ini"), "moruscr", "speed", "5"));
    return Get("write.ini");
  }
  size_t FilesInFolder() {
    return std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
  }

  test_support::TemporaryFolder temporary_{"morumoru-settings"};
  const fs::path& folder_ = temporary_.path();
  FileProfile profile_;
};

TEST_F(FileProfileTest, NamesMatchWithoutAsciiCaseAndBlanksAreDropped) {
  EXPECT_EQ(ReadFrom("[MoruScr]\nSPEED=3\n", "moruscr", "speed"), "3");
  EXPECT_EQ(ReadFrom("  [ moruscr ] \t\n \t speed \t=\t 3 x \t\n", "moruscr", "speed"), "3 x");
  EXPECT_EQ(ReadFrom("[moruscr]\nspeed=\n", "moruscr", "speed"), "");
}

// The one fold every name match shares: A to Z only, no bit tricks that would
// pair '@' with '`' or '[' with '{', and other letters exactly.
TEST(SameIgnoringAsciiCaseTest, FoldsOnlyAToZ) {
  using morumoru::platform::SameIgnoringAsciiCase;
  EXPECT_TRUE(SameIgnoringAsciiCase("MoruScr", "moruSCR"));
  EXPECT_TRUE(SameIgnoringAsciiCase("", ""));
  EXPECT_FALSE(SameIgnoringAsciiCase("moruscr", "moruscr "));
  EXPECT_FALSE(SameIgnoringAsciiCase("@", "`"));
  EXPECT_FALSE(SameIgnoringAsciiCase("[", "{"));
  EXPECT_FALSE(SameIgnoringAsciiCase("Äa", "äa"));
  EXPECT_TRUE(SameIgnoringAsciiCase("Äa", "ÄA"));
}

TEST_F(FileProfileTest, MatchingQuotesAreRemoved) {
  const char* file = "[q]\na=\"x y\"\nb='z'\nc=\"mixed'\nd=\"\ne=\" padded \"\n";
  EXPECT_EQ(ReadFrom(file, "q", "a"), "x y");
  EXPECT_EQ(ReadFrom(file, "q", "b"), "z");
  EXPECT_EQ(ReadFrom(file, "q", "c"), "\"mixed'");
  EXPECT_EQ(ReadFrom(file, "q", "d"), "\"");
  EXPECT_EQ(ReadFrom(file, "q", "e"), " padded ");
}

TEST_F(FileProfileTest, LineEndsMarkOrderMarkAndComments) {
  EXPECT_EQ(ReadFrom("[m]\r\nspeed=1\r\npower=2\r\n", "m", "power"), "2");
  EXPECT_EQ(ReadFrom("[m]\nspeed=1\npower=2", "m", "power"), "2");
  EXPECT_EQ(ReadFrom("\xEF\xBB\xBF[m]\r\nspeed=1\r\n", "m", "speed"), "1");
  // Comments and lines without '=' are skipped, not taken as keys.
  EXPECT_EQ(ReadFrom("[m]\n;speed=9\nspeed\nspeed=4\n", "m", "speed"), "4");
  EXPECT_EQ(ReadFrom("speed=1\n[m]\n", "m", "speed"), std::nullopt);
}

TEST_F(FileProfileTest, FirstSectionAndFirstKeyWin) {
  const char* file = "[a]\nx=1\nx=2\n[b]\ny=2\n[A]\nx=9\nz=3\n";
  EXPECT_EQ(ReadFrom(file, "a", "x"), "1");
  EXPECT_EQ(ReadFrom(file, "a", "z"), std::nullopt);  // only in the repeated [A]
  EXPECT_EQ(ReadFrom(file, "b", "x"), std::nullopt);
}

TEST_F(FileProfileTest, AbsenceReadsAsNulloptAndCreatesNothing) {
  EXPECT_EQ(profile_.Read(PathOf("none.ini"), "m", "speed"), std::nullopt);
  EXPECT_EQ(profile_.Read(PathOf("no/such/folder.ini"), "m", "speed"), std::nullopt);
  EXPECT_EQ(FilesInFolder(), 0u);
  EXPECT_EQ(ReadFrom("[m]\nspeed=1\n", "other", "speed"), std::nullopt);
  EXPECT_EQ(ReadFrom("[m]\nspeed=1\n", "m", "power"), std::nullopt);
}

TEST_F(FileProfileTest, BigValuesAndGarbage) {
  std::string big(10 << 20, 'v');
  EXPECT_EQ(ReadFrom("[m]\nbig=" + big + "\n", "m", "big"), big);

  std::mt19937 random(1234);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same garbage every run
  std::string garbage(1 << 20, '\0');
  for (char& c : garbage) c = "[]=;\r\n \t\"'\0\xEF\xBB\xBFx"[random() % 16];
  ReadFrom(garbage, "m", "speed");
  EXPECT_EQ(WriteSpeedInto(garbage).substr(0, garbage.size()), garbage);
  EXPECT_EQ(profile_.Read(PathOf("write.ini"), "moruscr", "speed"), "5");
}

TEST_F(FileProfileTest, FilesOverTheSizeLimitAreLeftAlone) {
  Put("huge.ini", "[m]\nspeed=1\n");
  fs::resize_file(FromUtf8(PathOf("huge.ini")), kMaxProfileFileSize + 1);
  EXPECT_EQ(profile_.Read(PathOf("huge.ini"), "m", "speed"), std::nullopt);
  EXPECT_FALSE(profile_.Write(PathOf("huge.ini"), "m", "speed", "2"));
  EXPECT_EQ(fs::file_size(FromUtf8(PathOf("huge.ini"))), kMaxProfileFileSize + 1);
}

TEST_F(FileProfileTest, WriteKeepsEverythingElse) {
  // A new key goes after the section's last key, before its comment and blank lines.
  EXPECT_EQ(WriteSpeedInto("\xEF\xBB\xBF; mine\r\n[moruscr]\r\npower=7\r\n; note\r\n\r\n[x]\r\n"),
            "\xEF\xBB\xBF; mine\r\n[moruscr]\r\npower=7\r\nspeed=5\r\n; note\r\n\r\n[x]\r\n");
  EXPECT_EQ(WriteSpeedInto("[moruscr]\n\n[x]\nspeed=1\n"), "[moruscr]\nspeed=5\n\n[x]\nspeed=1\n");
  // An existing key changes in place, keeping the file's spelling of its name.
  EXPECT_EQ(WriteSpeedInto("[MORUSCR]\r\n  Speed = 1  \r\npower=7"),
            "[MORUSCR]\r\nSpeed=5\r\npower=7");
  EXPECT_EQ(WriteSpeedInto("[moruscr]\nspeed=1\n[moruscr]\nspeed=2\n"),
            "[moruscr]\nspeed=5\n[moruscr]\nspeed=2\n");
  // Appending to a last line with no line end first ends that line.
  EXPECT_EQ(WriteSpeedInto("[moruscr]\npower=7"), "[moruscr]\npower=7\nspeed=5\n");
  EXPECT_EQ(WriteSpeedInto("[x]\r\na=1"), "[x]\r\na=1\r\n[moruscr]\r\nspeed=5\r\n");
  EXPECT_EQ(WriteSpeedInto("[x]\na=1\n"), "[x]\na=1\n[moruscr]\nspeed=5\n");
  EXPECT_EQ(WriteSpeedInto("\xEF\xBB\xBF"), "\xEF\xBB\xBF[moruscr]\nspeed=5\n");
  EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST(ProfileLineEndTest, FirstLineEndDecides) {
  EXPECT_EQ(ProfileLineEnd(""), "\n");
  EXPECT_EQ(ProfileLineEnd("[a]"), "\n");
  EXPECT_EQ(ProfileLineEnd("[a]\r\nb=1\n"), "\r\n");
  EXPECT_EQ(ProfileLineEnd("[a]\nb=1\r\n"), "\n");
}

TEST_F(FileProfileTest, NewFileInANonAsciiFolder) {
  fs::create_directory(folder_ / FromUtf8("設定"));
  std::string path = PathOf("設定/もるもる.ini");
  EXPECT_EQ(profile_.Read(path, "moruscr", "speed"), std::nullopt);
  ASSERT_TRUE(profile_.Write(path, "moruscr", "speed", "5"));
  EXPECT_EQ(Get("設定/もるもる.ini"), "[moruscr]\nspeed=5\n");
  ASSERT_TRUE(profile_.Write(path, "moruscr", "名前", "値"));
  EXPECT_EQ(profile_.Read(path, "MORUSCR", "名前"), "値");
}

TEST_F(FileProfileTest, WriteFailsWithoutTouchingAnything) {
  EXPECT_FALSE(profile_.Write(PathOf("missing/s.ini"), "moruscr", "speed", "5"));
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  fs::create_directory(folder_ / "dir.ini");
  EXPECT_FALSE(profile_.Write(PathOf("dir.ini"), "moruscr", "speed", "5"));

  // No write permission at all is read-only, for root too (on Windows: the attribute).
  const std::string before = "[moruscr]\r\npower=7\r\n";
  Put("ro.ini", before);
  fs::permissions(FromUtf8(PathOf("ro.ini")),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(profile_.Write(PathOf("ro.ini"), "moruscr", "speed", "5"));
  EXPECT_EQ(Get("ro.ini"), before);
  EXPECT_EQ(FilesInFolder(), 2u);
}

#ifndef _WIN32
TEST_F(FileProfileTest, PermissionsAndSymbolicLinksSurvive) {
  Put("s.ini", "[moruscr]\n");
  fs::permissions(FromUtf8(PathOf("s.ini")), fs::perms(0640));
  fs::create_symlink("s.ini", folder_ / "link.ini");
  ASSERT_TRUE(profile_.Write(PathOf("link.ini"), "moruscr", "speed", "5"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.ini"));
  EXPECT_EQ(Get("s.ini"), "[moruscr]\nspeed=5\n");
  EXPECT_EQ(fs::status(folder_ / "s.ini").permissions(), fs::perms(0640));
}
#endif

}  // namespace
}  // namespace morumoru::platform
