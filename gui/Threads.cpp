#include "Threads.h"

#include "Exceptions.h"

#include <process.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

DWORD MainThreadID = GetCurrentThreadId();
void (*WakeMainThread)() = nullptr;

namespace {

// A synchronised call lives on its waiting thread's stack; a queued one owns
// its method and is deleted once run.
struct TSyncRequest {
    const TThreadMethod* method = nullptr;
    std::exception_ptr error = nullptr;
    bool done = false;
    TThreadMethod queued = nullptr;
    const void* owner = nullptr;
};

// Calls waiting for the GUI thread; the event is set while any wait.
struct TSyncQueue {
    std::mutex lock;
    std::condition_variable done;
    std::deque<TSyncRequest*> requests;
    HANDLE pending = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

TSyncQueue& SyncQueue()
{
    // Lives as long as the process: forms freed at exit may still pump messages.
    static TSyncQueue& queue = *new TSyncQueue;
    return queue;
}

bool InMainThread()
{
    return GetCurrentThreadId() == MainThreadID;
}

[[noreturn]] void RaiseLastError(const std::string& what)
{
    throw EThread(what + ": " + SysErrorMessage(GetLastError()));
}

constexpr struct {
    TThreadPriority priority;
    int system;
} Priorities[] = {
    {tpIdle, THREAD_PRIORITY_IDLE},       {tpLowest, THREAD_PRIORITY_LOWEST},
    {tpLower, THREAD_PRIORITY_BELOW_NORMAL}, {tpNormal, THREAD_PRIORITY_NORMAL},
    {tpHigher, THREAD_PRIORITY_ABOVE_NORMAL}, {tpHighest, THREAD_PRIORITY_HIGHEST},
    {tpTimeCritical, THREAD_PRIORITY_TIME_CRITICAL},
};

}

namespace {

// The first waiting call, or null.
TSyncRequest* TakeRequest(TSyncQueue& queue)
{
    std::lock_guard<std::mutex> guard(queue.lock);
    if (queue.requests.empty()) return nullptr;
    TSyncRequest* request = queue.requests.front();
    queue.requests.pop_front();
    if (queue.requests.empty()) ResetEvent(queue.pending);
    return request;
}

void RunSynchronized(TSyncQueue& queue, TSyncRequest* request)
{
    try {
        (*request->method)();
    } catch (...) {
        request->error = std::current_exception();
    }
    // Once done is set the request may be gone.
    std::lock_guard<std::mutex> guard(queue.lock);
    request->done = true;
    queue.done.notify_all();
}

}

bool CheckSynchronize(DWORD timeout)
{
    if (!InMainThread()) throw EThread("CheckSynchronize called from a thread other than the GUI thread");
    TSyncQueue& queue = SyncQueue();
    if (timeout) WaitForSingleObject(queue.pending, timeout);
    size_t waiting;
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        waiting = queue.requests.size();
    }
    // One at a time, and only those waiting now: a call may remove queued
    // calls behind it, and calls that arrive meanwhile wait for the next round.
    bool ran = false;
    for (; waiting > 0; --waiting) {
        TSyncRequest* request = TakeRequest(queue);
        if (!request) break;
        ran = true;
        if (request->method) {
            RunSynchronized(queue, request);
        } else {
            std::unique_ptr<TSyncRequest> owned(request);
            owned->queued();
        }
    }
    return ran;
}

void TThread::Synchronize(const TThreadMethod& method)
{
    if (InMainThread()) {
        method();
        return;
    }
    TSyncQueue& queue = SyncQueue();
    TSyncRequest request{.method = &method};
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.requests.push_back(&request);
        SetEvent(queue.pending);
    }
    if (WakeMainThread) WakeMainThread();
    {
        std::unique_lock<std::mutex> guard(queue.lock);
        queue.done.wait(guard, [&] { return request.done; });
    }
    if (request.error) std::rethrow_exception(request.error);
}

void TThread::Queue(const void* owner, TThreadMethod method)
{
    if (InMainThread()) {
        method();
        return;
    }
    TSyncQueue& queue = SyncQueue();
    auto request = std::make_unique<TSyncRequest>(TSyncRequest{.method = nullptr, .queued = std::move(method), .owner = owner});
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.requests.push_back(request.release());
        SetEvent(queue.pending);
    }
    if (WakeMainThread) WakeMainThread();
}

