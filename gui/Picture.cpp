#include "Picture.h"

#include "Exceptions.h"
#include "Icon.h"
#include "Jpeg.h"
#include "SysUtils.h"

#include <vector>

namespace {

struct TFileFormat {
    std::string extension;
    std::string description;
    TGraphicFactory factory;
    std::string className;
};

struct TClipboardFormat {
    UINT format;
    TGraphicFactory factory;
};

template <typename T>
TGraphicFactory FactoryOf()
{
    return [] { return std::make_unique<T>(); };
}

std::vector<TFileFormat>& FileFormats()
{
    static std::vector<TFileFormat> formats{
        {"bmp", "Bitmaps", FactoryOf<TBitmap>(), "TBitmap"},
        {"ico", "Icons", FactoryOf<TIcon>(), "TIcon"},
        {"jpg", "JPEG Image File", FactoryOf<TJPEGImage>(), "TJPEGImage"},
        {"jpeg", "JPEG Image File", FactoryOf<TJPEGImage>(), "TJPEGImage"},
    };
    return formats;
}

std::vector<TClipboardFormat>& ClipboardFormats()
{
    static std::vector<TClipboardFormat> formats{{CF_BITMAP, FactoryOf<TBitmap>()}};
    return formats;
}

// A new graphic of the same kind as Graphic, when that kind is registered.
std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic& graphic)
{
    for (const auto& format : FileFormats())
        if (format.className == graphic.ClassName()) return format.factory();
    throw EInvalidGraphic("Unknown picture kind " + graphic.ClassName());
}

}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Assign(const TPersistent* source)
{
    if (auto* picture = dynamic_cast<const TPicture*>(source)) source = picture->Graphic();
    if (!source) {
        SetOwnGraphic(nullptr);
        return;
    }
    auto* graphic = dynamic_cast<const TGraphic*>(source);
    if (!graphic) {
        TPersistent::Assign(source);
        return;
    }
    auto copy = NewGraphicLike(*graphic);
    copy->Assign(graphic);
    SetOwnGraphic(std::move(copy));
}

TBitmap& TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(graphic_.get())) SetOwnGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*graphic_);
}

TIcon& TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(graphic_.get())) SetOwnGraphic(std::make_unique<TIcon>());
    return static_cast<TIcon&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    std::string extension = ExtractFileExt(fileName);
    if (!extension.empty()) extension.erase(0, 1);
    for (const auto& format : FileFormats()) {
        if (AnsiSameText(format.extension, extension)) {
            auto graphic = format.factory();
            graphic->LoadFromFile(fileName);
            SetOwnGraphic(std::move(graphic));
            return;
        }
    }
    throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
}

void TPicture::SaveToFile(const std::string& fileName)
{
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette)
{
    for (const auto& known : ClipboardFormats()) {
        if (known.format == format) {
            auto graphic = known.factory();
            graphic->LoadFromClipboardFormat(format, data, palette);
            SetOwnGraphic(std::move(graphic));
            return;
        }
    }
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicFactory factory)
{
    const std::string className = factory()->ClassName();
    auto& formats = FileFormats();
    std::erase_if(formats, [&](const TFileFormat& f) { return AnsiSameText(f.extension, extension); });
    formats.push_back({LowerCase(extension), description, std::move(factory), className});
}

void TPicture::RegisterClipboardFormat(UINT format, TGraphicFactory factory)
{
    auto& formats = ClipboardFormats();
    std::erase_if(formats, [&](const TClipboardFormat& f) { return f.format == format; });
    formats.push_back({format, std::move(factory)});
}

bool TPicture::SupportsClipboardFormat(UINT format)
{
    for (const auto& known : ClipboardFormats())
        if (known.format == format) return true;
    return false;
}

std::string TPicture::GraphicFilter()
{
    std::string all, each;
    for (const auto& format : FileFormats()) {
        const std::string mask = "*." + format.extension;
        all += (all.empty() ? "" : ";") + mask;
        each += "|" + format.description + " (" + mask + ")|" + mask;
    }
    return "All (" + all + ")|" + all + each;
}

void TPicture::SetOwnGraphic(std::unique_ptr<TGraphic> graphic)
{
    graphic_ = std::move(graphic);
    if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::Changed()
{
    if (OnChange) OnChange(this);
}
