#include "Lists.h"

#include "Exceptions.h"
#include "SysUtils.h"

#include <algorithm>
#include <climits>

void TList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit) ListIndexError(index);
}

void* TList::Get(int index) const
{
    CheckIndex(index, GetCount());
    return items_[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item)
{
    CheckIndex(index, GetCount());
    items_[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item)
{
    items_.push_back(item);
    return GetCount() - 1;
}

void TList::Insert(int index, void* item)
{
    CheckIndex(index, GetCount() + 1);
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index)
{
    CheckIndex(index, GetCount());
    items_.erase(items_.begin() + index);
}

int TList::Remove(void* item)
{
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(void* item) const
{
    auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TList::Exchange(int index1, int index2)
{
    CheckIndex(index1, GetCount());
    CheckIndex(index2, GetCount());
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    void* item = Get(curIndex);
    CheckIndex(newIndex, GetCount());
    Delete(curIndex);
    Insert(newIndex, item);
}

void TList::Sort(const TListSortCompare& compare)
{
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

// ---- TBits ----

namespace {

[[noreturn]] void BitsIndexError()
{
    throw EBitsError("Bits index out of range");
}

}

void TBits::SetSize(int size)
{
    if (size < 0) BitsIndexError();
    bits_.resize(static_cast<size_t>(size), false);
}

bool TBits::Bits(int index) const
{
    if (index < 0 || index >= Size()) BitsIndexError();
    return bits_[static_cast<size_t>(index)];
}

void TBits::SetBits(int index, bool value)
{
    if (index < 0 || index == INT_MAX) BitsIndexError();
    if (index >= Size()) SetSize(index + 1);
    bits_[static_cast<size_t>(index)] = value;
}

int TBits::OpenBit() const
{
    for (int i = 0; i < Size(); ++i)
        if (!bits_[static_cast<size_t>(i)]) return i;
    return Size();
}
