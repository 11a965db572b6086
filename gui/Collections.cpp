#include "Collections.h"

#include "Exceptions.h"

#include <algorithm>

namespace {

class TUpdateScope {
public:
    explicit TUpdateScope(TCollection& collection) : collection_(collection) { collection_.BeginUpdate(); }
    ~TUpdateScope() { collection_.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TCollection& collection_;
};

}

TCollectionItem::TCollectionItem(TCollection* collection)
{
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection)
{
    if (collection == collection_) return;
    if (collection_) collection_->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const
{
    if (!collection_) return -1;
    auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index)
{
    if (collection_) collection_->MoveItem(this, index);
}

void TCollectionItem::SetDisplayName(const std::string&)
{
    Changed(false);
}

void TCollectionItem::Changed(bool allItems)
{
    if (collection_) collection_->ItemChanged(allItems ? nullptr : this);
}

TCollection::TCollection(TCollectionItemClass itemClass) : itemClass_(itemClass) {}

TCollection::~TCollection()
{
    // Nobody is told of items that go with the whole collection.
    updateCount_ = 1;
    Clear();
}

void TCollection::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    TUpdateScope update(*this);
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
}

TCollectionItem* TCollection::Add()
{
    return itemClass_(this);
}

TCollectionItem* TCollection::Insert(int index)
{
    if (index < 0 || index > Count()) ListIndexError(index);
    TUpdateScope update(*this);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index)
{
    delete Items(index);
}

void TCollection::Clear()
{
    if (items_.empty()) return;
    TUpdateScope update(*this);
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count()) ListIndexError(index);
    return items_[index];
}

TCollectionItem* TCollection::FindItemID(int id) const
{
    auto found = std::find_if(items_.begin(), items_.end(), [id](TCollectionItem* item) { return item->id_ == id; });
    return found == items_.end() ? nullptr : *found;
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed()
{
    ItemChanged(nullptr);
}

void TCollection::ItemChanged(TCollectionItem* item)
{
    if (updateCount_ == 0) Update(item);
}

void TCollection::InsertItem(TCollectionItem* item)
{
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->collection_ = nullptr;
    Changed();
}

void TCollection::MoveItem(TCollectionItem* item, int index)
{
    int current = item->Index();
    if (index == current) return;
    if (index < 0 || index >= Count()) ListIndexError(index);
    items_.erase(items_.begin() + current);
    items_.insert(items_.begin() + index, item);
    Changed();
}
