// A small module for the loader's tests, built without a runtime: a pointer
// that only a relocation makes right, an import by ordinal, an entry point
// that reports its calls (and refuses to attach when asked), and resources (testmodule.rc).
#include <windows.h>

__declspec(dllimport) int Twice(int value);

static int answer = 42;
int* answerAddress = &answer;
static int attaches;

__declspec(dllexport) int* AnswerAddress(void)
{
    return answerAddress;
}

__declspec(dllexport) int TwiceByOrdinal(int value)
{
    return Twice(value);
}

__declspec(dllexport) int Attaches(void)
{
    return attaches;
}

BOOL WINAPI ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        if (GetEnvironmentVariableA("TESTMODULE_REFUSE_ATTACH", NULL, 0))
            return FALSE;
        ++attaches;
    }
    if (reason == DLL_PROCESS_DETACH)
        SetEnvironmentVariableA("TESTMODULE_DETACHED", "1");
    return TRUE;
}
