// The run on each copy: the clipboard read, filtered and written back, as one unit that keeps
// what the run needs between copies. It knows the program's own writes, waits for a clipboard
// another program holds, never writes over a newer copy, puts the copy back when a write fails,
// and keeps the original of the last filtered copy for undo.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ClipboardText.h"
#include "CopyRules.h"
#include "Pipeline.h"
#include "Settings.h"

namespace kestrilon::app {

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
  // copy alone.
  std::function<std::optional<filter::FilterSettings>(const std::string& program)> SettingsFor;
  // The program that made the newest copy, paused or not.
  std::function<void(const std::string& program)> OnCopyProgram;
  // Whether there is something to undo may have changed.
  std::function<void()> OnUndoChanged;
  // Something the user should hear of without being stopped: a balloon, not a box.
  std::function<void(const std::string& message)> OnTrouble;

  // The clipboard's system calls; a test replaces them.
  clipboard::ClipboardApi Api;

  // A change of the clipboard's content, as the listener reports it.
  void ClipboardChanged(bool paused);
  // The retry timer's tick.
  void TimerTick(bool paused);
  // Puts back the last filtered copy as it was copied, if the clipboard still holds what the run
  // wrote; a newer copy is never replaced. Throws clipboard::EClipboardError when the clipboard
  // is held, framework::EOSError when the write fails (the original is then still kept).
  void Undo();

  bool Busy() const noexcept { return FBusy; }
  bool CanUndo() const noexcept { return FUndo.CanUndo(); }
  bool Retrying() const noexcept { return FRetryUntil != 0; }

  // How long a held clipboard is tried again, and how often.
  static constexpr UINT_PTR kRetryTimer = 1;
  static constexpr UINT kRetryInterval = 60;         // ms
  static constexpr ULONGLONG kRetryPatience = 3000;  // ms

private:
  void Try();
  CopyOutcome FilterClipboard(const filter::FilterSettings& settings);
  // Writes the filtered text unless a newer copy came since the read (sequence); a failed write
  // puts the original back.
  CopyOutcome Write(DWORD read_sequence, std::u16string_view text, std::string_view ansi,
                    std::u16string original, std::string original_ansi);
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
  UndoMemory FUndo;
  std::string FProgram;
  bool FBusy = false;
  // The clipboard's sequence numbers the run's last write left: while the clipboard was still
  // open, and once closed (closing may raise it: the system adds formats then). A change that
  // shows one of them is the run's own, however late or often its notice comes.
  DWORD FOwnOpen = 0;
  DWORD FOwnClosed = 0;
  // The copy being tried again, by sequence number, and until when (GetTickCount64; 0: none).
  DWORD FRetrySequence = 0;
  ULONGLONG FRetryUntil = 0;
};

}  // namespace kestrilon::app
