#pragma once
// Collections: ordered lists of items of one class that the collection
// creates, frees and keeps numbered, and that report changes to it.
#include "Persistent.h"

#include <string>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Joins Collection (when given) at its end.
    explicit TCollectionItem(TCollection* collection);
    // Leaves the collection.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    std::string ClassName() const override { return "TCollectionItem"; }

    TCollection* Collection() const { return collection_; }
    // Moves the item to the end of another collection, or out of any.
    void SetCollection(TCollection* collection);
    // Position in the collection, -1 outside one.
    int Index() const;
    // Raises EListError for a position outside the collection.
    virtual void SetIndex(int index);
    // Unique within the collection for its whole life; never reused.
    int ID() const { return id_; }
    // The name an editor shows: the class name unless a descendant keeps one.
    virtual std::string DisplayName() const { return ClassName(); }
    virtual void SetDisplayName(const std::string& name);

protected:
    // Tells the collection that this item changed, or with AllItems that the
    // whole collection did.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

// Makes a new item of one class inside a collection.
using TCollectionItemClass = TCollectionItem* (*)(TCollection* collection);

template <class TItem>
TCollectionItem* NewCollectionItem(TCollection* collection)
{
    return new TItem(collection);
}

class TCollection : public TPersistent {
public:
    // ItemClass is, e.g., &NewCollectionItem<TMyItem>.
    explicit TCollection(TCollectionItemClass itemClass);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    std::string ClassName() const override { return "TCollection"; }
    // From another collection: clears this one and adds one item per source
    // item, each assigned from its source item.
    void Assign(const TPersistent* source) override;

    TCollectionItemClass ItemClass() const { return itemClass_; }
    virtual TPersistent* Owner() const { return nullptr; }

    TCollectionItem* Add();
    // Raises EListError for a position outside 0..Count.
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError for a position outside 0..Count - 1.
    TCollectionItem* Items(int index) const;
    TCollectionItem* FindItemID(int id) const;

    // Holds back Update until the outermost EndUpdate, which sends one.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

protected:
    // Item changed; null means the whole collection (items added, deleted
    // or moved).
    virtual void Update(TCollectionItem* item);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void MoveItem(TCollectionItem* item, int index);
    void ItemChanged(TCollectionItem* item);

    TCollectionItemClass itemClass_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// A collection that belongs to another object, such as the control whose
// sections or buttons it holds.
class TOwnedCollection : public TCollection {
public:
    TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass) : TCollection(itemClass), owner_(owner) {}

    std::string ClassName() const override { return "TOwnedCollection"; }
    TPersistent* Owner() const override { return owner_; }

private:
    TPersistent* owner_;
};
