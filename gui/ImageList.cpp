#include "ImageList.h"

#include <algorithm>

#include "Canvas.h"
#include "Exceptions.h"
#include "GdiHandle.h"
#include "Graphics.h"

TChangeLink::~TChangeLink()
{
    if (Sender) Sender->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height)
{
}

TCustomImageList::~TCustomImageList()
{
    for (TChangeLink* link : links_) link->Sender = nullptr;
    FreeHandle();
}

void TCustomImageList::Assign(const TPersistent* source)
{
    auto* list = dynamic_cast<const TCustomImageList*>(source);
    if (!list) {
        TComponent::Assign(source);
        return;
    }
    FreeHandle();
    width_ = list->width_;
    height_ = list->height_;
    masked_ = list->masked_;
    BkColor = list->BkColor;
    BlendColor = list->BlendColor;
    DrawingStyle = list->DrawingStyle;
    ImageType = list->ImageType;
    if (list->handle_) handle_ = ImageList_Duplicate(list->handle_);
    Change();
}

void TCustomImageList::SetSize(int width, int height)
{
    if (width == width_ && height == height_) return;
    FreeHandle();
    width_ = width;
    height_ = height;
    Change();
}

void TCustomImageList::SetMasked(bool masked)
{
    if (masked == masked_) return;
    FreeHandle();
    masked_ = masked;
    Change();
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!handle_) {
        handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
        if (!handle_) throw EInvalidOperation("Invalid image size");
    }
    return handle_;
}

void TCustomImageList::SetHandle(HIMAGELIST list)
{
    FreeHandle();
    handle_ = list;
    if (list) ImageList_GetIconSize(list, &width_, &height_);
    Change();
}

void TCustomImageList::FreeHandle()
{
    if (handle_ && !ShareImages) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

int TCustomImageList::Count()
{
    return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

int TCustomImageList::Add(TBitmap& image, TBitmap* mask)
{
    image.FreeContext();
    if (mask) mask->FreeContext();
    const int index = ImageList_Add(Handle(), image.Handle(), mask ? mask->Handle() : nullptr);
    Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap& image, TColor maskColor)
{
    // The system blackens the masked pixels of the bitmap it is given.
    TBitmapHandle copy(static_cast<HBITMAP>(CopyImage(image.Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    const int index = ImageList_AddMasked(Handle(), copy.Get(), ColorToRGB(maskColor));
    Change();
    return index;
}

int TCustomImageList::AddIcon(HICON icon)
{
    const int index = ImageList_AddIcon(Handle(), icon);
    Change();
    return index;
}

void TCustomImageList::CheckIndex(int index)
{
    if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

void TCustomImageList::Replace(int index, TBitmap& image, TBitmap* mask)
{
    CheckIndex(index);
    image.FreeContext();
    if (mask) mask->FreeContext();
    ImageList_Replace(handle_, index, image.Handle(), mask ? mask->Handle() : nullptr);
    Change();
}

void TCustomImageList::Delete(int index)
{
    CheckIndex(index);
    ImageList_Remove(handle_, index);
    Change();
}

void TCustomImageList::Clear()
{
    if (handle_) ImageList_Remove(handle_, -1);
    Change();
}

void TCustomImageList::Move(int from, int to)
{
    CheckIndex(from);
    CheckIndex(to);
    // The system swaps; moving is a run of neighbouring swaps.
    const int step = from < to ? 1 : -1;
    for (int i = from; i != to; i += step) ImageList_Copy(handle_, i + step, handle_, i, ILCF_SWAP);
    Change();
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled)
{
    if (!handle_ || index < 0 || index >= Count()) return;
    HDC dc = canvas.Handle();
    if (!enabled) {
        DrawDisabled(dc, x, y, index);
        return;
    }
    constexpr UINT Styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    UINT style = Styles[DrawingStyle] | (ImageType == itMask ? ILD_MASK : 0);
    const COLORREF background = BkColor == clNone ? CLR_NONE : ColorToRGB(BkColor);
    const COLORREF blend = BlendColor == clNone ? CLR_DEFAULT : ColorToRGB(BlendColor);
    ImageList_DrawEx(handle_, index, dc, x, y, 0, 0, background, blend, style);
}

void TCustomImageList::DrawDisabled(HDC dc, int x, int y, int index)
{
    // The image's ink: every pixel that is not white where the image is
    // drawn over white, as a monochrome bitmap (0 for ink).
    TMemoryDCHandle colorDC(CreateCompatibleDC(dc));
    TBitmapHandle color(CreateCompatibleBitmap(dc, width_, height_));
    HGDIOBJ oldColor = SelectObject(colorDC.Get(), color.Get());
    const RECT cell{0, 0, width_, height_};
    FillRect(colorDC.Get(), &cell, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_DrawEx(handle_, index, colorDC.Get(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
    TMemoryDCHandle inkDC(CreateCompatibleDC(dc));
    TBitmapHandle ink(CreateBitmap(width_, height_, 1, 1, nullptr));
    HGDIOBJ oldInk = SelectObject(inkDC.Get(), ink.Get());
    SetBkColor(colorDC.Get(), RGB(255, 255, 255));
    BitBlt(inkDC.Get(), 0, 0, width_, height_, colorDC.Get(), 0, 0, SRCCOPY);

    // Paints the brush where the ink is and leaves the rest: ((D ^ P) & S) ^ P.
    constexpr DWORD PaintInk = 0x00B8074A;
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    for (auto [offset, shade] : {std::pair{1, COLOR_BTNHIGHLIGHT}, {0, COLOR_BTNSHADOW}}) {
        HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(shade));
        BitBlt(dc, x + offset, y + offset, width_, height_, inkDC.Get(), 0, 0, PaintInk);
        SelectObject(dc, oldBrush);
    }
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(inkDC.Get(), oldInk);
    SelectObject(colorDC.Get(), oldColor);
}

void TCustomImageList::GetBitmap(int index, TBitmap& image)
{
    image.SetSize(width_, height_);
    TCanvas& canvas = image.Canvas();
    canvas.Brush().SetColor(BkColor == clNone ? clBlack : BkColor);
    canvas.FillRect(Rect(0, 0, width_, height_));
    if (!handle_ || index < 0 || index >= Count()) return;
    const UINT style = ImageType == itMask ? ILD_MASK : ILD_NORMAL;
    ImageList_DrawEx(handle_, index, canvas.Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, style);
}

HICON TCustomImageList::GetIcon(int index)
{
    CheckIndex(index);
    return ImageList_GetIcon(handle_, index, ILD_NORMAL);
}

void TCustomImageList::SetDragImage(int index, int hotSpotX, int hotSpotY)
{
    dragIndex_ = index;
    dragHotspot_ = POINT{hotSpotX, hotSpotY};
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (link->Sender) link->Sender->UnRegisterChanges(link);
    link->Sender = this;
    links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    std::erase(links_, link);
    if (link->Sender == this) link->Sender = nullptr;
}

void TCustomImageList::Change()
{
    for (TChangeLink* link : std::vector<TChangeLink*>(links_))
        if (link->OnChange) link->OnChange(this);
    if (OnChange) OnChange(this);
}
