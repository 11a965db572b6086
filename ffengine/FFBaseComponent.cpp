#include "FFBaseComponent.h"

#include "FFLog.h"

TFFBaseComponent::~TFFBaseComponent()
{
    DropQueuedLogLines(this);
}
