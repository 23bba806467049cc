#include "DelayedPaste.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "Exceptions.h"
#include "WinHandles.h"

namespace kestrilon::clipboard {

namespace win = framework::win;

namespace {

// A virtual-key code with no key behind it: tapped between a held Alt or Win and its release, so
// that the release opens no menu bar and no Start menu.
constexpr WORD kUnassignedKey = 0xE8;

// Whether format's data is a global memory block, which can be copied byte for byte.
bool IsMemoryFormat(UINT format) {
  switch (format) {
    case CF_BITMAP:
    case CF_DSPBITMAP:
    case CF_PALETTE:
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
    case CF_OWNERDISPLAY: return false;
    default:
      return !(format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) &&
             !(format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
  }
}

std::string FormatName(UINT format) { return "format " + std::to_string(format); }

// Every memory format of the open clipboard, in its order. Throws EClipboardError when the
// clipboard's list or a block can't be read.
std::vector<DelayedPaste::Format> SaveFormats(const ClipboardApi& api) {
  std::vector<DelayedPaste::Format> saved;
  for (UINT format = 0;;) {
    SetLastError(ERROR_SUCCESS);
    format = api.EnumFormats(format);
    if (!format) {
      if (GetLastError() != ERROR_SUCCESS)
        throw EClipboardError("クリップボードの内容を読めません");
      return saved;
    }
    if (!IsMemoryFormat(format)) continue;
    HANDLE data = api.GetData(format);
    const SIZE_T size = data ? GlobalSize(data) : 0;
    if (!size) continue;  // listed, but nothing to keep
    const win::GlobalLockGuard lock(data, api.Lock);
    if (!lock.Data()) throw EClipboardError("クリップボードの内容を読めません");
    const auto* bytes = static_cast<const unsigned char*>(lock.Data());
    saved.push_back({format, std::vector<unsigned char>(bytes, bytes + size)});
  }
}

// The Unicode text of saved formats, up to its first NUL; empty without one.
std::u16string TextOf(const std::vector<DelayedPaste::Format>& formats) {
  for (const DelayedPaste::Format& f : formats) {
    if (f.id != CF_UNICODETEXT) continue;
    std::u16string text(f.bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), f.bytes.data(), text.size() * sizeof(char16_t));
    return text.substr(0, text.find(u'\0'));
  }
  return {};
}

DelayedPaste::Format Bytes(UINT id, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  return {id, std::vector<unsigned char>(bytes, bytes + size)};
}

// What a process's token says of its elevation.
enum class Elevation { No, Yes, Refused, Unknown };

Elevation ElevationOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw))
    return GetLastError() == ERROR_ACCESS_DENIED ? Elevation::Refused : Elevation::Unknown;
  const win::UniqueKernelHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
    return Elevation::Unknown;
  return elevation.TokenIsElevated ? Elevation::Yes : Elevation::No;
}

INPUT Key(WORD key, bool up, bool extended = false) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// The left and right modifiers a hot key may leave held; Ctrl is pressed by the paste itself.
struct Modifier {
  WORD key;
  bool extended;
  bool opensMenu;  // released alone, it would open the menu bar or the Start menu
};
constexpr Modifier kModifiers[] = {
    {VK_LSHIFT, false, false}, {VK_RSHIFT, false, false}, {VK_LMENU, false, true},
    {VK_RMENU, true, true},    {VK_LWIN, true, true},     {VK_RWIN, true, true},
};

}  // namespace

