#include "IPC.h"

#include "Exceptions.h"
#include "UtilWindow.h"

TIPCClient::TIPCClient(TComponent* owner)
    : TComponent(owner),
      connectRequest_(RegisterWindowMessageA("IPCConnectRequest")),
      connectResponse_(RegisterWindowMessageA("IPCConnectRespose")),
      clientDisconnecting_(RegisterWindowMessageA("IPCClientDisconneting")),
      serverDisconnecting_(RegisterWindowMessageA("IPCServerDisconneting"))
{
}

TIPCClient::~TIPCClient()
{
    CloseWindow();
}

void TIPCClient::Activate()
{
    if (active_)
        return;
    sessionMessage_ = RegisterWindowMessageA(SessionName.c_str());
    if (!window_) {
        try {
            window_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
        } catch (const EInvalidOperation&) {
            // Without a window nobody could answer: nothing is broadcast.
            return;
        }
    }
    Broadcast(connectRequest_);
}

void TIPCClient::Deactivate()
{
    if (!active_)
        return;
    CloseWindow();
    peer_ = nullptr;
    active_ = false;
}

void TIPCClient::CloseWindow()
{
    if (!window_)
        return;
    Broadcast(clientDisconnecting_);
    DeallocateHWnd(window_);
    window_ = nullptr;
}

void TIPCClient::Broadcast(UINT message)
{
    // SendMessage would wait for ever on a window whose thread hangs.
    SendMessageTimeoutA(HWND_BROADCAST, message, reinterpret_cast<WPARAM>(window_), sessionMessage_,
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, BroadcastTimeout, nullptr);
}

void TIPCClient::WndProc(TMessage& message)
{
    if (message.Msg == WM_COPYDATA) {
        if (message.WParam != sessionMessage_)
            return;
        // The size comes with the data: the handler reads no further.
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(message.LParam);
        if (!copy || (copy->cbData > 0 && !copy->lpData))
            return;
        if (OnData)
            OnData(copy->lpData, copy->cbData);
        message.Result = TRUE;
    } else if (message.Msg == connectResponse_) {
        if (active_)
            return;
        peer_ = reinterpret_cast<HWND>(message.WParam);
        if (OnConnect)
            OnConnect(peer_);
        active_ = true;
    } else if (message.Msg == serverDisconnecting_) {
        if (!active_ || reinterpret_cast<HWND>(message.WParam) != peer_)
            return;
        if (OnDisconnect)
            OnDisconnect(peer_);
        peer_ = nullptr;
        active_ = false;
    } else {
        message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
    }
}
