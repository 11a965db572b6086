#pragma once
// Pictures of any registered kind: a graphic chosen by file extension or
// clipboard format, and the registry of those kinds.
#include "Graphics.h"

#include <functional>
#include <memory>
#include <string>

class TIcon;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    std::string ClassName() const override { return "TPicture"; }

    // A picture or graphic is copied into a graphic of its own kind; null
    // empties the picture.
    void Assign(const TPersistent* source) override;

    // The graphic; null while the picture is empty.
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(const TGraphic* graphic) { Assign(graphic); }
    // The graphic as a bitmap or icon; another kind is first replaced by an
    // empty one.
    TBitmap& Bitmap();
    TIcon& Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // The kind registered for the file's extension loads it; an unknown
    // extension raises EInvalidGraphic "Unknown picture file extension (.<ext>)".
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // The kind registered for the clipboard format reads its data; an
    // unknown format raises EInvalidGraphic "Unsupported clipboard format".
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);

    // Kinds are known by extension (without the dot, any case) and by
    // clipboard format; bmp, ico, jpg and jpeg and CF_BITMAP come built in.
    static void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicFactory factory);
    static void RegisterClipboardFormat(UINT format, TGraphicFactory factory);
    static bool SupportsClipboardFormat(UINT format);
    // Every registered file format as an open dialog's filter:
    // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|...".
    static std::string GraphicFilter();

    TNotifyEvent OnChange;

private:
    void SetOwnGraphic(std::unique_ptr<TGraphic> graphic);
    void Changed();

    std::unique_ptr<TGraphic> graphic_;
};
