#include "CopyRun.h"

#include <utility>

#include "Exceptions.h"
#include "UnicodeBridge.h"
#include "WinHandles.h"
#include "WinText.h"

namespace kestrilon::app {

namespace {

// Puts a version on the clipboard. A version kept only as Unicode (an original, which is seldom
// put back) gets its ANSI form now: the same the copy's own conversion gave.
void WriteVersion(const clipboard::OpenedClipboard& clip, const TextVersion& version) {
  if (!version.ansi.empty() || version.text.empty()) {
    clip.WriteText(version.text, version.ansi);
    return;
  }
  unicode::Cp932Text text = unicode::Utf16ToCp932(version.text);
  clip.WriteText(version.text, unicode::AnsiForm(std::move(text.bytes), text.placeholders));
}

// The busy mark, cleared however the run ends.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : FBusy(busy) { FBusy = true; }
  ~BusyScope() { FBusy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& FBusy;
};

// Normal priority while a copy is filtered, idle again however the run ends. A process may
// always set its own class; were it refused, the run would only be slower.
class NormalPriorityScope {
 public:
  NormalPriorityScope() { Set(NORMAL_PRIORITY_CLASS); }
  ~NormalPriorityScope() { Set(IDLE_PRIORITY_CLASS); }
  NormalPriorityScope(const NormalPriorityScope&) = delete;
  NormalPriorityScope& operator=(const NormalPriorityScope&) = delete;

