#pragma once
// JPEG pictures, decoded into a bitmap when loaded and encoded when saved.
#include "Graphics.h"

class TJPEGImage : public TGraphic {
public:
    std::string ClassName() const override { return "TJPEGImage"; }
    // A bitmap is taken over as the picture, encoded when saved.
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return bitmap_.Empty(); }
    int Width() const override { return bitmap_.Width(); }
    int Height() const override { return bitmap_.Height(); }
    // EInvalidGraphicOperation "Cannot change the size of a JPEG image".
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    // 1 to 100, used when saving.
    int CompressionQuality = 90;

    // Baseline and progressive JPEG, colour or grey, into a 24-bit bitmap.
    // Bad data raises EInvalidGraphic "JPEG error #<n>: <text>".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

protected:
    void AssignTo(TPersistent* dest) const override;
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    TBitmap bitmap_;
};