void TThread::RemoveQueuedEvents(const void* owner)
{
    TSyncQueue& queue = SyncQueue();
    std::vector<std::unique_ptr<TSyncRequest>> removed;
    std::lock_guard<std::mutex> guard(queue.lock);
    std::erase_if(queue.requests, [&](TSyncRequest* request) {
        if (request->method || request->owner != owner) return false;
        removed.emplace_back(request);
        return true;
    });
    if (queue.requests.empty()) ResetEvent(queue.pending);
}

TThread::TThread()
{
    unsigned id = 0;
    handle_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!handle_) RaiseLastError("Thread creation error");
    threadId_ = id;
}

TThread::~TThread()
{
    // A thread that frees itself is already past its end.
    if (GetCurrentThreadId() != threadId_) {
        if (started_) {
            Terminate();
        } else {
            abandoned_ = true;
            started_ = true;
            ResumeThread(handle_);
        }
        WaitForEnd();
    }
    CloseHandle(handle_);
}

unsigned __stdcall TThread::ThreadProc(void* parameter)
{
    auto* thread = static_cast<TThread*>(parameter);
    if (thread->abandoned_) return 0;
    try {
        thread->Execute();
    } catch (...) {
        thread->fatalException_ = std::current_exception();
    }
    try {
        thread->DoTerminate();
    } catch (...) {
        if (!thread->fatalException_) thread->fatalException_ = std::current_exception();
    }
    auto result = static_cast<unsigned>(thread->ReturnValue);
    bool freeOnTerminate = thread->FreeOnTerminate;
    thread->finished_ = true;
    if (freeOnTerminate) delete thread;
    return result;
}

void TThread::DoTerminate()
{
    // Read on the GUI thread, where the handler is set and cleared.
    Synchronize([this] {
        if (OnTerminate) OnTerminate(this);
    });
}

void TThread::Start()
{
    if (started_) throw EThread("Cannot start a thread that has already started");
    started_ = true;
    ResumeThread(handle_);
}

void TThread::Resume()
{
    if (!started_) Start();
}

DWORD TThread::WaitFor()
{
    if (!started_) throw EThread("Cannot wait for a thread that has not started");
    if (FreeOnTerminate) throw EThread("Cannot wait for a thread that frees itself");
    WaitForEnd();
    DWORD exitCode = 0;
    GetExitCodeThread(handle_, &exitCode);
    return exitCode;
}

void TThread::WaitForEnd() const
{
    if (!InMainThread()) {
        WaitForSingleObject(handle_, INFINITE);
        return;
    }
    // The thread may be waiting for the GUI thread: serve its synchronised
    // calls and the messages other threads send while waiting.
    HANDLE handles[] = {handle_, SyncQueue().pending};
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return;
        if (result == WAIT_OBJECT_0 + 1) {
            CheckSynchronize();
        } else if (result == WAIT_OBJECT_0 + 2) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        } else {
            RaiseLastError("Thread wait error");
        }
    }
}

TThreadPriority TThread::Priority() const
{
    int system = GetThreadPriority(handle_);
    for (auto& entry : Priorities)
        if (entry.system == system) return entry.priority;
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority priority)
{
    for (auto& entry : Priorities)
        if (entry.priority == priority) SetThreadPriority(handle_, entry.system);
}

TEvent::TEvent(bool manualReset, bool initialState, const std::string& name)
    : handle_(CreateEventA(nullptr, manualReset, initialState, name.empty() ? nullptr : name.c_str()))
{
    if (!handle_) RaiseLastError("Event creation error");
}

TEvent::~TEvent()
{
    CloseHandle(handle_);
}

void TEvent::SetEvent()
{
    ::SetEvent(handle_);
}

void TEvent::ResetEvent()
{
    ::ResetEvent(handle_);
}

TWaitResult TEvent::WaitFor(DWORD timeout)
{
    switch (WaitForSingleObject(handle_, timeout)) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    default:
        lastError_ = GetLastError();
        return wrError;
    }
}
