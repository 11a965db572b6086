#include "StageWindows.h"

#include <map>
#include <vector>

namespace {

constexpr char ClassName[] = "TvmPlayerStage";

HINSTANCE moduleInstance = nullptr;
ATOM windowClass = 0;
// The instance the class was really registered under, as its first window
// tells: the host may have put its own in.
HINSTANCE classInstance = nullptr;
std::map<HWND, StageWindowOwner*> owners;

LRESULT CALLBACK StageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        owners[window] = static_cast<StageWindowOwner*>(create->lpCreateParams);
        classInstance = create->hInstance;
    }
    auto found = owners.find(window);
    if (found == owners.end())
        return DefWindowProcA(window, message, wParam, lParam);
    StageWindowOwner* owner = found->second;
    if (message == WM_NCDESTROY)
        owners.erase(found);
    return owner->OnStageMessage(window, message, wParam, lParam);
}

}

void StartStageWindows(HINSTANCE instance)
{
    moduleInstance = instance;
}

void StopStageWindows()
{
    std::vector<HWND> left;
    for (const auto& entry : owners) left.push_back(entry.first);
    for (HWND window : left) DestroyWindow(window);
    owners.clear();
    if (windowClass)
        UnregisterClassA(MAKEINTATOM(windowClass), classInstance ? classInstance : moduleInstance);
    windowClass = 0;
    classInstance = nullptr;
}

HWND CreateStageWindow(StageWindowOwner& owner, HWND parent, const RECT& position)
{
    if (!windowClass) {
        WNDCLASSEXA description{};
        description.cbSize = sizeof(description);
        description.style = CS_DBLCLKS;
        description.lpfnWndProc = StageProcedure;
        description.hInstance = moduleInstance;
        description.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
        description.lpszClassName = ClassName;
        windowClass = RegisterClassExA(&description);
        if (!windowClass)
            return nullptr;
    }
    return CreateWindowExA(0, ClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, position.left, position.top,
                           position.right - position.left, position.bottom - position.top, parent, nullptr,
                           moduleInstance, &owner);
}
