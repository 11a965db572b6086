#include "kvnConverterFlags.h"

TkvnConverterFlags& ConverterFlags()
{
    static TkvnConverterFlags flags;
    return flags;
}

TCriticalSection& ConverterLock()
{
    static TCriticalSection lock;
    return lock;
}
