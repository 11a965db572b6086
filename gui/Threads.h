#pragma once
// Threads of the program's own, calls that other threads hand to the GUI
// thread, and the locks and events threads share.
#include "Components.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <string>

using TThreadMethod = std::function<void()>;

// The thread that started the program and runs the message loop.
extern DWORD MainThreadID;

// Set by the application object: makes the GUI thread call CheckSynchronize
// soon, even from inside a modal message loop.
extern void (*WakeMainThread)();

// On the GUI thread: runs the calls other threads handed over through
// Synchronize or Queue, after waiting up to Timeout ms for one when none is waiting.
// Answers whether any ran.
bool CheckSynchronize(DWORD timeout = 0);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
public:
    // The thread exists but runs only after Start: a descendant is whole only
    // once its own constructor has finished. A thread "created running" is
    // started by its creator right after construction.
    TThread();
    // A thread that never started ends without running Execute. A running
    // one is told to terminate and waited for, but by then its descendant's
    // members are gone: stop it (Terminate, WaitFor) before deleting it.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    std::string ClassName() const override { return "TThread"; }

    // Raises EThread when the thread has already started.
    void Start();
    // Starts a thread that has not started; nothing otherwise.
    void Resume();
    bool Suspended() const { return !started_; }

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Execute and OnTerminate are over.
    bool Finished() const { return finished_; }
    // Waits for the end of the thread and answers its exit code (ReturnValue).
    // On the GUI thread the calls the thread synchronises keep running.
    // Raises EThread for a thread that has not started or frees itself.
    DWORD WaitFor();

    HANDLE Handle() const { return handle_; }
    DWORD ThreadID() const { return threadId_; }
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    // What escaped Execute; the thread ended there and the process goes on.
    std::exception_ptr FatalException() const { return fatalException_; }

    // The thread deletes its object after OnTerminate.
    bool FreeOnTerminate = false;
    // Runs on the GUI thread when Execute has ended.
    TNotifyEvent OnTerminate;

    // Runs Method on the GUI thread and waits for it; an exception it raises
    // is raised again here. On the GUI thread itself Method runs at once.
    static void Synchronize(const TThreadMethod& method);
    // Hands Method to the GUI thread without waiting for it; the GUI thread
    // runs queued calls in order, with the synchronised ones, at its next
    // CheckSynchronize, where an exception a queued call raises comes out.
    // On the GUI thread itself Method runs at once. Owner only marks the call
    // for RemoveQueuedEvents.
    static void Queue(const void* owner, TThreadMethod method);
    // Drops the calls queued for Owner that have not run yet; on the GUI
    // thread none of them runs afterwards.
    static void RemoveQueuedEvents(const void* owner);

protected:
    virtual void Execute() = 0;
    // Hands OnTerminate to the GUI thread.
    virtual void DoTerminate();

    // The thread's exit code.
    int ReturnValue = 0;

private:
    static unsigned __stdcall ThreadProc(void* parameter);
    void WaitForEnd() const;

    HANDLE handle_ = nullptr;
    DWORD threadId_ = 0;
    bool started_ = false;
    std::atomic<bool> abandoned_ = false;
    std::atomic<bool> terminated_ = false;
    std::atomic<bool> finished_ = false;
    std::exception_ptr fatalException_;
};

enum TWaitResult { wrSignaled, wrTimeout, wrError };

// A system event object.
class TEvent : public TObject {
public:
    // Raises EThread when the system cannot create the event.
    explicit TEvent(bool manualReset = true, bool initialState = false, const std::string& name = "");
    ~TEvent() override;
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    std::string ClassName() const override { return "TEvent"; }

    void SetEvent();
    void ResetEvent();
    // wrError keeps the system's error code in LastError.
    TWaitResult WaitFor(DWORD timeout = INFINITE);
    DWORD LastError() const { return lastError_; }
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_;
    DWORD lastError_ = 0;
};

// A manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(true, false) {}
    std::string ClassName() const override { return "TSimpleEvent"; }
};

class TCriticalSection : public TObject {
public:
    TCriticalSection() { InitializeCriticalSection(&section_); }
    ~TCriticalSection() override { DeleteCriticalSection(&section_); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    std::string ClassName() const override { return "TCriticalSection"; }

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    bool TryEnter() { return TryEnterCriticalSection(&section_) != 0; }

private:
    CRITICAL_SECTION section_;
};

// Holds a critical section for the life of a scope.
class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
    ~TCriticalSectionGuard() { section_.Leave(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
    TCriticalSection& section_;
};
