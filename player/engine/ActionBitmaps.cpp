#include "ActionBitmaps.h"

#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionClips.h"
#include "ActionGeometry.h"
#include "ActionMachine.h"
#include "Canvas.h"
#include "DisplayList.h"
#include "StageRenderer.h"

namespace tvmplayer {
namespace {

// The largest side a script's bitmap may have.
constexpr int MaxSide = 2880;

struct Area {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

int Whole(ActionMachine& machine, const Value& value)
{
    double number = machine.ToNumber(value);
    return std::isfinite(number) ? static_cast<int>(std::clamp(std::floor(number), -1e6, 1e6)) : 0;
}

// A rectangle's pixels inside the bitmap.
Area Inside(ActionMachine& machine, const Value& rectangle, const Bitmap& image)
{
    int x = Whole(machine, machine.GetMember(rectangle, "x")), y = Whole(machine, machine.GetMember(rectangle, "y"));
    int w = Whole(machine, machine.GetMember(rectangle, "width"));
    int h = Whole(machine, machine.GetMember(rectangle, "height"));
    return {std::clamp(x, 0, image.Width), std::clamp(y, 0, image.Height), std::clamp(x + w, 0, image.Width),
            std::clamp(y + h, 0, image.Height)};
}

bool Transparent(ActionMachine& machine, ScriptObject* object)
{
    return ToBoolean(machine.GetMember(Value::FromObject(object), "transparent"), machine.Version());
}

// A script's 0xAARRGGBB, opaque in a bitmap that is not transparent.
uint32_t PixelOf(ActionMachine& machine, const Value& value, bool transparent)
{
    auto argb = static_cast<uint32_t>(ToInt32(machine.ToNumber(value)));
    return Premultiply(transparent ? argb : argb | 0xFF000000);
}

// source over target, both premultiplied.
uint32_t Over(uint32_t source, uint32_t target)
{
    uint32_t keep = 255 - (source >> 24), out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min(255u, (source >> shift & 0xFF) + ((target >> shift & 0xFF) * keep + 127) / 255) << shift;
    return out;
}

std::shared_ptr<Bitmap> NewImage(ActionMachine& machine, int width, int height, uint32_t pixel)
{
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide)
        return nullptr;
    machine.Allocate(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    auto image = std::make_shared<Bitmap>();
    image->Width = width;
    image->Height = height;
    image->Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), pixel);
    return image;
}

// Makes object a BitmapData of image: its width and height are the image's.
void MakeBitmapData(ScriptObject* object, std::shared_ptr<Bitmap> image, bool transparent)
{
    object->Image = std::move(image);
    object->Put("transparent", Value::Boolean(transparent), ReadOnly);
    object->Hook = std::make_unique<PropertyHook>([object](ActionMachine&, const std::string& name, Value& value, bool set) {
        bool width = name == "width";
        if (!width && name != "height")
            return false;
        // A disposed bitmap answers -1.
        if (!set)
            value = Value::FromNumber(object->Image ? (width ? object->Image->Width : object->Image->Height) : -1);
        return true;
    });
}

template <class Body>
NativeFunction BitmapMethod(Body body)
{
    return [body](NativeCall& call) -> Value {
        std::shared_ptr<Bitmap> image = call.This ? call.This->Image : nullptr;
        return image ? body(call, *image) : Value();
    };
}

// Draws a clip's content into the bitmap through matrix (pixels).
void DrawClip(ActionMachine& machine, Bitmap& image, const PlacedObject& clip, const Matrix& matrix)
{
    Surface surface{image.Pixels.data(), image.Width, image.Height, image.Width};
    Canvas canvas(surface);
    Timeline* frames = machine.Root()->Clip->Frames();
    StageRenderer renderer(canvas, *machine.CurrentMovie().Characters, frames ? frames->Current() : 0);
    renderer.DrawContent(clip, matrix.Then(Matrix::Scale(1.0 / 20, 1.0 / 20)));
}

void InstallMethods(ActionMachine& machine, ScriptObject* prototype)
{
    auto define = [&](const char* name, NativeFunction function) {
        DefineMethod(machine, prototype, name, std::move(function));
    };
    define("fillRect", BitmapMethod([](NativeCall& call, Bitmap& image) {
               Area area = Inside(call.Machine, call.Argument(0), image);
               uint32_t pixel = PixelOf(call.Machine, call.Argument(1), Transparent(call.Machine, call.This));
               for (int y = area.Y0; y < area.Y1; ++y)
                   std::fill_n(&image.Pixels[static_cast<size_t>(y) * image.Width + area.X0], area.X1 - area.X0, pixel);
               return Value();
           }));
    auto pixelAt = [](NativeCall& call, Bitmap& image) -> uint32_t* {
        int x = Whole(call.Machine, call.Argument(0)), y = Whole(call.Machine, call.Argument(1));
        if (x < 0 || y < 0 || x >= image.Width || y >= image.Height)
            return nullptr;
        return &image.Pixels[static_cast<size_t>(y) * image.Width + x];
    };
    define("getPixel", BitmapMethod([pixelAt](NativeCall& call, Bitmap& image) {
               uint32_t* pixel = pixelAt(call, image);
               return Value::FromNumber(pixel ? Unpremultiply(*pixel) & 0xFFFFFF : 0);
           }));
    define("getPixel32", BitmapMethod([pixelAt](NativeCall& call, Bitmap& image) {
               uint32_t* pixel = pixelAt(call, image);
               return Value::FromNumber(pixel ? Unpremultiply(*pixel) : 0);
           }));
    define("setPixel", BitmapMethod([pixelAt](NativeCall& call, Bitmap& image) {
               if (uint32_t* pixel = pixelAt(call, image)) {
                   uint32_t rgb = static_cast<uint32_t>(ToInt32(call.Machine.ToNumber(call.Argument(2)))) & 0xFFFFFF;
                   *pixel = Premultiply((Unpremultiply(*pixel) & 0xFF000000) | rgb);
               }
               return Value();
           }));
    define("setPixel32", BitmapMethod([pixelAt](NativeCall& call, Bitmap& image) {
               if (uint32_t* pixel = pixelAt(call, image))
                   *pixel = PixelOf(call.Machine, call.Argument(2), Transparent(call.Machine, call.This));
               return Value();
           }));
    define("copyPixels", BitmapMethod([](NativeCall& call, Bitmap& image) {
               std::shared_ptr<Bitmap> source = call.Argument(0).IsObject() ? call.Argument(0).Object->Image : nullptr;
               if (!source)
                   return Value();
               Area from = Inside(call.Machine, call.Argument(1), *source);
               int dx = Whole(call.Machine, call.Machine.GetMember(call.Argument(2), "x")) - from.X0;
               int dy = Whole(call.Machine, call.Machine.GetMember(call.Argument(2), "y")) - from.Y0;
               // A copy of its own: source and target may be one bitmap.
               Bitmap copy = *source;
               for (int y = std::max(from.Y0, -dy); y < std::min(from.Y1, image.Height - dy); ++y)
                   for (int x = std::max(from.X0, -dx); x < std::min(from.X1, image.Width - dx); ++x)
                       image.Pixels[static_cast<size_t>(y + dy) * image.Width + (x + dx)] =
                           copy.Pixels[static_cast<size_t>(y) * copy.Width + x];
               return Value();
           }));
    define("draw", BitmapMethod([](NativeCall& call, Bitmap& image) {
               const Value& source = call.Argument(0);
               if (!source.IsObject())
                   return Value();
               Matrix matrix = MatrixOf(call.Machine, call.Argument(1));
               call.Machine.Charge(static_cast<size_t>(image.Width) * image.Height / 16);
               if (PlacedObject* clip = source.Object->Clip ? source.Object->Clip->Placed() : nullptr) {
                   DrawClip(call.Machine, image, *clip, matrix);
               } else if (std::shared_ptr<Bitmap> other = source.Object->Image) {
                   // Another bitmap goes over this one where the matrix moves it.
                   Bitmap copy = *other;
                   int dx = static_cast<int>(std::lround(matrix.Tx)), dy = static_cast<int>(std::lround(matrix.Ty));
                   for (int y = std::max(0, -dy); y < std::min(copy.Height, image.Height - dy); ++y)
                       for (int x = std::max(0, -dx); x < std::min(copy.Width, image.Width - dx); ++x) {
                           uint32_t& target = image.Pixels[static_cast<size_t>(y + dy) * image.Width + (x + dx)];
                           target = Over(copy.Pixels[static_cast<size_t>(y) * copy.Width + x], target);
                       }
               }
               return Value();
           }));
    define("clone", BitmapMethod([](NativeCall& call, Bitmap& image) {
               ScriptObject* copy = call.Machine.NewObject(call.This->Prototype);
               call.Machine.Allocate(image.Pixels.size() * 4);
               MakeBitmapData(copy, std::make_shared<Bitmap>(image), Transparent(call.Machine, call.This));
               return Value::FromObject(copy);
           }));
    define("dispose", [](NativeCall& call) {
        // The clips it is attached to and the fills drawn with it show
        // nothing from now on.
        if (call.This && call.This->Image) {
            *call.This->Image = Bitmap();
            call.This->Image.reset();
        }
        return Value();
    });
}

}