 private:
  static void Set(DWORD priority) noexcept {
    if (!SetPriorityClass(GetCurrentProcess(), priority)) return;
  }
};

// The file name of the program whose window owns the clipboard: the program that made the copy.
// Empty when there is no owner or its process can't be asked.
std::string ClipboardOwnerProgram() {
  HWND owner = GetClipboardOwner();
  DWORD process = 0;
  if (!owner || !GetWindowThreadProcessId(owner, &process) || !process) return {};
  framework::win::UniqueKernelHandle handle(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  if (!handle) return {};
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(handle.Get(), 0, path.data(), &size)) return {};
  path.resize(size);
  const std::size_t slash = path.find_last_of(L"\\/");
  return framework::win::Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

constexpr char kElevated[] =
    "管理者として実行されているウィンドウには貼り付けられません。クリップボードはそのままです。";
constexpr char kWriteFailed[] =
    "クリップボードに書き込めませんでした。コピーしたテキストはそのまま残っています。";

}  // namespace

std::optional<TextVersion> Filtered(filter::Filter& filter, std::u16string_view copied,
                                    const filter::FilterSettings& settings) {
  unicode::Cp932Text text = unicode::Utf16ToCp932(copied);
  if (text.error != unicode::BridgeError::None) return std::nullopt;
  std::string filtered = filter.Run(std::move(text.bytes), settings);
  auto result = unicode::Cp932ToUtf16(filtered, text.placeholders);
  if (result.error != unicode::BridgeError::None)
    return std::nullopt;  // never put back a broken text
  return TextVersion{std::move(result.text),
                     unicode::AnsiForm(std::move(filtered), text.placeholders)};
}

CopyRun::CopyRun(std::function<HWND()> owner, std::function<HWND()> timer_window)
    : FOwner(std::move(owner)), FTimerWindow(std::move(timer_window)) {
  Paste.OnFinished = [this](clipboard::DelayedPaste::End end, const std::string& message) {
    if (end == clipboard::DelayedPaste::End::RestoreFailed) Trouble(message);
  };
}

CopyRun::~CopyRun() { StopRetrying(); }

void CopyRun::ClipboardChanged(bool paused) {
  if (FBusy || IsOwnWrite() || Paste.Active() || Paste.IsOwnChange()) return;
  if (paused) {
    StopRetrying();
    NoteCopyProgram();                 // so that "add the last copy's program" means this one
    Remember(CopyOutcome::Untouched);  // a newer copy: the last pair is stale
    return;
  }
  Try(false);
}

void CopyRun::TimerTick(bool paused) {
  if (paused && !FRetryForced) {
    StopRetrying();
    return;
  }
  Try(FRetryForced);
}

void CopyRun::FilterNow() {
  if (FBusy || Paste.Active()) return;
  if (IsOwnWrite()) {
    // Filtered once already: the filtered version, never a second filtering of it.
    if (FPair.ShowingOriginal()) Swap();
    return;
  }
  Try(true);
}

bool CopyRun::IsOwnWrite() const {
  // The owner stays this program's window until another program empties the clipboard; the
  // sequence numbers cover a write whose ownership the system has already passed on.
  const HWND own = FOwner();
  if (own && GetClipboardOwner() == own) return true;
  const DWORD now = GetClipboardSequenceNumber();
  return now != 0 && (now == FOwnOpen || now == FOwnClosed);
}

void CopyRun::StopRetrying() noexcept {
  if (!FRetryUntil) return;
  FRetryUntil = 0;
  if (!KillTimer(FTimerWindow(), kRetryTimer)) return;  // a timer already gone needs nothing more
}

void CopyRun::NoteCopyProgram() {
  FProgram = ClipboardOwnerProgram();
  if (OnCopyProgram) OnCopyProgram(FProgram);
}

void CopyRun::Try(bool forced) {
  if (FBusy || IsOwnWrite()) {
    StopRetrying();
    return;
  }
  const DWORD sequence = GetClipboardSequenceNumber();
  if (!FRetryUntil || sequence != FRetrySequence) NoteCopyProgram();
  FRetryForced = forced;
  CopyOutcome outcome = CopyOutcome::Untouched;
  try {
    const std::optional<filter::FilterSettings> settings =
        SettingsFor ? SettingsFor(FProgram, forced) : std::optional<filter::FilterSettings>{};
    if (!settings) {
      outcome = CopyOutcome::Excluded;
    } else if (clipboard::ClipboardHasText()) {
      BusyScope busy(FBusy);
      NormalPriorityScope priority;
      outcome = FilterClipboard(*settings);
    }
  } catch (const clipboard::EClipboardError& held) {
    Remember(CopyOutcome::Untouched);  // a newer copy waits: the last original is stale
    WaitForClipboard(sequence, held.what());
    return;
  } catch (...) {
    StopRetrying();
    Remember(CopyOutcome::Untouched);
    throw;
  }
  StopRetrying();
  Remember(outcome);
}

CopyOutcome CopyRun::FilterClipboard(const filter::FilterSettings& settings) {
  std::u16string copied;
  DWORD read_sequence = 0;
  {
    clipboard::OpenedClipboard clip(FOwner(), Api);
    // A password manager's copy is neither read nor written back, nor remembered.
    if (clip.HoldsPrivateCopy()) return CopyOutcome::Private;
    read_sequence = clip.Sequence();
    copied = clip.ReadText();
  }
  std::optional<TextVersion> filtered = Filtered(FFilter, copied, settings);
  if (!filtered) return CopyOutcome::Untouched;
  // The same text written back would only take away the copying program's other formats.
  if (filtered->text == copied) return CopyOutcome::Unchanged;
  // The original's ANSI form is made only if it is ever put back.
  return Write(read_sequence, std::move(*filtered), {std::move(copied), {}});
}

std::optional<std::string> CopyRun::WriteOver(const clipboard::OpenedClipboard& clip,
                                              const TextVersion& next, const TextVersion& current) {
  std::optional<std::string> failure;
  try {
    WriteVersion(clip, next);
  } catch (const framework::Exception& e) {
    failure = e.what();
    // The clipboard may hold nothing, or half: what it held goes back.
    try {
      WriteVersion(clip, current);
    } catch (const framework::Exception&) {
      // Both versions are still kept, and a swap can try again.
    }
  }
  FOwnOpen = clip.Sequence();
  return failure;
}

CopyOutcome CopyRun::Write(DWORD read_sequence, TextVersion filtered, TextVersion original) {
  std::optional<std::string> failure;
  {
    clipboard::OpenedClipboard clip(FOwner(), Api);
    // A newer copy came while this one was filtered: it is left as it is, and its own notice
    // filters it.
    if (clip.Sequence() != read_sequence) return CopyOutcome::Superseded;
    failure = WriteOver(clip, filtered, original);
  }
  FOwnClosed = GetClipboardSequenceNumber();
  FPair.Record(CopyOutcome::Filtered, std::move(original), std::move(filtered));
  if (!failure) return CopyOutcome::Filtered;
  FPair.Swapped();  // the original went back: a swap tries the filtered text again
  Trouble(std::string(kWriteFailed) + "\n" + *failure);
  return CopyOutcome::WriteFailed;
}

void CopyRun::Swap() {
  if (!FPair.Active() || Paste.Active()) return;
  std::optional<std::string> failure;
  {
    clipboard::OpenedClipboard clip(FOwner(), Api);
    if (!IsOwnWrite()) {
      // A newer copy: it stays, and the older pair is stale.
      Remember(CopyOutcome::Untouched);
      return;
    }
    failure = WriteOver(clip, FPair.Next(), FPair.Current());
  }
  FOwnClosed = GetClipboardSequenceNumber();  // the version put back stays as it is
  if (failure) throw framework::Exception(*failure);
  FPair.Swapped();
  if (OnPairChanged) OnPairChanged();
}

void CopyRun::PasteFiltered() {
  if (FBusy || Paste.Active()) return;
  std::u16string copied;
  {
    clipboard::OpenedClipboard clip(FOwner(), Api);
    // A password manager's copy is never read, not even to paste it.
    if (clip.HoldsPrivateCopy()) return;
    copied = clip.ReadText();
  }
  std::optional<TextVersion> filtered;
  if (IsOwnWrite() && FPair.Active()) {
    // Filtered once already: its filtered version, never a second filtering of it.
    filtered = FPair.ShowingOriginal() ? FPair.Next() : FPair.Current();
  } else {
    const std::string program = ClipboardOwnerProgram();
    const std::optional<filter::FilterSettings> settings =
        SettingsFor ? SettingsFor(program, true) : std::optional<filter::FilterSettings>{};
    if (settings) filtered = Filtered(FFilter, copied, *settings);
  }
  if (!filtered) return;  // a text the filter can't carry: nothing pasted in its name
  if (Paste.Paste(copied, filtered->text, filtered->ansi) ==
      clipboard::DelayedPaste::Start::Elevated)
    Trouble(kElevated);
}

void CopyRun::WaitForClipboard(DWORD sequence, const std::string& message) {
  const ULONGLONG now = Clock();
  if (!FRetryUntil || sequence != FRetrySequence) {  // a new copy gets the whole patience
    if (!FRetryUntil && !SetTimer(FTimerWindow(), kRetryTimer, kRetryInterval, nullptr))
      throw framework::EOSError("SetTimer", GetLastError());
    FRetrySequence = sequence;
    FRetryUntil = now + kRetryPatience;
  } else if (now >= FRetryUntil) {
    StopRetrying();
    Trouble(message);  // said once, where it stops no one; the next copy is tried as usual
  }
}

void CopyRun::Remember(CopyOutcome outcome) {
  // A filtered copy's pair was kept by the write itself; a copy superseded before its write
  // leaves everything to the newer copy.
  if (outcome != CopyOutcome::Filtered && outcome != CopyOutcome::WriteFailed &&
      outcome != CopyOutcome::Superseded)
    FPair.Record(outcome);
  if (OnPairChanged) OnPairChanged();
}

void CopyRun::Trouble(const std::string& message) const {
  if (OnTrouble) OnTrouble(message);
}

}  // namespace kestrilon::app
