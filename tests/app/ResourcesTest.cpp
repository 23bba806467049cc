// The resources of the real kestrilon.exe of this build, read as the system reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "About.h"
#include "../framework/WinTestSupport.h"
#include "AppTestSupport.h"
#include "WinText.h"

namespace kestrilon::app {
namespace {

using framework::win::UniqueBitmap;
using framework::win::UniqueIcon;
using testing::Ascii;
using testing::KestrilonExe;
using testing::UniqueModule;

UniqueModule LoadProgram() {
  UniqueModule module(LoadLibraryExW(KestrilonExe().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module)
    ADD_FAILURE() << "cannot load " << KestrilonExe().string() << ": error " << GetLastError();
  return module;
}

// A resource's bytes, empty when it is missing.
std::string_view ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
  HRSRC info = FindResourceW(module, name, type);
  if (!info) return {};
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return {static_cast<const char*>(data), SizeofResource(module, info)};
}

#pragma pack(push, 2)
struct GroupIconEntry {  // an entry of an RT_GROUP_ICON directory
  BYTE width, height, colourCount, reserved;
  WORD planes, bitCount;
  DWORD bytesInRes;
  WORD id;
};
#pragma pack(pop)

// The sizes (pixels) and bit depths of an icon group.
std::vector<std::pair<int, int>> IconImages(HMODULE module, const wchar_t* name) {
  const std::string_view bytes = ResourceBytes(module, name, RT_GROUP_ICON);
  std::vector<std::pair<int, int>> images;
  if (bytes.size() < 6) return images;
  WORD count = 0;
  std::memcpy(&count, bytes.data() + 4, sizeof count);
  for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(GroupIconEntry) <= bytes.size(); ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, bytes.data() + 6 + i * sizeof entry, sizeof entry);
    images.emplace_back(entry.width == 0 ? 256 : entry.width, entry.bitCount);
  }
  return images;
}

const wchar_t* const kIcons[] = {L"MAINICON", L"TRAYICON1", L"TRAYICON2"};
// The small and large icon at 100, 125, 150 and 200 %, and the shell's largest view (PNG inside).
const int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

TEST(ProgramResources, EachIconHoldsEverySizeIn32Bits) {
  UniqueModule module = LoadProgram();
  ASSERT_TRUE(module);
  std::set<std::pair<int, int>> expected;
  for (int size : kIconSizes) expected.emplace(size, 32);
  for (const wchar_t* name : kIcons) {
    const std::string shown = framework::win::Narrow(name);
    const auto images = IconImages(module.Get(), name);
    const std::set<std::pair<int, int>> found(images.begin(), images.end());
    EXPECT_EQ(found, expected) << shown;
    for (int size : kIconSizes) {
      UniqueIcon icon(
          static_cast<HICON>(LoadImageW(module.Get(), name, IMAGE_ICON, size, size, 0)));
      ASSERT_TRUE(icon) << shown << " at " << size << ": error " << GetLastError();
      const SIZE drawn = framework::testing::IconSize(icon.Get());
      EXPECT_EQ(drawn.cx, size) << shown;
      EXPECT_EQ(drawn.cy, size) << shown;
    }
  }
}

constexpr DWORD kGround = 0xFF00FF;  // magenta, which no icon uses

// An icon drawn at 16 pixels on magenta, as 0x00RRGGBB values.
std::vector<DWORD> Drawn16(HMODULE module, const wchar_t* name) {
  std::vector<DWORD> pixels;
  UniqueIcon icon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, 16, 16, 0)));
  if (!icon) return pixels;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = 16;
  bmi.bmiHeader.biHeight = -16;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueBitmap surface(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  framework::win::UniqueDeviceContext dc(CreateCompatibleDC(nullptr));
  if (!surface || !dc) return pixels;
  std::fill_n(static_cast<DWORD*>(bits), 16 * 16, kGround);
  {
    framework::win::SelectedObject selected(dc.Get(), surface.Get());
    if (!DrawIconEx(dc.Get(), 0, 0, icon.Get(), 16, 16, 0, nullptr, DI_NORMAL)) return pixels;
    GdiFlush();
  }
  const auto* p = static_cast<const DWORD*>(bits);
  for (int i = 0; i < 16 * 16; ++i) pixels.push_back(p[i] & 0xFFFFFF);
  return pixels;
}

