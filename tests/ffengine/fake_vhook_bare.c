/* A video-hook plug-in with only Process: no Configure, no Release. */
#include <stdint.h>

static int processed;

__declspec(dllexport) void Process(void* context, void* picture, int format, int width, int height, int64_t pts)
{
    (void)context, (void)picture, (void)format, (void)width, (void)height, (void)pts;
    ++processed;
}

__declspec(dllexport) int Processed(void) { return processed; }
