#pragma once
// The common base of the engine's components.
#include "Components.h"

#include <string>

class TFFBaseComponent : public TComponent {
public:
    explicit TFFBaseComponent(TComponent* owner) : TComponent(owner) {}
    // Drops the component's log lines still on their way to the GUI thread.
    ~TFFBaseComponent() override;

    std::string ClassName() const override { return "TFFBaseComponent"; }

    std::string About;
    std::string Version = "4.0a";
};