TEST(ProgramResources, PausedTrayIconIsClearlyDifferentAt16Pixels) {
  UniqueModule module = LoadProgram();
  ASSERT_TRUE(module);
  const auto active = Drawn16(module.Get(), L"TRAYICON1");
  const auto paused = Drawn16(module.Get(), L"TRAYICON2");
  ASSERT_EQ(active.size(), 256u);
  ASSERT_EQ(paused.size(), 256u);
  auto channel = [](DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  int different = 0, drawn = 0;
  for (size_t i = 0; i < active.size(); ++i) {
    if (active[i] != kGround) ++drawn;
    for (int shift : {0, 8, 16}) {
      if (std::abs(channel(active[i], shift) - channel(paused[i], shift)) > 48) {
        ++different;
        break;
      }
    }
  }
  EXPECT_GT(drawn, 128) << "the active icon is mostly empty";
  // A quarter of the picture at least, not a few pixels of a mark.
  EXPECT_GE(different, 64) << different << " of 256 pixels differ";
}

TEST(ProgramResources, MenuBitmapsAre16By16In16ColoursOnButtonFaceGrey) {
  UniqueModule module = LoadProgram();
  ASSERT_TRUE(module);
  for (const wchar_t* name : {L"BMP_UNDO1", L"BMP_O1", L"BMP_CONTENTS1", L"BMP_WEBSITE",
                              L"BMP_ABOUT1", L"BMP_EXITPROGRAM"}) {
    const std::string shown = framework::win::Narrow(name);
    const std::string_view bytes = ResourceBytes(module.Get(), name, RT_BITMAP);
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD) + 16 * 8) << shown;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 16) << shown;
    EXPECT_EQ(header.biHeight, 16) << shown;  // bottom-up
    EXPECT_EQ(header.biBitCount, 4) << shown;
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << shown;

    // The top left pixel is the background, which menus treat as transparent: RGB(192,192,192).
    const char* palette = bytes.data() + header.biSize;
    const char* topRow = palette + 16 * sizeof(RGBQUAD) + 15 * 8;
    const int index = (static_cast<unsigned char>(topRow[0]) >> 4) & 0x0F;
    RGBQUAD background;
    std::memcpy(&background, palette + index * sizeof(RGBQUAD), sizeof background);
    EXPECT_EQ(RGB(background.rgbRed, background.rgbGreen, background.rgbBlue), RGB(192, 192, 192))
        << shown;

    UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(module.Get(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap) << shown << ": error " << GetLastError();
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap.Get(), sizeof section, &section), static_cast<int>(sizeof section))
        << shown;
    EXPECT_EQ(section.dsBm.bmWidth, 16) << shown;
    EXPECT_EQ(section.dsBm.bmHeight, 16) << shown;
    EXPECT_EQ(section.dsBm.bmBitsPixel, 4) << shown;
  }
}

TEST(ProgramResources, VersionResourceIsReadAsTheAboutBoxReadsIt) {
  const std::string exe = Ascii(KestrilonExe());
  EXPECT_EQ(VersionInfoText(exe, 2), "FileVersion : 1.0.5.19");
  EXPECT_EQ(VersionInfoText(exe, 2), std::string("FileVersion : ") + KESTRILON_VERSION)
      << "the project's version";
  EXPECT_EQ(VersionInfoText(exe, 5), "OriginalFilename : kestrilon.exe");
  EXPECT_EQ(VersionInfoText(exe, 6), "ProductName : Kestrilon");
  EXPECT_EQ(VersionInfoText(exe, 7), "ProductVersion : 1.0.5.19");
  for (int index = 0; index < 8; ++index) {
    const std::string text = VersionInfoText(exe, index);
    EXPECT_EQ(text.find(" : None"), std::string::npos) << text;
    EXPECT_LT(text.size(), 80u) << text;
  }

  // One translation, Japanese in code page 932; the numeric file version agrees with the text.
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  ASSERT_NE(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, data.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  WORD translation[2];
  std::memcpy(translation, value, sizeof translation);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(0, 1)));
  EXPECT_EQ(fixed.dwFileVersionLS, static_cast<DWORD>(MAKELONG(19, 5)));
}

TEST(ProgramResources, ManifestAsksForVisualStylesPerMonitorDpiAndTheUsersRights) {
  UniqueModule module = LoadProgram();
  ASSERT_TRUE(module);
  const std::string manifest(ResourceBytes(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST));
  ASSERT_FALSE(manifest.empty());
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           "true/pm", "PerMonitorV2,PerMonitor", "level=\"asInvoker\"",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace kestrilon::app
