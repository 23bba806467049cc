// TForm1 and each copy: the run that filters the clipboard, how the program knows its own writes,
// the wait for a clipboard another program holds, what undo keeps and puts back.
#include <string>

#include "Application.h"
#include "ClipboardText.h"
#include "Pipeline.h"
#include "Setting.h"
#include "UnicodeBridge.h"
#include "WinHandles.h"
#include "WinText.h"
#include "WinWindow.h"

namespace kestrilon::app {

using namespace framework;

namespace {

// RAII for the busy mark: cleared however the run ends.
class BusyScope {
public:
  explicit BusyScope(bool& busy) : FBusy(busy) { FBusy = true; }
  ~BusyScope() { FBusy = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

private:
  bool& FBusy;
};


// The file name of the program whose window owns the clipboard: the program that made the copy.
// Empty when there is no owner or its process can't be asked.
std::string ClipboardOwnerProgram() {
  HWND owner = GetClipboardOwner();
  DWORD process = 0;
  if (!owner || !GetWindowThreadProcessId(owner, &process) || !process) return {};
  win::UniqueKernelHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  if (!handle) return {};
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(handle.Get(), 0, path.data(), &size)) return {};
  path.resize(size);
  const std::size_t slash = path.find_last_of(L"\\/");
  return win::Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}


}  // namespace

void TForm1::Undo1Click(TObject&) {
  if (!FUndo.CanUndo()) return;
  {
    clipboard::OpenedClipboard clip(ClipTrap->Handle(), OpenClipboardWith);
    clip.WriteText(FUndo.Original(), FUndo.Ansi());
  }
  FOwnSequence = GetClipboardSequenceNumber();  // the original stays as it was copied
  Remember(CopyOutcome::Untouched);  // put back: nothing more to undo
}


void TForm1::ClipTrapClipChange(TObject&) {
  if (FBusy || IsOwnWrite()) return;
  if (FPaused) {
    Remember(CopyOutcome::Untouched);  // a newer copy: the last original is stale
    return;
  }
  TryFilter();
}

bool TForm1::IsOwnWrite() const {
  // The owner stays this program's window until another program empties the clipboard; the
  // sequence number covers a write whose ownership the system has already passed on.
  const HWND own = ClipTrap->Handle();
  return (own && GetClipboardOwner() == own) || (FOwnSequence != 0 && GetClipboardSequenceNumber() == FOwnSequence);
}

void TForm1::StopRetrying() noexcept {
  if (!FRetryUntil) return;
  FRetryUntil = 0;
  KillTimer(win::WindowOf(*this), kRetryTimer);  // a timer already gone needs nothing more
}

void TForm1::TryFilter() {
  if (FBusy || IsOwnWrite()) {
    StopRetrying();
    return;
  }
  const DWORD sequence = GetClipboardSequenceNumber();
  if (!FRetryUntil || sequence != FRetrySequence) LastCopyChanged(ClipboardOwnerProgram());
  CopyOutcome outcome = CopyOutcome::Untouched;
  try {
    if (!FLastCopyProgram.empty() && FExcluded.Contains(FLastCopyProgram)) {
      outcome = CopyOutcome::Excluded;
    } else if (clipboard::ClipboardHasText()) {
      {
        BusyScope busy(FBusy);
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
        outcome = FilterClipboard();
      }
      SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
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

void TForm1::WaitForClipboard(DWORD sequence, const char* message) {
  const ULONGLONG now = GetTickCount64();
  if (!FRetryUntil || sequence != FRetrySequence) {  // a new copy gets the whole patience
    if (!FRetryUntil && !SetTimer(win::WindowOf(*this), kRetryTimer, kRetryInterval, nullptr))
      throw framework::EOSError("SetTimer", GetLastError());
    FRetrySequence = sequence;
    FRetryUntil = now + kRetryPatience;
  } else if (now >= FRetryUntil) {
    StopRetrying();
    // Said once, where it stops no one; the next copy is tried as usual.
    TrayIcon->SetBalloonHelpTitle(Application().Title());
    TrayIcon->SetBalloonHelpText(message);
    TrayIcon->SetBalloonHelpIcon(tray::bitWarning);
    TrayIcon->ShowBalloonHelp();
  }
}

void TForm1::Remember(CopyOutcome outcome) {
  // A filtered copy's original was kept by the run itself.
  if (outcome != CopyOutcome::Filtered) FUndo.Record(outcome);
  Undo1->SetEnabled(FUndo.CanUndo());
}

CopyOutcome TForm1::FilterClipboard() {
  std::u16string copied;
  {
    clipboard::OpenedClipboard clip(ClipTrap->Handle(), OpenClipboardWith);
    // A password manager's copy is neither read nor written back, nor remembered.
    if (clip.HoldsPrivateCopy()) return CopyOutcome::Private;
    copied = clip.ReadText();
  }
  unicode::Cp932Text text = unicode::Utf16ToCp932(copied);
  // More characters outside code page 932 than placeholders: the text stays as it was copied.
  if (text.error != unicode::BridgeError::None) return CopyOutcome::Untouched;
  std::string originalAnsi = unicode::AnsiForm(text.bytes, text.placeholders);
  const std::string filtered = FFilter.Run(std::move(text.bytes), CurrentSettings());
  const auto result = unicode::Cp932ToUtf16(filtered, text.placeholders);
  if (result.error != unicode::BridgeError::None) return CopyOutcome::Untouched;  // never put back a broken text
  // The same text written back would only take away the copying program's other formats.
  if (result.text == copied) return CopyOutcome::Unchanged;
  {
    clipboard::OpenedClipboard clip(ClipTrap->Handle(), OpenClipboardWith);
    clip.WriteText(result.text, unicode::AnsiForm(filtered, text.placeholders));
  }
  // Read once the clipboard is closed: closing may still raise it (formats the system adds).
  FOwnSequence = GetClipboardSequenceNumber();
  FUndo.Record(CopyOutcome::Filtered, std::move(copied), std::move(originalAnsi));
  return CopyOutcome::Filtered;
}

}  // namespace kestrilon::app
