#pragma once
// The program's announcement to a peer process through window messages: a
// hidden window broadcasts a connect request under a session name, a peer
// answers with its window, and may then send data by WM_COPYDATA. A peer
// that hangs cannot hold the program up: every broadcast gives each window
// a bounded time to answer.
#include <windows.h>

#include <functional>
#include <string>

#include "Components.h"
#include "Messages.h"

// The bytes of a WM_COPYDATA of the session, valid during the call only.
using TOnData = std::function<void(const void* data, DWORD size)>;
using TOnConnect = std::function<void(HWND peer)>;
using TOnDisconnect = std::function<void(HWND peer)>;

class TIPCClient : public TComponent {
public:
    // How long one window may take to handle a broadcast, in ms.
    static constexpr UINT BroadcastTimeout = 250;

    explicit TIPCClient(TComponent* owner);
    // An existing hidden window says goodbye first.
    ~TIPCClient() override;
    std::string ClassName() const override { return "TIPCClient"; }

    // Registers the session, makes the hidden window and asks every top-level
    // window for a peer. Nothing while active.
    void Activate();
    // Tells every top-level window that the client goes, and drops the
    // hidden window. Nothing unless active.
    void Deactivate();
    // A peer has answered and has not said goodbye.
    bool Active() const { return active_; }
    HWND Handle() const { return window_; }

    std::string SessionName;
    TOnData OnData;
    TOnConnect OnConnect;
    TOnDisconnect OnDisconnect;

private:
    void WndProc(TMessage& message);
    void Broadcast(UINT message);
    void CloseWindow();

    UINT connectRequest_;
    UINT connectResponse_;
    UINT clientDisconnecting_;
    UINT serverDisconnecting_;
    UINT sessionMessage_ = 0;
    HWND window_ = nullptr;
    HWND peer_ = nullptr;
    bool active_ = false;
};
