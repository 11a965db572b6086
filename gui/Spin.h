#pragma once
// An edit for whole numbers with up and down arrows beside its text. The
// arrows and the cursor keys step the value within its limits; what the user
// types stays as typed until Value reads it.
#include "StdCtrls.h"

class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TComponent* owner);
    std::string ClassName() const override { return "TSpinEdit"; }

    // Both 0: no limits.
    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    void SetLimits(int minValue, int maxValue);
    int Increment = 1;

    // The number the text holds, within the limits; raises EConvertError
    // when the text is not a whole number.
    int Value();
    void SetValue(int value);

protected:
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;

private:
    bool HasLimits() const { return minValue_ != 0 || maxValue_ != 0; }
    int Clamped(int value) const;
    // Steps from the value shown, or from MinValue when the text is no number.
    void Step(int direction);
    void PlaceArrows();

    int minValue_ = 0;
    int maxValue_ = 0;
    HWND arrows_ = nullptr;
};
