#pragma once

// Sets a flag for as long as it lives, then gives it back its former value.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), former_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = former_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool former_;
};
