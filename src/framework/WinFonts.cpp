// Fonts of the controls: the face resolved to an installed one, the GDI font, text measures.
#include "WinPeerBase.h"

namespace kestrilon::framework::win {

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceExists(const std::wstring& face) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::copy(face.begin(), face.end(), query.lfFaceName);
  bool found = false;
  WindowDC screen(nullptr);
  if (!screen) return false;
  EnumFontFamiliesExW(screen.Get(), &query, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// A face that exists: the one asked for, else the first Japanese UI face installed. A system
// without the classic Japanese faces (Wine, a stripped Windows) then still shows the captions.
// The order: the same face under its English name (a Windows whose language isn't Japanese knows
// it so), then the proportional Japanese UI faces of later Windows versions, then the free ones.
const std::wstring& ResolveFace(const std::string& name) {
  static std::map<std::string, std::wstring> resolved;  // GUI thread only
  auto it = resolved.find(name);
  if (it != resolved.end()) return it->second;
  std::wstring face = Widen(name);
  if (!FaceExists(face)) {
    static const wchar_t* const fallbacks[] = {
        L"MS PGothic",   L"MS UI Gothic", L"Yu Gothic UI", L"Meiryo UI",    L"Noto Sans CJK JP",
        L"Noto Sans JP", L"IPAPGothic",   L"VL PGothic",   L"TakaoPGothic", L"Droid Sans Fallback",
    };
    for (const wchar_t* candidate : fallbacks) {
      if (FaceExists(candidate)) {
        face = candidate;
        break;
      }
    }
  }
  return resolved.emplace(name, face).first->second;
}

}  // namespace

UniqueFont CreateFontFor(const TFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = font.Height();
  lf.lfWeight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style() & fsItalic) ? TRUE : FALSE;
  lf.lfUnderline = (font.Style() & fsUnderline) ? TRUE : FALSE;
  lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? TRUE : FALSE;
  lf.lfCharSet = font.Charset();
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring& face = ResolveFace(font.Name());
  std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
  UniqueFont handle(CreateFontIndirectW(&lf));
  if (!handle) ThrowOutOfResources("Cannot create the font " + font.Name());
  return handle;
}

int TextHeight(HFONT font) {
  WindowDC screen(nullptr);
  if (!screen) return 13;
  SelectedObject selected(screen.Get(), font);
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(screen.Get(), &metrics)) return 13;
  return metrics.tmHeight;
}

}  // namespace kestrilon::framework::win

namespace kestrilon::framework {

std::vector<int> TextWidths(const TFont& font, const std::vector<std::string_view>& captions) {
  std::vector<int> widths(captions.size(), 0);
  win::UniqueFont handle = win::CreateFontFor(font);
  win::WindowDC screen(nullptr);
  if (!screen) return widths;
  win::SelectedObject selected(screen.Get(), handle.Get());
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const std::wstring text = win::Widen(captions[i]);
    RECT r{0, 0, 0, 0};
    if (DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE))
      widths[i] = r.right - r.left;
  }
  return widths;
}

int TextWidth(const TFont& font, std::string_view caption) {
  return TextWidths(font, {caption}).front();
}

}  // namespace kestrilon::framework
