#include "kvnVideoEffects.h"

TkvnVideoFilterEntry* TkvnVideoFiltersList::Item(int index)
{
    if (index < 0 || index >= Count()) return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

bool TkvnVideoFiltersList::Clear()
{
    entries_.clear();
    return true;
}

void TkvnVideoFiltersList::Assign(const TkvnVideoFiltersList& other)
{
    if (&other == this) return;
    entries_ = other.entries_;
}
