#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/win32/win32_profile.h"

namespace morumoru::platform::win32 {
namespace {

// A settings file whose path is longer than the system's profile functions
// take: the program in a deep folder must still read and write its settings.
class Win32ProfileLongPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    folder_ = std::wstring(LR"(\\?\)") + temp + L"morumoru-long-" + std::to_wstring(stamp);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    deepest_ = folder_;
    while (deepest_.size() < 300) {
      deepest_ += L"\\abcdefghijklmnopqrstuvwxyz0123456789";
      ASSERT_TRUE(CreateDirectoryW(deepest_.c_str(), nullptr));
      created_.push_back(deepest_);
    }
    file_ = deepest_ + L"\\設定.ini";
    // The program's own spelling: a plain path, as GetModuleFileName gives it.
    std::wstring plain = file_.substr(4);
    int length = WideCharToMultiByte(CP_UTF8, 0, plain.c_str(), -1, nullptr, 0, nullptr, nullptr);
    path_.resize(static_cast<size_t>(length));
    WideCharToMultiByte(CP_UTF8, 0, plain.c_str(), -1, path_.data(), length, nullptr, nullptr);
    path_.pop_back();
    ASSERT_GE(plain.size(), static_cast<size_t>(MAX_PATH));
  }
  void TearDown() override {
    SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file_.c_str());
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  void Put(std::string_view content) {
    HANDLE file = CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
  }
  std::string Get() {
    HANDLE file = CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<none>";
    std::string content(4096, '\0');
    DWORD got = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
    CloseHandle(file);
    content.resize(got);
    return content;
  }
  bool Exists() { return GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  std::wstring folder_, deepest_, file_;
  std::vector<std::wstring> created_;
  std::string path_;
  Win32Profile profile_;
};

TEST_F(Win32ProfileLongPathTest, ReadsAndWritesBesideTheProgram) {
  EXPECT_EQ(profile_.Read(path_, "moruscr", "speed"), std::nullopt);
  EXPECT_FALSE(Exists()) << "a read creates nothing";
  Put("; mine\r\n[moruscr]\r\nspeed=3\r\n");
  EXPECT_EQ(profile_.Read(path_, "MORUSCR", "speed"), "3");
  ASSERT_TRUE(profile_.Write(path_, "moruscr", "speed", "4"));
  profile_.Flush(path_);
  EXPECT_EQ(Get(), "; mine\r\n[moruscr]\r\nspeed=4\r\n");
}

TEST_F(Win32ProfileLongPathTest, ReadOnlyFileRefusesWrites) {
  const std::string before = "[moruscr]\r\nspeed=3\r\n";
  Put(before);
  ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(profile_.Write(path_, "moruscr", "speed", "5"));
  EXPECT_EQ(Get(), before);
}

}  // namespace
}  // namespace morumoru::platform::win32

#endif  // _WIN32
