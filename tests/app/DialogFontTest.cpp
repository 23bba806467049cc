// The dialog's font where the face it was laid out for is installed (on Windows, and under Wine
// through the metric-compatible face the test prefix maps to it): the captions fit as designed,
// so the font keeps its designed size instead of being shrunk to make them fit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "../framework/WinTestSupport.h"
#include "AppTestSupport.h"
#include "Setting.h"
#include "WinHandles.h"
#include "WinGraphics.h"
#include "WinText.h"

namespace kestrilon::app {
namespace {

constexpr char kDesignedFace[] = "ＭＳ Ｐゴシック";

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool Installed(const std::string& face) {
  const std::wstring wide = framework::win::Widen(face);
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::copy_n(wide.begin(), std::min<std::size_t>(wide.size(), LF_FACESIZE - 1), query.lfFaceName);
  bool found = false;
  framework::win::WindowDC screen(nullptr);
  if (!screen) return false;
  EnumFontFamiliesExW(screen.Get(), &query, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

class DialogFont : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove(testing::ThisProgram().replace_extension(".ini"));
  }
  void TearDown() override { form.reset(); }
  std::unique_ptr<TForm1> form;
};

TEST_F(DialogFont, TheDesignedFaceIsInstalledOrStoodInForByOneOfItsMetrics) {
  ASSERT_TRUE(Installed(kDesignedFace))
      << "no face answers to the dialog's font: the Wine test prefix maps it to IPAPGothic "
         "(tests/wine/harness.sh; make deps installs fonts-ipafont-gothic)";
  // Proportional, as the designed face is: not the fixed-pitch face of the same family.
  const framework::TFont font(kDesignedFace, -12, SHIFTJIS_CHARSET, framework::clWindowText);
  EXPECT_GT(framework::TextWidth(font, "MMMM"), framework::TextWidth(font, "llll"));
}

TEST_F(DialogFont, AtNinetySixPixelsPerInchTheFontStaysAtItsDesignedTwelvePixels) {
  form = framework::MakeForm<TForm1>();
  framework::testing::Settle();
  ASSERT_EQ(form->PixelsPerInch(), 96) << "the test prefix runs at 96 pixels per inch";
  EXPECT_EQ(form->Font().Name(), kDesignedFace);
  EXPECT_EQ(form->Font().Height(), -12)
      << "a caption was taken not to fit its control at the designed size";
  for (const char* name : {"NumberMode", "HTMLGroup", "TagDelete", "OkButton", "ShowForm"}) {
    const auto& control = dynamic_cast<const framework::TControl&>(*form->FindComponent(name));
    EXPECT_EQ(control.Font().Height(), -12) << name;
  }
}

}  // namespace
}  // namespace kestrilon::app
