#include "Collections.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TSection : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string ClassName() const override { return "TSection"; }
    void Assign(const TPersistent* source) override
    {
        if (auto* other = dynamic_cast<const TSection*>(source)) {
            width_ = other->width_;
            Changed(false);
        } else {
            TCollectionItem::Assign(source);
        }
    }

    int Width() const { return width_; }
    void SetWidth(int width)
    {
        width_ = width;
        Changed(false);
    }

private:
    int width_ = 0;
};

class TButtonItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string ClassName() const override { return "TButtonItem"; }
    std::string DisplayName() const override { return caption_.empty() ? TCollectionItem::DisplayName() : caption_; }
    void SetDisplayName(const std::string& name) override
    {
        caption_ = name;
        TCollectionItem::SetDisplayName(name);
    }

private:
    std::string caption_;
};

// Records every Update: the item's width, or -1 for the whole collection.
class TSections : public TCollection {
public:
    TSections() : TCollection(&NewCollectionItem<TSection>) {}
    TSection* Section(int index) const { return static_cast<TSection*>(Items(index)); }
    std::vector<int> Updates;

protected:
    void Update(TCollectionItem* item) override
    {
        Updates.push_back(item ? static_cast<TSection*>(item)->Width() : -1);
    }
};

std::vector<int> Widths(const TSections& sections)
{
    std::vector<int> widths;
    for (int i = 0; i < sections.Count(); ++i) widths.push_back(sections.Section(i)->Width());
    return widths;
}

TSections& Filled(TSections& sections, std::initializer_list<int> widths)
{
    for (int width : widths) static_cast<TSection*>(sections.Add())->SetWidth(width);
    sections.Updates.clear();
    return sections;
}

}

TEST(Collection, AddDeleteAndInsertKeepPositionsAndIds)
{
    TSections sections;
    Filled(sections, {10, 20, 30});
    TCollectionItem* last = sections.Items(2);
    ASSERT_EQ(sections.Section(0)->ClassName(), "TSection");
    EXPECT_EQ(sections.Items(0)->ID(), 0);
    EXPECT_EQ(last->ID(), 2);

    sections.Delete(1);
    EXPECT_EQ(Widths(sections), (std::vector<int>{10, 30}));
    EXPECT_EQ(last->Index(), 1);
    EXPECT_EQ(sections.FindItemID(2), last);
    EXPECT_EQ(sections.FindItemID(1), nullptr);

    auto* inserted = static_cast<TSection*>(sections.Insert(1));
    inserted->SetWidth(15);
    EXPECT_EQ(Widths(sections), (std::vector<int>{10, 15, 30}));
    EXPECT_EQ(inserted->ID(), 3);
    EXPECT_EQ(inserted->Collection(), &sections);

    for (int bad : {-1, 4}) EXPECT_THROW(sections.Insert(bad), EListError) << bad;
    for (int bad : {-1, 3}) {
        EXPECT_THROW(sections.Items(bad), EListError) << bad;
        EXPECT_THROW(sections.Delete(bad), EListError) << bad;
        EXPECT_THROW(inserted->SetIndex(bad), EListError) << bad;
    }
    EXPECT_EQ(sections.Count(), 3);
}

TEST(Collection, ItemsMoveAndLeaveTheirCollection)
{
    TSections sections;
    Filled(sections, {10, 20, 30});

    sections.Section(0)->SetIndex(2);
    EXPECT_EQ(Widths(sections), (std::vector<int>{20, 30, 10}));

    delete sections.Items(1);
    EXPECT_EQ(Widths(sections), (std::vector<int>{20, 10}));

    TSections other;
    TCollectionItem* moved = sections.Items(0);
    moved->SetCollection(&other);
    EXPECT_EQ(Widths(sections), (std::vector<int>{10}));
    EXPECT_EQ(Widths(other), (std::vector<int>{20}));
    EXPECT_EQ(moved->Collection(), &other);

    moved->SetCollection(nullptr);
    EXPECT_EQ(moved->Index(), -1);
    EXPECT_EQ(other.Count(), 0);
    delete moved;
}

TEST(Collection, UpdatesNameTheChangedItemOrTheWholeCollection)
{
    TSections sections;
    Filled(sections, {10, 20});

    sections.Section(1)->SetWidth(25);
    sections.Add();
    sections.Section(0)->SetIndex(1);
    sections.Delete(0);
    EXPECT_EQ(sections.Updates, (std::vector<int>{25, -1, -1, -1}));

    sections.Updates.clear();
    sections.BeginUpdate();
    sections.BeginUpdate();
    sections.Section(0)->SetWidth(1);
    sections.Add();
    sections.EndUpdate();
    EXPECT_TRUE(sections.Updates.empty());
    sections.EndUpdate();
    EXPECT_EQ(sections.Updates, (std::vector<int>{-1}));

    sections.Updates.clear();
    sections.EndUpdate();  // an unmatched end changes nothing
    sections.Clear();
    EXPECT_EQ(sections.Count(), 0);
    EXPECT_EQ(sections.Updates, (std::vector<int>{-1}));
}

TEST(Collection, AssignCopiesItemsOfTheSameClass)
{
    TSections source, target;
    Filled(source, {1, 2, 3});
    Filled(target, {9});

    target.Assign(&source);

    EXPECT_EQ(Widths(target), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(target.Updates, (std::vector<int>{-1}));
    EXPECT_EQ(Widths(source), (std::vector<int>{1, 2, 3}));

    TCollection buttons(&NewCollectionItem<TButtonItem>);
    buttons.Add();
    EXPECT_THROW(target.Assign(&buttons), EConvertError);
    EXPECT_EQ(target.UpdateCount(), 0);
    EXPECT_THROW(target.Assign(source.Items(0)), EConvertError);
}

TEST(Collection, DisplayNameDefaultsToTheClassName)
{
    TCollection buttons(&NewCollectionItem<TButtonItem>);
    TCollectionItem* button = buttons.Add();
    EXPECT_EQ(button->DisplayName(), "TButtonItem");
    button->SetDisplayName("Close");
    EXPECT_EQ(button->DisplayName(), "Close");
}

TEST(Collection, OwnedCollectionAnswersItsOwner)
{
    TSections owner;
    TOwnedCollection owned(&owner, &NewCollectionItem<TSection>);
    EXPECT_EQ(owned.Owner(), &owner);
    EXPECT_EQ(owner.Owner(), nullptr);
    EXPECT_EQ(owned.ItemClass(), &NewCollectionItem<TSection>);
}
