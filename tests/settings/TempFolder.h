// Files as the settings tests use them: whole files as bytes, the fixtures, and a fresh folder
// per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kestrilon::settings::test {

namespace fs = std::filesystem;

inline std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Spit(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

inline fs::path Fixture(const char* name) { return fs::path(KESTRILON_SETTINGS_FIXTURES) / name; }

// A fresh folder per test, removed afterwards.
class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    FDir = fs::temp_directory_path() /
           (std::string("kestrilon-ini-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FDir, ec);
  }
  // Names of the files in the folder, to see that no temporary file is left behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FDir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path FDir;
};

}  // namespace kestrilon::settings::test
