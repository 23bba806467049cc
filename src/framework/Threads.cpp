#include "Threads.h"

#include <process.h>

#include <deque>
#include <mutex>

#include "Application.h"
#include "Exceptions.h"

namespace kestrilon::framework {

namespace {

// Static initialisation runs on the thread that starts the process: the GUI thread.
const DWORD MainThread = GetCurrentThreadId();

struct SyncRequest {
  const std::function<void()>* Method;
  HANDLE Done;
  std::exception_ptr Error;
};

struct SyncQueue {
  std::mutex Lock;
  std::deque<SyncRequest*> Waiting;
  win::UniqueKernelHandle Event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

SyncQueue& Queue() {
  static SyncQueue queue;
  return queue;
}

}  // namespace

bool IsMainThread() noexcept { return GetCurrentThreadId() == MainThread; }

HANDLE SynchronizeEvent() noexcept { return Queue().Event.Get(); }

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    SyncRequest* request = nullptr;
    {
      std::lock_guard<std::mutex> guard(Queue().Lock);
      if (Queue().Waiting.empty()) break;
      request = Queue().Waiting.front();
      Queue().Waiting.pop_front();
    }
    try {
      (*request->Method)();
    } catch (...) {
      request->Error = std::current_exception();
    }
    SetEvent(request->Done);
    ran = true;
  }
  return ran;
}

TThread::TThread() : FWakeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  if (!FWakeEvent)
    throw EThread("Cannot create a thread: no event (error " + std::to_string(GetLastError()) +
                  ")");
  uintptr_t handle =
      _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &FThreadID);
  if (handle == 0) throw EThread("Cannot create a thread (errno " + std::to_string(errno) + ")");
  FHandle.Reset(reinterpret_cast<HANDLE>(handle));
}

void TThread::StopAndWait() noexcept {
  Terminate();
  try {
    if (!Finished()) {
      Resume();
      WaitFor();
    }
  } catch (...) {
    // The base destructor ends the thread.
  }
}

TThread::~TThread() {
  if (!FStarted) {
    // Never ran: let it start and return at once, so that its handle can be closed safely.
    FTerminated = true;
    FStarted = true;
    if (ResumeThread(FHandle.Get()) != static_cast<DWORD>(-1)) {
      WaitForSingleObject(FHandle.Get(), INFINITE);
    }
    return;
  }
  if (!FFinished) {
    Terminate();
    if (FSuspended) Resume();
    try {
      WaitFor();
    } catch (...) {
      // WaitFor only throws for a thread that never started; this one did.
    }
  }
}

unsigned WINAPI TThread::ThreadProc(void* self) {
  auto* thread = static_cast<TThread*>(self);
  if (!thread->FTerminated) {
    try {
      thread->Execute();
    } catch (...) {
      thread->FFatalException = std::current_exception();
    }
  }
  thread->FFinished = true;
  return 0;
}

void TThread::Resume() {
  if (!FStarted) {
    FStarted = true;
    if (ResumeThread(FHandle.Get()) == static_cast<DWORD>(-1)) {
      FStarted = false;
      throw EThread("Cannot start the thread (error " + std::to_string(GetLastError()) + ")");
    }
    return;
  }
  if (FSuspended.exchange(false)) SetEvent(FWakeEvent.Get());
}

void TThread::Suspend() {
  FSuspended = true;
  if (GetCurrentThreadId() == FThreadID) SleepWhileSuspended();
}

void TThread::Terminate() noexcept {
  FTerminated = true;
  SetEvent(FWakeEvent.Get());
}

void TThread::SleepWhileSuspended() {
  while (FSuspended && !FTerminated) WaitForSingleObject(FWakeEvent.Get(), INFINITE);
}

bool TThread::Pause(DWORD milliseconds) {
  SleepWhileSuspended();
  if (!FTerminated) WaitForSingleObject(FWakeEvent.Get(), milliseconds);
  SleepWhileSuspended();
  return !FTerminated;
}

void TThread::WaitFor() {
  if (!FStarted) throw EThread("Cannot wait for a thread that was never started");
  if (!IsMainThread()) {
    WaitForSingleObject(FHandle.Get(), INFINITE);
    return;
  }
  // The GUI thread keeps serving Synchronize (and messages sent to it from other threads, which
  // MsgWaitForMultipleObjects lets through) until the thread has ended.
  HANDLE handles[] = {FHandle.Get(), SynchronizeEvent()};
  for (;;) {
    DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_OBJECT_0 + 1) {
      CheckSynchronize();
    } else if (result == WAIT_OBJECT_0 + 2) {
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } else {
      throw EThread("Waiting for a thread failed (error " + std::to_string(GetLastError()) + ")");
    }
  }
  CheckSynchronize();
}

void TThread::Synchronize(const std::function<void()>& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  SleepWhileSuspended();
  win::UniqueKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) throw EThread("Synchronize: no event (error " + std::to_string(GetLastError()) + ")");
  SyncRequest request{&method, done.Get(), nullptr};
  {
    std::lock_guard<std::mutex> guard(Queue().Lock);
    Queue().Waiting.push_back(&request);
  }
  SetEvent(Queue().Event.Get());
  // Wakes a GUI thread that sleeps in GetMessage; one in WaitFor wakes on the event.
  if (HWND app = Application().Handle()) PostMessageW(app, WM_KESTRILON_SYNCHRONIZE, 0, 0);
  WaitForSingleObject(done.Get(), INFINITE);
  if (request.Error) std::rethrow_exception(request.Error);
}

}  // namespace kestrilon::framework
