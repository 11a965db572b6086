#pragma once
// Icons: pictures with a mask, as ICO files hold them.
#include "GdiHandle.h"
#include "Graphics.h"

#include <vector>

class TIcon : public TGraphic {
public:
    TIcon();
    std::string ClassName() const override { return "TIcon"; }
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return !handle_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Icons keep their size: EInvalidGraphicOperation "Cannot change the size of an icon".
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    HICON Handle() const { return handle_.Get(); }
    // Takes the icon over: it is destroyed with this object.
    void SetHandle(HICON icon);
    // Gives the icon up to the caller, who destroys it.
    HICON ReleaseHandle();

    // An ICO file: the image nearest the system's icon size is shown, and
    // the file's bytes are saved again as they came. An icon set by handle
    // is saved as one 32-bit image. Bad data raises EInvalidGraphic
    // "Icon image is not valid".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    void Adopt(HICON icon, std::vector<BYTE> file);

    TIconHandle handle_;
    int width_ = 0;
    int height_ = 0;
    // The ICO file the icon came from; empty for an icon set by handle.
    std::vector<BYTE> file_;
};
