/* A swscale-6.dll that lacks sws_scale, for the loader's bind failure. */
__declspec(dllexport) void sws_freeContext(void) {}
__declspec(dllexport) void* sws_get_class(void) { return 0; }
__declspec(dllexport) void* sws_getContext(void) { return 0; }
__declspec(dllexport) void* sws_getCachedContext(void) { return 0; }
