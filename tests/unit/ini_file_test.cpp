#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "errors/exceptions.h"

namespace morumoru {
namespace {

// Keeps values in memory, keyed by "path|section|key", and counts flushes.
class FakeProfileService : public platform::ProfileService {
 public:
  std::optional<std::string> Read(const std::string& path, std::string_view section,
                                  std::string_view key) override {
    auto found = values.find(Key(path, section, key));
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
  bool Write(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) override {
    if (failWrites) return false;
    values[Key(path, section, key)] = value;
    return true;
  }
  void Flush(const std::string& path) override { flushed.push_back(path); }

  static std::string Key(const std::string& path, std::string_view section, std::string_view key) {
    return path + "|" + std::string(section) + "|" + std::string(key);
  }

  std::map<std::string, std::string> values;
  std::vector<std::string> flushed;
  bool failWrites = false;
};

constexpr const char* kPath = "C:\\スクリーン\\saver.ini";

class TIniFileTest : public ::testing::Test {
 protected:
  void Store(std::string_view key, std::string value) {
    service_.values[FakeProfileService::Key(kPath, "moruscr", key)] = std::move(value);
  }
  FakeProfileService service_;
  TIniFile ini_{kPath, service_};
};

TEST_F(TIniFileTest, DefaultsOnlyWhenAbsent) {
  EXPECT_EQ(ini_.ReadText("moruscr", "speed", "dflt"), "dflt");
  EXPECT_EQ(ini_.ReadNumber("moruscr", "speed", 42), 42);
  Store("speed", "");
  EXPECT_EQ(ini_.ReadText("moruscr", "speed", "dflt"), "");
}

TEST_F(TIniFileTest, ReadNumberFallsBackOnAnythingButAnInteger) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12", 12}, {" -7", -7}, {"$10", 16}, {"", 99}, {"12 ", 99}, {"abc", 99}, {"2147483648", 99}};
  for (const auto& [text, expected] : cases) {
    Store("n", text);
    EXPECT_EQ(ini_.ReadNumber("moruscr", "n", 99), expected) << text;
  }
}

TEST_F(TIniFileTest, WriteNumberIsPlainDecimal) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "0"}, {7, "7"}, {-3, "-3"}, {2147483647, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const auto& [value, text] : cases) {
    ini_.WriteNumber("moruscr", "n", value);
    EXPECT_EQ(service_.values[FakeProfileService::Key(kPath, "moruscr", "n")], text);
  }
}

TEST_F(TIniFileTest, ReadTextCutsTo2047BytesOnACharacterBoundary) {
  Store("ascii", std::string(5000, 'a'));
  EXPECT_EQ(ini_.ReadText("moruscr", "ascii", ""), std::string(2047, 'a'));
  // 2046 'a' then a 3-byte character that would straddle the limit.
  Store("kana", std::string(2046, 'a') + "あ");
  EXPECT_EQ(ini_.ReadText("moruscr", "kana", ""), std::string(2046, 'a'));
  Store("fits", std::string(2044, 'a') + "あ" + "b");
  EXPECT_EQ(ini_.ReadText("moruscr", "fits", ""), std::string(2044, 'a') + "あ");
  // The default goes through the same buffer.
  EXPECT_EQ(ini_.ReadText("moruscr", "none", std::string(3000, 'd')).size(), 2047u);
}

TEST_F(TIniFileTest, FailedWriteRaisesWithThePath) {
  service_.failWrites = true;
  try {
    ini_.WriteText("moruscr", "speed", "5");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), "C:\\スクリーン\\saver.ini に書き込めません");
    EXPECT_STREQ(e.ClassName(), "EIniFileException");
  }
  EXPECT_THROW(ini_.WriteNumber("moruscr", "speed", 5), EIniFileException);
}

TEST(TIniFileReleaseTest, FlushesOnReleaseOnly) {
  FakeProfileService service;
  {
    TIniFile ini("/tmp/x.ini", service);
    ini.WriteText("a", "b", "c");
    ini.ReadText("a", "b", "");
    EXPECT_TRUE(service.flushed.empty());
  }
  EXPECT_EQ(service.flushed, std::vector<std::string>{"/tmp/x.ini"});
}

}  // namespace
}  // namespace morumoru
