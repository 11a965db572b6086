#include "Components.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes what happens to it into a shared log and keeps one reference that
// it drops when told the referenced component goes away.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, const std::string& name, std::vector<std::string>& log) : TComponent(owner), log_(log)
    {
        SetName(name);
    }
    ~TProbe() override { log_.push_back("free " + Name()); }

    TComponent* Reference = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        log_.push_back(Name() + (operation == opInsert ? " +" : " -") + component->Name());
        if (operation == opRemove && component == Reference) Reference = nullptr;
    }
    void Loaded() override
    {
        TComponent::Loaded();
        log_.push_back("loaded " + Name());
    }
    void BeforeDestruction() override
    {
        TComponent::BeforeDestruction();
        log_.push_back("before " + Name());
    }

private:
    std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

}

TEST(Component, OwnerFreesOwnedComponentsLastCreatedFirst)
{
    Log log;
    auto* owner = new TProbe(nullptr, "owner", log);
    new TProbe(owner, "a", log);
    auto* b = new TProbe(owner, "b", log);
    new TProbe(b, "b1", log);
    new TProbe(owner, "c", log);
    log.clear();

    owner->Free();

    EXPECT_EQ(log, (Log{"before owner", "free owner", "before c", "free c", "before b", "free b", "before b1",
                        "free b1", "before a", "free a"}));
}

TEST(Component, DeletingAnOwnedComponentTakesItOutOfItsOwner)
{
    Log log;
    TProbe owner(nullptr, "owner", log);
    auto* a = new TProbe(&owner, "a", log);
    auto* b = new TProbe(&owner, "b", log);
    auto* c = new TProbe(&owner, "c", log);
    ASSERT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(c->ComponentIndex(), 2);

    delete b;

    ASSERT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Components(0), a);
    EXPECT_EQ(owner.Components(1), c);
    EXPECT_EQ(c->ComponentIndex(), 1);
    EXPECT_THROW(owner.Components(2), EListError);
    EXPECT_THROW(owner.Components(-1), EListError);
}

TEST(Component, SiblingsAndOwnerHearOfInsertionAndRemoval)
{
    Log log;
    TProbe owner(nullptr, "owner", log);
    auto* holder = new TProbe(&owner, "holder", log);
    auto* target = new TProbe(&owner, "", log);
    target->SetName("target");
    holder->Reference = target;
    log.clear();

    delete target;

    EXPECT_EQ(holder->Reference, nullptr);
    EXPECT_EQ(log, (Log{"free target", "holder -target", "owner -target"}));
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners)
{
    Log log;
    auto* holder = new TProbe(nullptr, "holder", log);
    auto* target = new TProbe(nullptr, "target", log);
    holder->Reference = target;
    target->FreeNotification(holder);
    target->FreeNotification(holder);

    delete target;
    EXPECT_EQ(holder->Reference, nullptr);
    EXPECT_EQ(std::count(log.begin(), log.end(), "holder -target"), 1);

    // A holder freed first is no longer told anything.
    auto* other = new TProbe(nullptr, "other", log);
    other->FreeNotification(holder);
    delete holder;
    log.clear();
    delete other;
    EXPECT_EQ(log, (Log{"free other"}));
}

TEST(Component, FindComponentIgnoresCaseAndNamesStayUnique)
{
    Log log;
    TProbe owner(nullptr, "owner", log);
    auto* button = new TProbe(&owner, "btnConvert", log);
    new TProbe(&owner, "labTitle", log);

    EXPECT_EQ(owner.FindComponent("BTNCONVERT"), button);
    EXPECT_EQ(owner.FindComponent("btnconvert"), button);
    EXPECT_EQ(owner.FindComponent("btnStop"), nullptr);
    EXPECT_EQ(owner.FindComponent(""), nullptr);

    EXPECT_THROW(button->SetName("LABTITLE"), EComponentError);
    for (const char* bad : {"1st", "btn Convert", "btn-x"}) EXPECT_THROW(button->SetName(bad), EComponentError) << bad;
    EXPECT_EQ(button->Name(), "btnConvert");
    button->SetName("BtnConvert");
    EXPECT_EQ(button->Name(), "BtnConvert");
    button->SetName("");
    EXPECT_EQ(owner.FindComponent("btnConvert"), nullptr);
}

TEST(Component, InsertComponentTakesItFromItsPreviousOwner)
{
    Log log;
    TProbe first(nullptr, "first", log);
    TProbe second(nullptr, "second", log);
    auto* moved = new TProbe(&first, "moved", log);
    new TProbe(&second, "clash", log);
    log.clear();

    second.InsertComponent(moved);

    EXPECT_EQ(moved->Owner(), &second);
    EXPECT_EQ(first.ComponentCount(), 0);
    // The moved component is in the list that is told, so it hears of itself.
    EXPECT_EQ(log, (Log{"moved -moved", "first -moved", "clash +moved", "moved +moved", "second +moved"}));

    auto* clash = new TProbe(nullptr, "CLASH", log);
    EXPECT_THROW(second.InsertComponent(clash), EComponentError);
    EXPECT_EQ(clash->Owner(), nullptr);
    delete clash;
}

TEST(Component, LoadingEndsWithLoadedForOwnedComponentsThenOwner)
{
    Log log;
    TProbe form(nullptr, "form", log);
    form.BeginLoading();
    auto* a = new TProbe(&form, "a", log);
    auto* b = new TProbe(&form, "b", log);
    EXPECT_TRUE(b->ComponentState() & csLoading);
    log.clear();

    form.EndLoading();

    EXPECT_EQ(log, (Log{"loaded a", "loaded b", "loaded form"}));
    for (TComponent* c : {static_cast<TComponent*>(&form), static_cast<TComponent*>(a), static_cast<TComponent*>(b)})
        EXPECT_FALSE(c->ComponentState() & csLoading);
}

TEST(Component, DesigningAndDestroyingReachOwnedComponents)
{
    Log log;
    auto* owner = new TProbe(nullptr, "owner", log);
    auto* child = new TProbe(owner, "child", log);
    owner->SetDesigning(true);
    EXPECT_TRUE(child->ComponentState() & csDesigning);
    auto* late = new TProbe(owner, "late", log);
    EXPECT_TRUE(late->ComponentState() & csDesigning);

    owner->Destroying();
    EXPECT_TRUE(child->ComponentState() & csDestroying);
    owner->Free();
}
