#include "Lists.h"

#include "Exceptions.h"
#include "SysUtils.h"

#include <algorithm>

void TList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit) throw EListError(Format("List index out of bounds (%d)", index));
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
