#ifdef _WIN32

#include "platform/win32/win32_profile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support.h"

namespace morumoru::platform::win32 {
namespace {

namespace fs = std::filesystem;

class Win32ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / u8"設定");
    file_ = folder_ / u8"設定" / u8"saver.ini";
    std::u8string text = file_.u8string();
    path_.assign(text.begin(), text.end());
  }
  void Put(std::string_view content) { std::ofstream(file_, std::ios::binary) << content; }
  std::string Get() {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  test_support::TemporaryFolder temporary_{"morumoru-profile"};
  const fs::path& folder_ = temporary_.path();
  fs::path file_;
  std::string path_;
  Win32Profile profile_;
};

// The system writes the file in the ANSI code page, so only ASCII names and
// values round-trip on every locale; the folder name is Japanese on purpose.
TEST_F(Win32ProfileTest, WriteThenReadBack) {
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), std::nullopt);
  EXPECT_FALSE(fs::exists(file_));  // a read creates nothing
  ASSERT_TRUE(profile_.Write(path_, "moruscr", "speed", "5"));
  profile_.Flush(path_);
  EXPECT_EQ(profile_.Read(path_, "MORUSCR", "speed"), "5");
  EXPECT_EQ(profile_.Read(path_, "moruscr", "power"), std::nullopt);
  EXPECT_EQ(profile_.Read(path_, "other", "speed"), std::nullopt);
}

TEST_F(Win32ProfileTest, HandWrittenLinesSurviveAWrite) {
  Put("[moruscr]\r\npower=7\r\n");
  ASSERT_TRUE(profile_.Write(path_, "moruscr", "speed", "5"));
  profile_.Flush(path_);
  EXPECT_NE(Get().find("power=7"), std::string::npos);
  EXPECT_EQ(profile_.Read(path_, "moruscr", "power"), "7");
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), "5");
}

TEST_F(Win32ProfileTest, ReadOnlyFileRefusesWrites) {
  const std::string before = "[moruscr]\r\npower=7\r\n";
  Put(before);
  ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(profile_.Write(path_, "moruscr", "speed", "5"));
  profile_.Flush(path_);
  EXPECT_EQ(Get(), before);
}

// An editor's "UTF-8 with BOM": read past the mark on every Windows (not only
// where the system honours it), and a write changes the one value, keeping
// the mark and every hand-made line as they were.
TEST_F(Win32ProfileTest, FileWithUtf8MarkIsReadPastItAndKept) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string head = mark + "[moruscr]\r\n; \xE9\x80\x9F\xE3\x81\x95 by hand\r\n";
  const std::string tail = "\r\npower = 7\r\n\r\n[other]\r\nspeed=6\r\n";
  Put(head + "speed=2" + tail);
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), "2");
  EXPECT_EQ(profile_.Read(path_, "moruscr", "power"), "7");
  ASSERT_TRUE(profile_.Write(path_, "moruscr", "speed", "3"));
  profile_.Flush(path_);
  EXPECT_EQ(Get(), head + "speed=3" + tail);
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), "3");
  // A mark alone, or the start of one, is no settings at all.
  Put(mark);
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), std::nullopt);
  Put("\xEF\xBB");
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), std::nullopt);
  // A read-only marked file still refuses the write.
  Put(head + "speed=2" + tail);
  ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(profile_.Write(path_, "moruscr", "speed", "5"));
  EXPECT_EQ(Get(), head + "speed=2" + tail);
}

}  // namespace
}  // namespace morumoru::platform::win32

#endif  // _WIN32