void InstallBitmaps(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.NewObject();
    Constructor(machine, PackageObject(machine, global, {"flash", "display"}), "BitmapData", prototype,
                [](NativeCall& call) {
                    if (!call.Constructing || !call.This)
                        return Value();
                    ActionMachine& machine = call.Machine;
                    bool transparent = call.Argument(2).IsUndefined() || ToBoolean(call.Argument(2), machine.Version());
                    uint32_t fill = call.Argument(3).IsUndefined() ? Premultiply(0xFFFFFFFF)
                                                                   : PixelOf(machine, call.Argument(3), transparent);
                    MakeBitmapData(call.This,
                                   NewImage(machine, Whole(machine, call.Argument(0)), Whole(machine, call.Argument(1)), fill),
                                   transparent);
                    return Value::FromObject(call.This);
                });
    InstallMethods(machine, prototype);
    DefineMethod(machine, machine.Protos.Clip, "attachBitmap", [](NativeCall& call) {
        DisplayList* list = call.This && call.This->Clip ? call.This->Clip->List() : nullptr;
        std::shared_ptr<Bitmap> image = call.Argument(0).IsObject() ? call.Argument(0).Object->Image : nullptr;
        if (list && image) {
            call.Machine.Allocate(ClipBytes);
            list->AddBitmap(ListDepth(call.Machine.ToNumber(call.Argument(1))), image);
        }
        return Value();
    });
}

}
