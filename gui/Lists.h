#pragma once
// A list of untyped pointers that the caller owns.
#include "Persistent.h"

#include <functional>
#include <vector>

// Answers <0, 0 or >0 as the first item sorts before, with or after the second.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

// Index errors raise EListError "List index out of bounds (<index>)".
class TList : public TObject {
public:
    std::string ClassName() const override { return "TList"; }

    int GetCount() const { return static_cast<int>(items_.size()); }
    void* Get(int index) const;
    void Put(int index, void* item);
    void* operator[](int index) const { return Get(index); }
    void* First() const { return Get(0); }
    void* Last() const { return Get(GetCount() - 1); }

    // Answers the new item's index.
    int Add(void* item);
    // Index may be Count, which appends.
    void Insert(int index, void* item);
    void Delete(int index);
    // Removes the first entry holding Item; answers its old index, or -1.
    int Remove(void* item);
    // First index holding Item, or -1.
    int IndexOf(void* item) const;
    void Clear() { items_.clear(); }
    void Exchange(int index1, int index2);
    // Takes the item at CurIndex out and puts it back at NewIndex.
    void Move(int curIndex, int newIndex);
    // Stable: equal items keep their order.
    void Sort(const TListSortCompare& compare);

private:
    void CheckIndex(int index, int limit) const;
    std::vector<void*> items_;
};

// A row of bits that grows when a bit beyond its end is set. Reading beyond
// the end or any negative index raises EBitsError "Bits index out of range".
class TBits : public TObject {
public:
    std::string ClassName() const override { return "TBits"; }

    int Size() const { return static_cast<int>(bits_.size()); }
    // New bits are clear.
    void SetSize(int size);
    bool Bits(int index) const;
    void SetBits(int index, bool value);
    // The first clear bit, or Size when every bit is set.
    int OpenBit() const;

private:
    std::vector<bool> bits_;
};
