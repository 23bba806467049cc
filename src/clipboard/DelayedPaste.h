// Paste filtered, keep the clipboard: the filtered text is pasted into the active window, and the
// clipboard then holds what it held before, every format of it, not only its text.
//
// How: what the clipboard holds is saved; the clipboard is emptied by this unit's own hidden
// window, which offers the filtered text by delayed rendering; Ctrl+V goes to the active window
// with SendInput; the text is rendered when the target asks for it, and the saved formats go
// back once the target has read it (kReadGrace after the last render) or when nothing asked for
// it within kPatience.
//
// Saved and put back: every format whose data is a global memory block, byte for byte, in the
// order the clipboard lists them (formats the system makes from others included, so they come
// back as they read before). Not saved, because their data is no memory block: CF_BITMAP,
// CF_DSPBITMAP, CF_PALETTE, CF_METAFILEPICT, CF_DSPMETAFILEPICT, CF_ENHMETAFILE,
// CF_DSPENHMETAFILE, CF_OWNERDISPLAY, and the private (CF_PRIVATEFIRST..LAST) and GDI-object
// (CF_GDIOBJFIRST..LAST) ranges. An image copied as a bitmap still comes back as its CF_DIB,
// from which the system makes the bitmap again. A format the clipboard lists but whose data its
// owner cannot give (or gives as an empty block) has nothing to save and is left out.
//
// Offered: CF_UNICODETEXT, CF_TEXT and CF_LOCALE (Japanese), all rendered from the caller's
// texts, as OpenedClipboard::WriteText writes them: an ANSI reader gets the same code page 932
// text (with the caller's "?" for characters the code page lacks) whatever keyboard layout is
// active, where the system's own conversion would follow the layout.
//
// A newer copy by another program during the paste (another owner, or a sequence number this
// unit did not leave) is never overwritten: the saved formats are dropped instead.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ClipboardText.h"
#include "UtilityWindow.h"

namespace kestrilon::clipboard {

// True when this process is not elevated and window's process is, or cannot be asked (OpenProcess
// or OpenProcessToken refused, as they are for an elevated process asked by one that is not).
// False where the system can't say (no TokenElevation before Vista: no such barrier either).
bool TargetIsElevated(HWND window);

// The keyboard and the target window, each replaceable: a test stands in for an elevated window
// (Wine has none) or records the keys.
struct PasteTargetApi {
  std::function<HWND()> Foreground = ::GetForegroundWindow;
  // Whether keys sent to window are dropped by the system because its process runs elevated
  // (SendInput's result does not show that).
  std::function<bool(HWND)> IsElevated = TargetIsElevated;
  std::function<SHORT(int)> KeyState = ::GetAsyncKeyState;
  std::function<UINT(UINT, INPUT*, int)> SendInput = ::SendInput;
};

class DelayedPaste {
 public:
  using TWindowAllocator =
      std::function<std::unique_ptr<framework::TUtilityWindow>(framework::TWindowMethod)>;

  // How a paste began. Every result but Sent leaves the clipboard untouched and sends nothing.
  enum class Start {
    Sent,      // Ctrl+V sent; the paste ends later, told through OnFinished
    Elevated,  // the active window runs elevated: the keys could not reach it (tell the user)
    NoTarget,  // no active window
    Changed,   // the clipboard no longer holds the original text given
    Busy,      // an earlier paste has not ended
  };
  // How a sent paste ended.
  enum class End {
    Restored,       // the clipboard holds again what it held before
    Superseded,     // another program copied meanwhile: its copy stays
    RestoreFailed,  // the saved formats could not all go back; the message says why
  };

  // Creates no window yet: the first paste does.
  explicit DelayedPaste(TWindowAllocator allocator = framework::AllocateHWnd);
  // A paste still running is ended at once (the saved formats put back, if the clipboard can be
  // opened now; OnFinished is not called); what the window still offers is rendered before it
  // is destroyed.
  ~DelayedPaste();
  DelayedPaste(const DelayedPaste&) = delete;
  DelayedPaste& operator=(const DelayedPaste&) = delete;

  // The clipboard's system calls and the keyboard's; a test replaces them.
  ClipboardApi Api;
  PasteTargetApi Target;
  // A sent paste has ended (called from the window's messages; never from the destructor).
  std::function<void(End end, const std::string& message)> OnFinished;

  // Pastes filtered (its code page 932 ANSI form: ansi) into the active window, provided the
  // clipboard still holds original as its Unicode text (the text the caller read and filtered).
  // Held modifier keys (Shift, Alt, Win, as a hot key leaves them) are released first, so that the
  // target sees a plain Ctrl+V. Throws EClipboardError when the clipboard is held by another
  // program or its content can't be read (nothing done); framework::EOutOfResources when the
  // window can't be made; framework::EOSError naming the call that failed to empty or offer, or
  // SendInput refusing the keys: the saved formats have then been put back, as far as they could.
  Start Paste(std::u16string_view original, std::u16string_view filtered, std::string_view ansi);

  // Between a Sent start and its end.
  bool Active() const noexcept { return FActive; }
  // Whether the clipboard's latest change is this unit's own: it owns the clipboard, or the
  // sequence number is one it left. The program's listener leaves such a change alone.
  bool IsOwnChange() const;
  // The hidden window (the clipboard's owner while pasting); null before the first paste.
  HWND Handle() const noexcept { return FWindow ? FWindow->Handle() : nullptr; }

  // Time after the last render before the saved formats go back (the target is still reading),
  // time with no render before they go back all the same, and how long a clipboard held by
  // another program is tried again after that.
  static constexpr UINT kReadGrace = 250;       // ms
  static constexpr UINT kPatience = 2000;       // ms
  static constexpr UINT kRetryPatience = 3000;  // ms
  static constexpr UINT_PTR kTimer = 1;

  // One format and its bytes.
  struct Format {
    UINT id;
    std::vector<unsigned char> bytes;
  };

 private:
  void WndProc(framework::TMessage& message);
  // Empties the open clipboard and offers these formats, rendered on request.
  void Offer(std::vector<Format> offered);
  // Empties the open clipboard and places the saved formats.
  void PutBack();
  // Whether nobody else has changed the clipboard since this unit's last change.
  bool StillOurs() const;
  // One try to put the saved formats back; none when the clipboard is held by another program.
  std::optional<End> Restore(std::string& message);
  void Tick();
  void Stop() noexcept;
  void Finish(End end, const std::string& message = {});
  void Render(UINT format);
  void RenderAll();
  void SendPasteKeys();

  TWindowAllocator FAllocator;
  std::unique_ptr<framework::TUtilityWindow> FWindow;
  std::vector<Format> FSaved;    // what the clipboard held
  std::vector<Format> FOffered;  // the filtered text's formats, until rendered or no longer ours
  bool FActive = false;
  bool FEmptying = false;  // this unit's own EmptyClipboard: its WM_DESTROYCLIPBOARD is no news
  // The sequence numbers this unit's last changes left: open, and once closed (closing may raise
  // it); a render adds one more.
  std::vector<DWORD> FOwnSequences;
  ULONGLONG FGiveUpAt = 0;  // GetTickCount64 after which a held clipboard is no longer waited for
};

}  // namespace kestrilon::clipboard
