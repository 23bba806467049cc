// kestrilon-filter's file services on the platform at hand (natively, and under Wine for the
// Windows build): bytes kept exactly, whole-or-nothing replacement, Japanese file names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FileIo.h"

namespace kestrilon::tool {
namespace {

namespace fs = std::filesystem;

class FileIo : public testing::Test {
 protected:
  void SetUp() override {
    FDir =
        fs::temp_directory_path() /
        ("kestrilon-fileio-" + std::to_string(std::hash<std::string>{}(
                                   testing::UnitTest::GetInstance()->current_test_info()->name())));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  // A path as the tool gets it: UTF-8.
  std::string Path(std::string_view utf8_name) const {
    const auto u8 = (FDir / fs::path(std::u8string(utf8_name.begin(), utf8_name.end()))).u8string();
    return std::string(u8.begin(), u8.end());
  }
  static fs::path FsPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
  }
  static std::string Contents(const std::string& utf8_path) {
    std::ifstream in(FsPath(utf8_path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(FDir), {}));
  }

  fs::path FDir;
};

// Bytes a text mode would change: line ends, ^Z, a NUL, high bytes.
const std::string kAwkwardBytes(
    "a\nb\r\nc\rd\x1A"
    "e\0f\x82\xA0\xFF",
    14);

TEST_F(FileIo, WritesAndReadsBytesExactlyUnderAJapaneseName) {
  const std::string path = Path("出力ファイル.txt");
  std::string error;
  ASSERT_TRUE(ReplaceFileContents(path, kAwkwardBytes, error)) << error;
  EXPECT_EQ(Contents(path), kAwkwardBytes);
  std::string read;
  ASSERT_TRUE(ReadWholeFile(path, read, error)) << error;
  EXPECT_EQ(read, kAwkwardBytes);
  EXPECT_EQ(EntriesInDir(), 1u);  // no temporary file left
}

TEST_F(FileIo, LargeFileIsReadWholeWithRoomToGrow) {
  // Larger than the size at which buffers ask for huge pages; every byte value, in no order.
  std::string bytes(5u << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  const std::string path = Path("large.bin");
  std::ofstream(FsPath(path), std::ios::binary) << bytes;
  std::string read, error;
  ASSERT_TRUE(ReadWholeFile(path, read, error)) << error;
  EXPECT_TRUE(read == bytes);
  EXPECT_GE(read.capacity(), bytes.size() + bytes.size() / 2);  // the filter grows it in place
  EXPECT_GE(LargeBuffer(bytes.size()).capacity(), bytes.size());
}

TEST_F(FileIo, ReplacesAnExistingFileWhole) {
  const std::string path = Path("out.txt");
  std::ofstream(FsPath(path), std::ios::binary) << std::string(100000, 'x');
  std::string error;
  ASSERT_TRUE(ReplaceFileContents(path, "short", error)) << error;
  EXPECT_EQ(Contents(path), "short");
  ASSERT_TRUE(ReplaceFileContents(path, "", error)) << error;
  EXPECT_EQ(Contents(path), "");
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(FileIo, FailuresSayWhyAndLeaveNothingBehind) {
  std::string error, read;
  EXPECT_FALSE(ReadWholeFile(Path("missing.txt"), read, error));
  EXPECT_FALSE(error.empty());

  error.clear();
  EXPECT_FALSE(ReplaceFileContents(Path("no-such-dir/out.txt"), "x", error));
  EXPECT_FALSE(error.empty());

  // A folder in the way is not replaced by a file.
  fs::create_directory(FsPath(Path("taken")));
  error.clear();
  EXPECT_FALSE(ReplaceFileContents(Path("taken"), "x", error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(FsPath(Path("taken"))));
  EXPECT_EQ(EntriesInDir(), 1u);
}

// The output file is replaced as the INI file is: one that is marked read-only stays as it is.
TEST_F(FileIo, AReadOnlyFileIsNotReplacedAndTheReasonSaysSo) {
  const std::string path = Path("kept.txt");
  std::ofstream(FsPath(path), std::ios::binary) << "old";
  fs::permissions(FsPath(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  std::string error;
  EXPECT_FALSE(ReplaceFileContents(path, "new", error));
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_EQ(Contents(path), "old");
  EXPECT_EQ(EntriesInDir(), 1u);
  fs::permissions(FsPath(path), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(FileIo, UserNameIsKnown) {
  const auto name = CurrentUserName();
  ASSERT_TRUE(name.has_value());
  EXPECT_FALSE(name->empty());
}

}  // namespace
}  // namespace kestrilon::tool
