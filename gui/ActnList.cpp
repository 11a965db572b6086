#include "ActnList.h"

#include <algorithm>

// ---- TBasicActionLink ----

TBasicActionLink::~TBasicActionLink()
{
    SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* action)
{
    if (action_ == action) return;
    if (action_) std::erase(action_->links_, this);
    action_ = action;
    if (action_) action_->links_.push_back(this);
}

bool TBasicActionLink::Execute()
{
    return action_ && action_->Execute();
}

// ---- TBasicAction ----

TBasicAction::~TBasicAction()
{
    for (TBasicActionLink* link : links_) link->action_ = nullptr;
}

bool TBasicAction::Execute()
{
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::Change()
{
    // A client may drop its link while being told.
    std::vector<TBasicActionLink*> links = links_;
    for (TBasicActionLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end() && link->OnChange) link->OnChange(this);
}

// ---- TCustomActionList ----

TCustomActionList::~TCustomActionList()
{
    for (TCustomAction* action : actions_) action->actionList_ = nullptr;
}

// ---- TCustomAction ----

TCustomAction::~TCustomAction()
{
    SetActionList(nullptr);
}

void TCustomAction::SetActionList(TCustomActionList* list)
{
    if (actionList_ == list) return;
    if (actionList_) std::erase(actionList_->actions_, this);
    actionList_ = list;
    if (actionList_) actionList_->actions_.push_back(this);
}

void TCustomAction::SetChecked(bool checked)
{
    if (checked_ == checked) return;
    if (checked && GroupIndex > 0 && actionList_)
        for (TCustomAction* other : actionList_->actions_)
            if (other != this && other->GroupIndex == GroupIndex) other->SetChecked(false);
    Set(checked_, checked);
}

bool TCustomAction::Execute()
{
    return enabled_ && TBasicAction::Execute();
}
