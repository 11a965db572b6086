#pragma once
// Components: named objects that own other components and free them with
// themselves, and that tell each other when one of them goes away.
#include "Persistent.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The plain event of every class: just the object that fires it.
using TNotifyEvent = std::function<void(TObject* sender)>;

enum TOperation { opInsert, opRemove };

// Flags of TComponent::ComponentState.
using TComponentState = unsigned;
constexpr TComponentState csLoading = 0x1;
constexpr TComponentState csDestroying = 0x2;
constexpr TComponentState csDesigning = 0x4;

class TComponent : public TPersistent {
public:
    // The owner (may be null) frees this component when it is itself freed.
    explicit TComponent(TComponent* owner);
    // Frees the owned components, last created first, tells every component
    // that asked for it, and leaves the owner.
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    // Runs BeforeDestruction while the whole object still exists, then
    // deletes it. Owners free their components this way.
    void Free();

    const std::string& Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that
    // another component of the same owner already has.
    void SetName(const std::string& name);

    intptr_t Tag = 0;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises EListError for an index outside 0..ComponentCount - 1.
    TComponent* Components(int index) const;
    // Position in the owner's list, -1 without an owner.
    int ComponentIndex() const;
    // The owned component of that name, compared without regard to case;
    // null when none.
    TComponent* FindComponent(const std::string& name) const;

    // Takes Component over from its previous owner; every owned component
    // and this one get Notification(Component, opInsert).
    void InsertComponent(TComponent* component);
    // Notification(Component, opRemove), then Component has no owner.
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    // Other gets Notification(this, opRemove) when this component is freed,
    // and this one when Other is freed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    TComponentState ComponentState() const { return state_; }
    // Code that builds a component and its owned components marks them as
    // loading; EndLoading runs Loaded on each of them, owned ones first.
    void BeginLoading();
    void EndLoading();
    void SetDesigning(bool value, bool includeOwned = true);
    // Marks this component and everything it owns as being destroyed.
    void Destroying();

protected:
    // Told of components inserted into or removed from the owner, and of
    // freed components this one asked about; passes it on to the owned ones.
    virtual void Notification(TComponent* component, TOperation operation);
    // Loading has ended: the component's settings are complete.
    virtual void Loaded();
    virtual void BeforeDestruction();

private:
    void ValidateName(const std::string& name) const;
    // Raises when an owned component other than Except already has Name.
    void CheckUniqueName(const std::string& name, const TComponent* except) const;

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    TComponentState state_ = 0;
};
