#pragma once
// Root of the class tree, and objects that can copy their state from others.
#include <functional>
#include <string>

class TObject {
public:
    virtual ~TObject() = default;
    // The class's name as the program's messages show it ("TStringList").
    virtual std::string ClassName() const { return "TObject"; }
};

// The plain event: only the sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }

    // Copies Source's state into this object; when neither side knows how,
    // raises EConvertError "Cannot assign a <source> to a <this>".
    virtual void Assign(const TPersistent* source);

protected:
    // Asked when Source does not know this class: copy this into Dest.
    virtual void AssignTo(TPersistent* dest) const;
};
