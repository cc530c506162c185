#ifdef _WIN32

#include "platform/win32/win32_profile.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace morumoru::platform::win32 {
namespace {

namespace fs = std::filesystem;

class Win32ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = fs::temp_directory_path() / ("morumoru-profile-" + std::to_string(stamp));
    fs::create_directories(folder_ / u8"設定");
    file_ = folder_ / u8"設定" / u8"saver.ini";
    std::u8string text = file_.u8string();
    path_.assign(text.begin(), text.end());
  }
  void TearDown() override {
    SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  void Put(std::string_view content) { std::ofstream(file_, std::ios::binary) << content; }
  std::string Get() {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path folder_, file_;
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

}  // namespace
}  // namespace morumoru::platform::win32

#endif  // _WIN32
