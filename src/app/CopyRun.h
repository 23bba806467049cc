// The run on each copy: the clipboard read, filtered and written back, as one unit that keeps
// what the run needs between copies. It knows the program's own writes, waits for a clipboard
// another program holds, never writes over a newer copy, puts the copy back when a write fails,
// and keeps both versions of the last filtered copy, so that either can be put back.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ClipboardText.h"
#include "DelayedPaste.h"
#include "CopyRules.h"
#include "Pipeline.h"
#include "Settings.h"

namespace kestrilon::app {

// A copied text filtered as the clipboard's run filters it: converted to code page 932 with
// placeholders for what the code page lacks, filtered, converted back. Nothing when the text can't
// be carried (more characters outside the code page than placeholders): it stays as it was.
std::optional<TextVersion> Filtered(filter::Filter& filter, std::u16string_view copied,
                                    const filter::FilterSettings& settings);

class CopyRun {
 public:
  // owner: the window that opens the clipboard (and so owns what the run writes); timer_window:
  // where the retry timer's WM_TIMER goes, to be handed to TimerTick.
  CopyRun(std::function<HWND()> owner, std::function<HWND()> timer_window);
  ~CopyRun();
  CopyRun(const CopyRun&) = delete;
  CopyRun& operator=(const CopyRun&) = delete;

  // What the run asks of the program around it.
  // The settings for a copy made by program (its file name, "" when unknown); none: leave the
  // copy alone. forced: the user asked for this copy to be filtered, so there are always some.
  std::function<std::optional<filter::FilterSettings>(const std::string& program, bool forced)>
      SettingsFor;
  // The program that made the newest copy, paused or not.
  std::function<void(const std::string& program)> OnCopyProgram;
  // The pair of versions changed: whether there is one, and which the clipboard holds.
  std::function<void()> OnPairChanged;
  // Something the user should hear of without being stopped: a balloon, not a box.
  std::function<void(const std::string& message)> OnTrouble;

  // The clipboard's system calls; a test replaces them.
  clipboard::ClipboardApi Api;
  // The milliseconds the retry's patience is measured in; a test moves it on instead of waiting.
  std::function<ULONGLONG()> Clock = GetTickCount64;
  // The paste that keeps the clipboard; a test reaches its seams.
  clipboard::DelayedPaste Paste;

  // A change of the clipboard's content, as the listener reports it.
  void ClipboardChanged(bool paused);
  // The retry timer's tick.
  void TimerTick(bool paused);
  // Puts back the version of the last filtered copy that the clipboard doesn't hold: the original
  // as copied, or after that the filtered text again; only while the clipboard still holds what
  // the run wrote, so a newer copy is never replaced. Throws clipboard::EClipboardError when the
  // clipboard is held, framework::EOSError when the write fails (the clipboard then holds the
  // version it held, and the pair is kept).
  void Swap();
  // Filters what the clipboard holds now, paused or not, whatever program copied it, by the same
  // rules as every copy (a private copy is never touched). On the run's own write, it puts the
  // filtered version back if the clipboard holds the original.
  void FilterNow();

  // Pastes the clipboard's text, filtered as filter now would, into the active window, and leaves
  // the clipboard as it was. Tells in a balloon when the window runs elevated (the keys can't
  // reach it). Throws as Swap does, and framework::EOSError when the keys can't be sent.
  void PasteFiltered();

  bool Busy() const noexcept { return FBusy; }
  bool CanSwap() const noexcept { return FPair.Active(); }
  bool ShowingOriginal() const noexcept { return FPair.ShowingOriginal(); }
  bool Retrying() const noexcept { return FRetryUntil != 0; }

  // How long a held clipboard is tried again, and how often.
  static constexpr UINT_PTR kRetryTimer = 1;
  static constexpr UINT kRetryInterval = 60;         // ms
  static constexpr ULONGLONG kRetryPatience = 3000;  // ms

 private:
  void Try(bool forced);
  CopyOutcome FilterClipboard(const filter::FilterSettings& settings);
  // Writes the filtered text unless a newer copy came since the read (sequence); a failed write
  // puts the original back.
  CopyOutcome Write(DWORD read_sequence, TextVersion filtered, TextVersion original);
  // Writes one version over the other the clipboard holds (open); when that fails, writes the
  // other back. The failure's message, or nothing.
  std::optional<std::string> WriteOver(const clipboard::OpenedClipboard& clip,
                                       const TextVersion& next, const TextVersion& current);
  bool IsOwnWrite() const;
  void WaitForClipboard(DWORD sequence, const std::string& message);
  void StopRetrying() noexcept;
  void Remember(CopyOutcome outcome);
  void NoteCopyProgram();
  void Trouble(const std::string& message) const;

  std::function<HWND()> FOwner;
  std::function<HWND()> FTimerWindow;
  // The pipeline with the maps of the last settings, for the program's life.
  filter::Filter FFilter;
  CopyPair FPair;
  std::string FProgram;
  bool FBusy = false;
  // The clipboard's sequence numbers the run's last write left: while the clipboard was still
  // open, and once closed (closing may raise it: the system adds formats then). A change that
  // shows one of them is the run's own, however late or often its notice comes.
  DWORD FOwnOpen = 0;
  DWORD FOwnClosed = 0;
  // The copy being tried again, by sequence number, and until when (by Clock; 0: none).
  DWORD FRetrySequence = 0;
  ULONGLONG FRetryUntil = 0;
  // The copy being tried again was asked for by the user: a pause doesn't stop it.
  bool FRetryForced = false;
};

}  // namespace kestrilon::app
