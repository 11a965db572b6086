// The module's entry points.
//
// The program maps this module into its own memory: it relocates the image,
// binds the imports by name, registers the function table that x64 code
// unwinds through, and calls the entry point, but the module is in no loader
// list and gets no thread-local storage or delayed imports set up. It may be
// mapped, attached, detached and freed several times in one process. Hence:
// - The module never asks the system for its own handle or file name; the
//   instance handed to DllMain is the only one there is.
// - mingw's DLL startup stays: it runs on the entry point's own attach and
//   detach calls (static constructors, on x86 the exception frames registered
//   with this image's copy of the unwinder, and an atexit table of its own
//   that runs at detach, so nothing of a freed image is left for process exit).
// - The startup leaves a TLS directory whose callbacks the program never
//   calls. Nothing depends on them: the compiler emulates thread_local
//   through TlsAlloc, so no code reads the image's TLS index (a test guards
//   that); the startup calls its own TLS initialisation itself; the callbacks
//   only tidy the threading library's records of threads as they end (a
//   mapped image merely leaks them) and set up a handler for naming threads,
//   which the module never does.
// So the module may use C++ freely (containers, exceptions, function-local
// statics, threads), provided that exceptions never leave a COM method and
// that whatever it registers with the process (window classes, timers,
// threads) is undone by the time its detach returns.
#include <windows.h>
#include <objbase.h>

#include "ClassFactory.h"
#include "PlayerControl.h"
#include "SoundMixer.h"
#include "StageWindows.h"

namespace __gnu_cxx {
void __freeres();
}

namespace {

LONG moduleLocks = 0;

}

void LockModule()
{
    InterlockedIncrement(&moduleLocks);
}

void UnlockModule()
{
    InterlockedDecrement(&moduleLocks);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        StartSoundMixer();
        StartStageWindows(instance);
    }
    if (reason == DLL_PROCESS_DETACH) {
        StopSoundMixer();
        StopStageWindows();
        // The C++ runtime's emergency exception buffer belongs to this copy
        // of the image; a mapped image that is freed would otherwise leak it.
        __gnu_cxx::__freeres();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!IsEqualCLSID(clsid, CLSID_PlayerControl)) {
        if (object)
            *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return ClassFactory::Create(iid, object);
}

STDAPI DllCanUnloadNow()
{
    return moduleLocks == 0 ? S_OK : S_FALSE;
}
