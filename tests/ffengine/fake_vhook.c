/* A video-hook plug-in that counts what it is asked to do. Configure
   refuses when its last argument is "refuse"; the context is a number of
   its own for each hook. */
#include <stdint.h>
#include <string.h>

static int configured, processed, released;

__declspec(dllexport) int Configure(void** context, int argc, char* argv[])
{
    if (argc > 1 && strcmp(argv[argc - 1], "refuse") == 0) return 1;
    *context = (void*)(intptr_t)++configured;
    return 0;
}

__declspec(dllexport) void Process(void* context, void* picture, int format, int width, int height, int64_t pts)
{
    (void)picture, (void)format, (void)width, (void)height, (void)pts;
    if (context) ++processed;
}

__declspec(dllexport) void Release(void* context)
{
    if (context) ++released;
}

__declspec(dllexport) int Configured(void) { return configured; }
__declspec(dllexport) int Processed(void) { return processed; }
__declspec(dllexport) int Released(void) { return released; }
