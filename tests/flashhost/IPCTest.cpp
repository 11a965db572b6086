// The window-message client against peers made here: each peer is a top-level
// window on a thread of its own, as a peer process's window would be.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "IPC.h"

namespace {

const char* const Session = "TvmIpcTestSession";
constexpr UINT Answer = WM_APP + 1;

// Answers the client's connect request with its window, then sends Data;
// a hung peer never handles a message at all.
class Peer {
public:
    explicit Peer(std::string data, bool hung = false) : data_(std::move(data)), hung_(hung)
    {
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] { Run(ready); });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~Peer()
    {
        Release();
        PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
        CloseHandle(release_);
    }

    HWND Window() const { return window_; }
    // A hung peer comes back to life.
    void Release()
    {
        released_ = true;
        SetEvent(release_);
    }
    bool Released() const { return released_; }

    std::atomic<int> Disconnects = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* peer = reinterpret_cast<Peer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        static const UINT request = RegisterWindowMessageA("IPCConnectRequest");
        static const UINT disconnecting = RegisterWindowMessageA("IPCClientDisconneting");
        if (peer && message == request && lParam == LPARAM(RegisterWindowMessageA(Session))) {
            peer->client_ = reinterpret_cast<HWND>(wParam);
            PostMessageA(window, Answer, 0, 0);
            return 0;
        }
        if (peer && message == disconnecting && reinterpret_cast<HWND>(wParam) == peer->client_) {
            ++peer->Disconnects;
            return 0;
        }
        if (peer && message == Answer) {
            // Bounded, so that a test that failed and stopped pumping still ends.
            SendMessageTimeoutA(peer->client_, RegisterWindowMessageA("IPCConnectRespose"), WPARAM(window), 0,
                                SMTO_NORMAL, 5000, nullptr);
            COPYDATASTRUCT copy = {0, DWORD(peer->data_.size()), peer->data_.data()};
            SendMessageTimeoutA(peer->client_, WM_COPYDATA, RegisterWindowMessageA(Session), LPARAM(&copy),
                                SMTO_NORMAL, 5000, nullptr);
            return 0;
        }
        if (message == WM_CLOSE)
            DestroyWindow(window);
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Run(HANDLE ready)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TvmIpcTestPeer";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "TvmIpcTestPeer", "peer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, LONG_PTR(this));
        SetEvent(ready);
        if (hung_)
            WaitForSingleObject(release_, INFINITE);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }

    std::string data_;
    bool hung_;
    HANDLE release_;
    std::atomic<bool> released_ = false;
    std::thread thread_;
    HWND window_ = nullptr;
    HWND client_ = nullptr;
};

void PumpUntil(const std::function<bool()>& done)
{
    for (int waited = 0; waited < 10000 && !done(); waited += 5) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(5);
    }
}

std::unique_ptr<TIPCClient> NewClient(std::vector<std::string>& data, std::vector<HWND>& events)
{
    auto client = std::make_unique<TIPCClient>(nullptr);
    client->SessionName = Session;
    client->OnData = [&](const void* bytes, DWORD size) { data.emplace_back(static_cast<const char*>(bytes), size); };
    client->OnConnect = [&](HWND peer) { events.push_back(peer); };
    client->OnDisconnect = [&](HWND peer) { events.push_back(peer); };
    return client;
}

TEST(IPCClient, TheFirstPeerToAnswerConnectsAndItsDataArrivesWhole)
{
    // No terminating zero, and a zero inside: only the size says where it ends.
    std::string payload(1000, 'x');
    payload[10] = '\0';
    Peer first(payload);
    Peer second("from the second");
    std::vector<std::string> data;
    std::vector<HWND> events;
    auto client = NewClient(data, events);
    EXPECT_FALSE(client->Active());
    client->Activate();
    PumpUntil([&] { return data.size() >= 2; });
    ASSERT_TRUE(client->Active());
    ASSERT_EQ(events.size(), 1u) << "the second answer is ignored";
    HWND peer = events[0];
    EXPECT_TRUE(peer == first.Window() || peer == second.Window());
    ASSERT_EQ(data.size(), 2u) << "data of the session comes from either";
    for (const std::string& got : data) EXPECT_TRUE(got == payload || got == "from the second");

    // WM_COPYDATA: only this session's, only with bytes where the size says.
    HWND hidden = client->Handle();
    UINT session = RegisterWindowMessageA(Session);
    char bytes[4] = {'a', 'b', 'c', 'd'};
    const struct {
        WPARAM wParam;
        DWORD size;
        void* pointer;
        bool arrives;
    } copies[] = {{session, 4, bytes, true}, {session, 0, nullptr, true}, {session + 1, 4, bytes, false},
                  {session, 4, nullptr, false}};
    for (const auto& c : copies) {
        data.clear();
        COPYDATASTRUCT copy = {0, c.size, c.pointer};
        SendMessageA(hidden, WM_COPYDATA, c.wParam, LPARAM(&copy));
        EXPECT_EQ(data.size(), c.arrives ? 1u : 0u) << c.size;
        if (c.arrives) {
            EXPECT_EQ(data[0], std::string(bytes, c.size));
        }
    }
    data.clear();
    SendMessageA(hidden, WM_COPYDATA, session, 0);
    EXPECT_TRUE(data.empty()) << "no structure, no data";

    UINT serverGoes = RegisterWindowMessageA("IPCServerDisconneting");
    HWND other = peer == first.Window() ? second.Window() : first.Window();
    SendMessageA(hidden, serverGoes, WPARAM(other), 0);
    EXPECT_TRUE(client->Active()) << "another peer's goodbye";
    SendMessageA(hidden, serverGoes, WPARAM(peer), 0);
    EXPECT_FALSE(client->Active());
    EXPECT_EQ(events.size(), 2u);

    SendMessageA(hidden, RegisterWindowMessageA("IPCConnectRespose"), WPARAM(peer), 0);
    EXPECT_TRUE(client->Active()) << "the window stayed; a new answer connects again";
    client.reset();
    EXPECT_EQ(first.Disconnects + second.Disconnects, 2) << "one goodbye, heard by each peer";
}

TEST(IPCClient, AHungWindowDoesNotHoldTheClientUp)
{
    Peer hung("never", true);
    // Should the client wait for it after all, the test still ends.
    std::thread watchdog([&] {
        for (int waited = 0; waited < 60000 && !hung.Released(); waited += 100) Sleep(100);
        hung.Release();
    });
    std::vector<std::string> data;
    std::vector<HWND> events;
    auto client = NewClient(data, events);
    client->Activate();
    bool stillHung = !hung.Released();
    client.reset();
    stillHung = stillHung && !hung.Released();
    hung.Release();
    watchdog.join();
    EXPECT_TRUE(stillHung) << "the broadcasts waited for the hung window";
    EXPECT_TRUE(events.empty());
}

}