bool TargetIsElevated(HWND window) {
  if (ElevationOf(GetCurrentProcess()) == Elevation::Yes)
    return false;  // an elevated program reaches all
  DWORD process = 0;
  if (!GetWindowThreadProcessId(window, &process) || !process)
    return false;  // gone: nothing to stop
  const win::UniqueKernelHandle handle(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
  const Elevation target = ElevationOf(handle.Get());
  return target == Elevation::Yes || target == Elevation::Refused;
}

DelayedPaste::DelayedPaste(TWindowAllocator allocator) : FAllocator(std::move(allocator)) {}

DelayedPaste::~DelayedPaste() {
  if (!FWindow) return;
  if (FActive) {
    // The program ends mid-paste: the copy goes back now or not at all, and nobody is told.
    std::string message;
    Restore(message);
    Stop();
  }
  // The window's messages stop reaching this object before it is destroyed, and destroying it
  // would drop what it still offers: rendered now instead.
  if (!FOffered.empty()) {
    try {
      RenderAll();
    } catch (const std::exception&) {
      // Nothing more can be done for a clipboard that can't be filled now.
    }
  }
}

DelayedPaste::Start DelayedPaste::Paste(std::u16string_view original, std::u16string_view filtered,
                                        std::string_view ansi) {
  if (FActive) return Start::Busy;
  HWND target = Target.Foreground();
  if (!target) return Start::NoTarget;
  if (Target.IsElevated(target)) return Start::Elevated;
  if (!FWindow) {
    FWindow = FAllocator([this](framework::TMessage& message) { WndProc(message); });
    if (!FWindow) throw framework::EOutOfResources("DelayedPaste.Paste: Cannot Allocate HWnd");
  }
  const std::u16string unicode(filtered);
  const std::string text(ansi);
  const LCID locale = kJapaneseLocale;
  std::vector<Format> offered{
      Bytes(CF_UNICODETEXT, unicode.c_str(), (unicode.size() + 1) * sizeof(char16_t)),
      Bytes(CF_TEXT, text.c_str(), text.size() + 1), Bytes(CF_LOCALE, &locale, sizeof locale)};
  {
    OpenedClipboard clip(Handle(), Api);
    std::vector<Format> saved = SaveFormats(Api);
    if (TextOf(saved) != original) return Start::Changed;
    FSaved = std::move(saved);
    FOwnSequences.clear();
    try {
      Offer(std::move(offered));
      FOwnSequences.push_back(clip.Sequence());
    } catch (const framework::Exception&) {
      try {
        PutBack();  // the clipboard is still open
      } catch (const framework::Exception&) {
        // The first failure is the one to tell.
      }
      FSaved.clear();
      throw;
    }
  }
  FOwnSequences.push_back(GetClipboardSequenceNumber());
  FActive = true;
  FGiveUpAt = 0;
  try {
    if (!SetTimer(Handle(), kTimer, kPatience, nullptr))
      throw framework::EOSError("SetTimer", GetLastError());
    SendPasteKeys();
  } catch (const framework::Exception&) {
    std::string message;
    Restore(message);  // one try, now; the caller hears of the failure that stopped the paste
    Stop();
    throw;
  }
  return Start::Sent;
}

bool DelayedPaste::IsOwnChange() const {
  if (FWindow && GetClipboardOwner() == FWindow->Handle()) return true;
  const DWORD now = GetClipboardSequenceNumber();
  return now != 0 &&
         std::find(FOwnSequences.begin(), FOwnSequences.end(), now) != FOwnSequences.end();
}

void DelayedPaste::Offer(std::vector<Format> offered) {
  FEmptying = true;
  const BOOL emptied = Api.Empty();
  FEmptying = false;
  if (!emptied) throw framework::EOSError("EmptyClipboard", GetLastError());
  FOffered = std::move(offered);
  for (const Format& f : FOffered) {
    // A delayed offer's result is null when it succeeds too: the format's presence tells.
    if (!Api.SetData(f.id, nullptr) && !IsClipboardFormatAvailable(f.id))
      throw framework::EOSError("SetClipboardData (" + FormatName(f.id) + ")", GetLastError());
  }
}

void DelayedPaste::PutBack() {
  FEmptying = true;
  const BOOL emptied = Api.Empty();
  FEmptying = false;
  if (!emptied) throw framework::EOSError("EmptyClipboard", GetLastError());
  for (const Format& f : FSaved) {
    const std::string name = FormatName(f.id);
    Place(Api, f.id, MakeBlock(Api, f.bytes.data(), f.bytes.size(), name.c_str()), name.c_str());
  }
}

bool DelayedPaste::StillOurs() const {
  return GetClipboardOwner() == Handle() &&
         std::find(FOwnSequences.begin(), FOwnSequences.end(), GetClipboardSequenceNumber()) !=
             FOwnSequences.end();
}

std::optional<DelayedPaste::End> DelayedPaste::Restore(std::string& message) {
  try {
    OpenedClipboard clip(Handle(), Api);
    if (!StillOurs()) return End::Superseded;
    PutBack();
    FOwnSequences.push_back(clip.Sequence());
  } catch (const EClipboardError&) {
    return std::nullopt;
  } catch (const framework::Exception& e) {
    message = e.what();
    return End::RestoreFailed;
  }
  FOwnSequences.push_back(GetClipboardSequenceNumber());
  return End::Restored;
}

void DelayedPaste::Tick() {
  if (!FActive) return;
  const ULONGLONG now = GetTickCount64();
  if (!FGiveUpAt) FGiveUpAt = now + kRetryPatience;
  std::string message;
  const std::optional<End> end = Restore(message);
  if (!FActive) return;  // ended meanwhile: a newer copy was heard while opening
  if (end) return Finish(*end, message);
  if (now < FGiveUpAt) {  // the target, or another program, still holds the clipboard
    if (!SetTimer(Handle(), kTimer, kReadGrace, nullptr)) Finish(End::RestoreFailed, "SetTimer");
    return;
  }
  Finish(End::RestoreFailed, EClipboardError().what());
}

void DelayedPaste::Stop() noexcept {
  FActive = false;
  FSaved.clear();
  FGiveUpAt = 0;
  // A timer already gone needs nothing more.
  if (FWindow && !KillTimer(FWindow->Handle(), kTimer)) return;
}

void DelayedPaste::Finish(End end, const std::string& message) {
  Stop();
  if (OnFinished) OnFinished(end, message);
}

void DelayedPaste::Render(UINT format) {
  const auto f = std::find_if(FOffered.begin(), FOffered.end(),
                              [&](const Format& o) { return o.id == format; });
  if (f == FOffered.end()) return;
  // The clipboard is open already: the program that asked opened it.
  const std::string name = FormatName(format);
  Place(Api, format, MakeBlock(Api, f->bytes.data(), f->bytes.size(), name.c_str()), name.c_str());
  FOffered.erase(f);
  FOwnSequences.push_back(GetClipboardSequenceNumber());
  // Read now: the saved formats go back once the reader is done.
  if (FActive && !SetTimer(Handle(), kTimer, kReadGrace, nullptr))
    throw framework::EOSError("SetTimer", GetLastError());
}

void DelayedPaste::RenderAll() {
  OpenedClipboard clip(Handle(), Api);
  // Another program may have emptied the clipboard since: then there is nothing to render.
  if (GetClipboardOwner() != Handle()) return;
  while (!FOffered.empty()) Render(FOffered.front().id);
}

void DelayedPaste::SendPasteKeys() {
  std::vector<INPUT> keys;
  std::vector<INPUT> releases;
  bool masked = false;
  for (const Modifier& m : kModifiers) {
    if (!(Target.KeyState(m.key) & 0x8000)) continue;
    releases.push_back(Key(m.key, true, m.extended));
    masked = masked || m.opensMenu;
  }
  if (masked) {
    keys.push_back(Key(kUnassignedKey, false));
    keys.push_back(Key(kUnassignedKey, true));
  }
  keys.insert(keys.end(), releases.begin(), releases.end());
  const std::size_t ctrl = keys.size();
  for (const INPUT& k :
       {Key(VK_CONTROL, false), Key('V', false), Key('V', true), Key(VK_CONTROL, true)})
    keys.push_back(k);
  const UINT sent = Target.SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
  if (sent == keys.size()) return;
  const DWORD error = GetLastError();
  if (sent > ctrl) {
    // Ctrl went down: it must not stay down.
    INPUT up[] = {Key('V', true), Key(VK_CONTROL, true)};
    if (Target.SendInput(2, up, sizeof(INPUT)) != 2) {
      // Refused too: the next real key press puts the key state right.
    }
  }
  throw framework::EOSError("SendInput", error);
}

void DelayedPaste::WndProc(framework::TMessage& message) {
  switch (message.Msg) {
    case WM_RENDERFORMAT: Render(static_cast<UINT>(message.WParam)); return;
    case WM_RENDERALLFORMATS: RenderAll(); return;
    case WM_DESTROYCLIPBOARD:
      // Whoever emptied the clipboard, what it offered is gone; another program's copy ends the
      // paste, and its copy stays.
      FOffered.clear();
      if (FActive && !FEmptying) Finish(End::Superseded);
      return;
    case WM_TIMER:
      if (message.WParam == kTimer) {
        Tick();
        return;
      }
      break;
    default: break;
  }
  message.Result = DefWindowProcW(Handle(), message.Msg, message.WParam, message.LParam);
}

}  // namespace kestrilon::clipboard
