#include "Components.h"

#include "Exceptions.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsValidIdent(const std::string& name)
{
    auto isAlpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    auto isAlnum = [&](char c) { return isAlpha(c) || std::isdigit(static_cast<unsigned char>(c)); };
    return !name.empty() && isAlpha(name[0]) && std::all_of(name.begin() + 1, name.end(), isAlnum);
}

void Unlink(std::vector<TComponent*>& list, TComponent* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        Unlink(other->freeNotifies_, this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free()
{
    BeforeDestruction();
    delete this;
}

void TComponent::BeforeDestruction()
{
    Destroying();
}

void TComponent::SetName(const std::string& name)
{
    if (name == name_) return;
    ValidateName(name);
    name_ = name;
}

void TComponent::ValidateName(const std::string& name) const
{
    if (!name.empty() && !IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
    if (owner_) owner_->CheckUniqueName(name, this);
}

void TComponent::CheckUniqueName(const std::string& name, const TComponent* except) const
{
    TComponent* same = FindComponent(name);
    if (same && same != except) throw EComponentError("A component named " + name + " already exists");
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount()) ListIndexError(index);
    return components_[index];
}

int TComponent::ComponentIndex() const
{
    if (!owner_) return -1;
    auto& siblings = owner_->components_;
    return static_cast<int>(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* component : components_)
        if (SameName(component->name_, name)) return component;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->owner_ == this) return;
    CheckUniqueName(component->name_, component);
    if (component->owner_) component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    if (state_ & csDesigning) component->SetDesigning(true);
    if (state_ & csLoading) component->state_ |= csLoading;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (component->owner_ != this) return;
    Notification(component, opRemove);
    Unlink(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* component = components_.back();
        components_.pop_back();
        component->owner_ = nullptr;
        component->Free();
    }
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) != freeNotifies_.end()) return;
    freeNotifies_.push_back(other);
    other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    Unlink(freeNotifies_, other);
    Unlink(other->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // A component may leave the list while its siblings are told.
    for (size_t i = 0; i < components_.size(); ++i) components_[i]->Notification(component, operation);
}

void TComponent::BeginLoading()
{
    state_ |= csLoading;
    for (TComponent* component : components_) component->state_ |= csLoading;
}

void TComponent::EndLoading()
{
    for (size_t i = 0; i < components_.size(); ++i)
        if (components_[i]->state_ & csLoading) components_[i]->Loaded();
    if (state_ & csLoading) Loaded();
}

void TComponent::Loaded()
{
    state_ &= ~csLoading;
}

void TComponent::SetDesigning(bool value, bool includeOwned)
{
    if (value)
        state_ |= csDesigning;
    else
        state_ &= ~csDesigning;
    if (includeOwned)
        for (TComponent* component : components_) component->SetDesigning(value);
}

void TComponent::Destroying()
{
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* component : components_) component->Destroying();
}
