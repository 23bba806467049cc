// Threads (Windows): created suspended, resumed, able to suspend themselves, told to terminate
// and waited for. Synchronize runs a function on the GUI thread and waits for it; a GUI thread
// that waits for a thread (WaitFor) keeps running that thread's Synchronize calls, so the two
// never wait for each other.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "Components.h"
#include "WinHandles.h"

namespace kestrilon::framework {

class TThread : public TObject {
 public:
  // Created suspended: Resume starts Execute. Throws EThread when no thread can be made.
  TThread();
  // A thread that started and hasn't finished is told to terminate, resumed if suspended and
  // waited for (serving its Synchronize calls), so it never outlives this object.
  ~TThread() override;

  // Starts the thread the first time; later, lets a suspended thread go on.
  void Resume();
  // From the thread itself: sleeps here until Resume. From another thread: the thread sleeps at
  // its next Pause or Synchronize.
  void Suspend();
  bool Suspended() const noexcept { return !FStarted || FSuspended.load(); }
  void Terminate() noexcept;
  bool Terminated() const noexcept { return FTerminated.load(); }
  bool Finished() const noexcept { return FFinished.load(); }
  // Waits until Execute has returned; on the GUI thread it runs Synchronize calls meanwhile.
  // Throws EThread for a thread that was never started (it would never end).
  void WaitFor();

  DWORD ThreadID() const noexcept { return FThreadID; }
  // What escaped Execute, if anything (it never escapes the thread).
  std::exception_ptr FatalException() const noexcept { return FFatalException; }

 protected:
  // The thread's work; it should return soon after Terminated() becomes true.
  virtual void Execute() = 0;
  // Runs method on the GUI thread and waits until it returned; an exception it throws is thrown
  // here again. Called on the GUI thread, it just runs method.
  void Synchronize(const std::function<void()>& method);
  // Sleeps for milliseconds or until Terminate, and stays here while suspended. Returns
  // !Terminated().
  bool Pause(DWORD milliseconds);
  // For a derived class's destructor: ends the thread (terminated, resumed, waited for) while
  // the derived parts that Execute uses still exist. Never throws.
  void StopAndWait() noexcept;

 private:
  static unsigned WINAPI ThreadProc(void* self);
  void SleepWhileSuspended();

  win::UniqueKernelHandle FHandle;
  win::UniqueKernelHandle FWakeEvent;  // Resume and Terminate set it
  unsigned FThreadID = 0;
  bool FStarted = false;
  std::atomic<bool> FSuspended{false};
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::exception_ptr FFatalException;
};

// True on the GUI thread (the thread that started the process).
bool IsMainThread() noexcept;
// Runs the Synchronize calls waiting now (GUI thread only); true when one ran.
bool CheckSynchronize();
// An event that is set whenever a Synchronize call is waiting, for waits of the GUI thread.
HANDLE SynchronizeEvent() noexcept;

}  // namespace kestrilon::framework
