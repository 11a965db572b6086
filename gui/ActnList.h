#pragma once
// Actions: one command's caption, state and handler kept in one place and
// shared by the controls linked to it. Each change of an action reaches
// its clients through their links.
#include <string>
#include <vector>

#include "Components.h"
#include "ShortCuts.h"

class TBasicAction;
class TCustomImageList;

// A client's end of its tie to an action.
class TBasicActionLink : public TObject {
public:
    explicit TBasicActionLink(TObject* client) : client_(client) {}
    ~TBasicActionLink() override;
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;
    std::string ClassName() const override { return "TBasicActionLink"; }

    TObject* Client() const { return client_; }
    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);
    // Runs the action; false when there is none or it has no handler.
    virtual bool Execute();

    // Something of the action changed; Sender is the action.
    TNotifyEvent OnChange;

private:
    friend class TBasicAction;
    TObject* client_;
    TBasicAction* action_ = nullptr;
};

// The link of a control.
class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;
    std::string ClassName() const override { return "TActionLink"; }
};

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner) : TComponent(owner) {}
    // The links stay, without an action.
    ~TBasicAction() override;
    std::string ClassName() const override { return "TBasicAction"; }

    // Fires OnExecute; false when there is no handler.
    virtual bool Execute();
    TNotifyEvent OnExecute;

protected:
    // Tells every linked client.
    void Change();

private:
    friend class TBasicActionLink;
    std::vector<TBasicActionLink*> links_;
};

class TCustomAction;

// Actions kept together, drawing their images from one list.
class TCustomActionList : public TComponent {
public:
    explicit TCustomActionList(TComponent* owner) : TComponent(owner) {}
    // The actions stay, in no list.
    ~TCustomActionList() override;
    std::string ClassName() const override { return "TCustomActionList"; }

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TCustomAction* Actions(int index) const { return actions_.at(static_cast<size_t>(index)); }
    TCustomImageList* Images = nullptr;

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> actions_;
};

class TActionList : public TCustomActionList {
public:
    using TCustomActionList::TCustomActionList;
    std::string ClassName() const override { return "TActionList"; }
};

class TCustomAction : public TBasicAction {
public:
    explicit TCustomAction(TComponent* owner) : TBasicAction(owner) {}
    ~TCustomAction() override;
    std::string ClassName() const override { return "TCustomAction"; }

    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* list);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { Set(caption_, caption); }
    // Checking an action of a group unchecks the others of its list.
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { Set(enabled_, enabled); }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { Set(hint_, hint); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { Set(imageIndex_, index); }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { Set(visible_, visible); }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut) { Set(shortCut_, shortCut); }
    int GroupIndex = 0;

    // A disabled action does nothing.
    bool Execute() override;

private:
    friend class TCustomActionList;
    template <typename T>
    void Set(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        Change();
    }

    TCustomActionList* actionList_ = nullptr;
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    bool visible_ = true;
    TShortCut shortCut_ = scNone;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
    std::string ClassName() const override { return "TAction"; }
};
