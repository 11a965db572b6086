#pragma once
// Image lists: equally sized pictures with masks, kept in a system image
// list and drawn by index, in the states controls draw their items in.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "Colors.h"
#include "Components.h"

class TBitmap;
class TCanvas;
class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// Tells one user of an image list of its changes; leaves the list when it
// goes away.
class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink() override;
    std::string ClassName() const override { return "TChangeLink"; }

    // The list the link is registered with; null when none.
    TCustomImageList* Sender = nullptr;
    TNotifyEvent OnChange;
};

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner);
    TCustomImageList(TComponent* owner, int width, int height);
    ~TCustomImageList() override;
    std::string ClassName() const override { return "TCustomImageList"; }
    void Assign(const TPersistent* source) override;

    // A change of size empties the list.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);
    bool Masked() const { return masked_; }
    void SetMasked(bool masked);
    // Filled in behind images when drawn; clNone draws them through their mask.
    TColor BkColor = clNone;
    // The colour selected and focused images are blended with; clNone is the
    // system's highlight colour.
    TColor BlendColor = clNone;
    TDrawingStyle DrawingStyle = dsNormal;
    TImageType ImageType = itImage;

    // The system image list, made on first use.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Takes over a system image list: it is destroyed with this one unless
    // ShareImages is set. Width and height are read from it.
    void SetHandle(HIMAGELIST list);
    bool ShareImages = false;

    int Count();
    // Images as wide as several cells add one image per cell. Answers the
    // first new index, -1 when the system refuses.
    int Add(TBitmap& image, TBitmap* mask);
    // Pixels of MaskColor become the images' transparent part; the bitmap
    // itself is not changed.
    int AddMasked(TBitmap& image, TColor maskColor);
    int AddIcon(HICON icon);
    void Replace(int index, TBitmap& image, TBitmap* mask);
    void Delete(int index);
    void Clear();
    void Move(int from, int to);

    // The image at (X, Y) in DrawingStyle; a disabled image is embossed in
    // the system's highlight and shadow colours.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    // The image (or its mask with itMask) into Image, sized to one cell;
    // what the mask leaves out comes in BkColor, black without one.
    void GetBitmap(int index, TBitmap& image);
    HICON GetIcon(int index);

    // The image shown under the pointer while something is dragged, and the
    // point of it the pointer holds.
    void SetDragImage(int index, int hotSpotX, int hotSpotY);
    int DragIndex() const { return dragIndex_; }
    POINT DragHotspot() const { return dragHotspot_; }

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    void FreeHandle();
    void DrawDisabled(HDC dc, int x, int y, int index);
    void CheckIndex(int index);

    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
    HIMAGELIST handle_ = nullptr;
    std::vector<TChangeLink*> links_;
    int dragIndex_ = 0;
    POINT dragHotspot_{};
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
    std::string ClassName() const override { return "TImageList"; }
};
