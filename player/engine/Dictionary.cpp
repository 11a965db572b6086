#include "Dictionary.h"

#include <algorithm>
#include <utility>

#include "SoundTags.h"

namespace tvmplayer {
namespace {

enum TagCode : uint16_t {
    TagEnd = 0,
    TagShowFrame = 1,
    TagDefineShape = 2,
    TagPlaceObject = 4,
    TagRemoveObject = 5,
    TagDefineBits = 6,
    TagDefineButton = 7,
    TagJpegTables = 8,
    TagDefineFont = 10,
    TagDefineText = 11,
    TagDoAction = 12,
    TagDefineBitsLossless = 20,
    TagDefineEditText = 37,
    TagDefineBitsJpeg2 = 21,
    TagDefineShape2 = 22,
    TagPlaceObject2 = 26,
    TagRemoveObject2 = 28,
    TagDefineShape3 = 32,
    TagDefineText2 = 33,
    TagDefineButton2 = 34,
    TagDefineBitsJpeg3 = 35,
    TagDefineBitsLossless2 = 36,
    TagDefineSprite = 39,
    TagFrameLabel = 43,
    TagDefineMorphShape = 46,
    TagDefineFont2 = 48,
    TagPlaceObject3 = 70,
    TagDefineVideoStream = 60,
    TagVideoFrame = 61,
    TagDefineFont3 = 75,
    TagDefineShape4 = 83,
    TagDefineMorphShape2 = 84,
    TagDefineBitsJpeg4 = 90,
};

uint32_t ReadCount(SwfReader& reader)
{
    uint32_t count = reader.U8();
    return count == 0xFF ? reader.U16() : count;
}

void ReadMorphFill(SwfReader& reader, FillStyle& start, FillStyle& end)
{
    uint8_t type = reader.U8();
    if (type == 0x00) {
        start.Argb = ReadRgba(reader);
        end.Argb = ReadRgba(reader);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        start.Kind = end.Kind = type == 0x10 ? FillKind::Linear : FillKind::Radial;
        start.Transform = ReadMatrix(reader);
        end.Transform = ReadMatrix(reader);
        for (uint32_t i = reader.U8(); i > 0; --i) {
            double startOffset = reader.U8() / 255.0;
            start.Stops.push_back({startOffset, ReadRgba(reader)});
            double endOffset = reader.U8() / 255.0;
            end.Stops.push_back({endOffset, ReadRgba(reader)});
        }
    } else if (type >= 0x40 && type <= 0x43) {
        start.Kind = end.Kind = FillKind::Bitmap;
        start.BitmapId = end.BitmapId = reader.U16();
        start.Transform = ReadMatrix(reader);
        end.Transform = ReadMatrix(reader);
        start.Repeat = end.Repeat = type == 0x40 || type == 0x42;
        start.Smooth = end.Smooth = type <= 0x41;
    } else {
        throw SwfFormatError("unknown morph fill style");
    }
}

void ReadMorphLine(SwfReader& reader, int version, LineStyle& start, LineStyle& end)
{
    start.Width = reader.U16();
    end.Width = reader.U16();
    bool hasFill = false;
    if (version >= 2) {
        uint32_t startCap = reader.UnsignedBits(2), join = reader.UnsignedBits(2);
        hasFill = reader.UnsignedBits(1);
        reader.UnsignedBits(10);  // scaling, hinting, reserved, no-close
        uint32_t endCap = reader.UnsignedBits(2);
        auto cap = [](uint32_t bits) { return bits == 1 ? Cap::None : bits == 2 ? Cap::Square : Cap::Round; };
        start.StartCap = end.StartCap = cap(startCap);
        start.EndCap = end.EndCap = cap(endCap);
        start.JoinStyle = end.JoinStyle = join == 1 ? Join::Bevel : join == 2 ? Join::Miter : Join::Round;
        if (join == 2)
            start.MiterLimit = end.MiterLimit = reader.U16() / 256.0;
    }
    if (hasFill) {
        ReadMorphFill(reader, start.Fill, end.Fill);
    } else {
        start.Fill.Argb = ReadRgba(reader);
        end.Fill.Argb = ReadRgba(reader);
    }
}

FillStyle BlendFill(const FillStyle& from, const FillStyle& to, double t)
{
    FillStyle out = from;
    out.Argb = BlendColour(from.Argb, to.Argb, t);
    out.Transform = Matrix::Blend(from.Transform, to.Transform, t);
    for (size_t i = 0; i < out.Stops.size() && i < to.Stops.size(); ++i) {
        out.Stops[i].Offset += (to.Stops[i].Offset - from.Stops[i].Offset) * t;
        out.Stops[i].Argb = BlendColour(from.Stops[i].Argb, to.Stops[i].Argb, t);
    }
    return out;
}

Point BlendPoint(Point from, Point to, double t)
{
    return {from.X + (to.X - from.X) * t, from.Y + (to.Y - from.Y) * t};
}

}

bool IsDisplayTag(uint16_t code)
{
    return code == TagPlaceObject || code == TagPlaceObject2 || code == TagPlaceObject3 || code == TagRemoveObject
           || code == TagRemoveObject2;
}

const Character* Dictionary::Find(uint16_t id, size_t frame) const
{
    auto found = characters_.find(id);
    if (found == characters_.end())
        return nullptr;
    const Character* latest = nullptr;
    for (const Definition& definition : found->second)
        if (definition.Frame <= frame)
            latest = &definition.Value;
    return latest;
}

const Bitmap* Dictionary::Image(uint16_t id, size_t frame) const
{
    const Character* character = Find(id, frame);
    const BitmapData* data = character ? std::get_if<BitmapData>(character) : nullptr;
    if (!data)
        return nullptr;
    auto cached = decoded_.find(data);
    if (cached == decoded_.end()) {
        SwfReader body(data->Body);
        std::optional<Bitmap> bitmap =
            ReadBitmap(data->Code, body, data->Tables ? std::span<const uint8_t>(*data->Tables) : std::span<const uint8_t>());
        size_t pixels = bitmap ? bitmap->Pixels.size() : 0;
        if (decodedPixels_ + pixels > MaxDecodedPixels) {
            decoded_.clear();
            decodedPixels_ = 0;
        }
        decodedPixels_ += pixels;
        cached = decoded_.emplace(data, std::move(bitmap)).first;
    }
    return cached->second ? &*cached->second : nullptr;
}

const Font* Dictionary::FontNamed(const std::string& name, bool bold, bool italic) const
{
    const Font* named = nullptr;
    for (const auto& [id, definitions] : characters_) {
        const Font* font = std::get_if<Font>(&definitions.back().Value);
        if (!font || font->Glyphs.empty() || font->Name != name)
            continue;
        if (font->Bold == bold && font->Italic == italic)
            return font;
        named = named ? named : font;
    }
    return named;
}

void Dictionary::Add(uint16_t id, Character character)
{
    std::vector<Definition>& definitions = characters_[id];
    // Only a definition in a later frame stands beside the earlier ones.
    if (!definitions.empty() && definitions.back().Frame == frame_)
        definitions.back().Value = std::move(character);
    else
        definitions.push_back({frame_, std::move(character)});
}

void Dictionary::Define(uint16_t code, std::span<const uint8_t> bytes, size_t frame)
{
    frame_ = frame;
    SwfReader body(bytes);
    try {
        switch (code) {
        case TagDefineShape: return DefineShape(body, 1);
        case TagDefineShape2: return DefineShape(body, 2);
        case TagDefineShape3: return DefineShape(body, 3);
        case TagDefineShape4: return DefineShape(body, 4);
        case TagDefineSprite: return DefineSprite(body);
        case TagDefineMorphShape: return DefineMorph(body, 1);
        case TagDefineMorphShape2: return DefineMorph(body, 2);
        case TagDefineButton: return DefineButton(body, 1);
        case TagDefineButton2: return DefineButton(body, 2);
        case TagDefineFont:
        case TagDefineFont2:
        case TagDefineFont3: {
            uint16_t id = body.U16();
            int version = code == TagDefineFont ? 1 : code == TagDefineFont2 ? 2 : 3;
            Add(id, ReadFont(bytes.subspan(2), version));
            return;
        }
        case TagDefineText:
        case TagDefineText2: {
            uint16_t id = body.U16();
            Add(id, ReadText(body, code == TagDefineText ? 1 : 2));
            return;
        }
        case TagDefineVideoStream: {
            uint16_t id = body.U16();
            Add(id, ReadVideoStream(body));
            return;
        }
        case TagVideoFrame: return AddVideoFrame(bytes);
        case TagDefineEditText: {
            uint16_t id = body.U16();
            Add(id, ReadEditText(body));
            return;
        }
        case TagJpegTables:
            jpegTables_ = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
            return;
        case TagDefineBits:
        case TagDefineBitsJpeg2:
        case TagDefineBitsJpeg3:
        case TagDefineBitsJpeg4:
        case TagDefineBitsLossless:
        case TagDefineBitsLossless2: {
            uint16_t id = body.U16();
            Add(id, BitmapData{code, {bytes.begin() + 2, bytes.end()}, code == TagDefineBits ? jpegTables_ : nullptr});
            return;
        }
        default:
            return;
        }
    } catch (const SwfFormatError&) {
        // A definition too short for its own header defines nothing.
    }
}

void Dictionary::DefineShape(SwfReader& body, int version)
{
    uint16_t id = body.U16();
    SkipRect(body);
    Shape shape;
    if (version == 4) {
        SkipRect(body);
        shape.Winding = body.U8() & 4;
    }
    if (edgesLeft_ == 0)
        return;
    shape.Records = ReadShapeWithStyles(body, version);
    edgesLeft_ -= std::min(edgesLeft_, shape.Records.Edges.size());
    shape.Paths = Assemble(shape.Records);
    shape.Bounds = Measure(shape.Records);
    Add(id, std::move(shape));
}

void Dictionary::DefineSprite(SwfReader& body)
{
    uint16_t id = body.U16();
    body.U16();  // the declared frame count: the frames themselves count
    Sprite sprite;
    Frame frame;
    std::shared_ptr<SoundStream> stream;
    while (body.Remaining() > 0) {
        TagHeader tag = ReadTag(body);
        if (tag.Code == TagEnd)
            break;
        if (tag.Code == TagShowFrame)
            sprite.Frames.push_back(std::exchange(frame, {}));
        else if (IsDisplayTag(tag.Code))
            frame.Display.push_back({tag.Code, {tag.Body.begin(), tag.Body.end()}});
        else if (tag.Code == TagVideoFrame)
            AddVideoFrame(tag.Body);
        else if (tag.Code == TagDoAction)
            frame.Actions.emplace_back(tag.Body.begin(), tag.Body.end());
        else if (tag.Code == TagFrameLabel)
            frame.Labels.push_back(SwfReader(tag.Body).String());
        else
            ReadTimelineSoundTag(tag.Code, tag.Body, sprite.Frames.size(), stream, frame.Sounds);
    }
    if (!frame.Display.empty() || !frame.Actions.empty() || !frame.Labels.empty() || !frame.Sounds.empty())
        sprite.Frames.push_back(std::move(frame));
    sprite.Stream = std::move(stream);
    Add(id, std::move(sprite));
}

void Dictionary::AddVideoFrame(std::span<const uint8_t> tag)
{
    if (tag.size() < 4)
        return;
    uint16_t id = static_cast<uint16_t>(tag[0] | tag[1] << 8);
    uint16_t number = static_cast<uint16_t>(tag[2] | tag[3] << 8);
    auto found = characters_.find(id);
    VideoStream* video = found == characters_.end() ? nullptr : std::get_if<VideoStream>(&found->second.back().Value);
    if (video) {
        std::span<const uint8_t> data = tag.subspan(4);
        video->Frames[number] = {{data.begin(), data.end()}, IsKeyFrame(video->Codec, data)};
    }
}

void Dictionary::DefineMorph(SwfReader& body, int version)
{
    uint16_t id = body.U16();
    SkipRect(body);
    SkipRect(body);
    if (version == 2) {
        SkipRect(body);
        SkipRect(body);
        body.U8();  // stroke scaling flags
    }
    body.U32();  // where the end edges start: they follow the start edges
    MorphShape morph;
    for (uint32_t i = ReadCount(body); i > 0; --i) {
        ReadMorphFill(body, morph.StartFills.emplace_back(), morph.EndFills.emplace_back());
    }
    for (uint32_t i = ReadCount(body); i > 0; --i) {
        ReadMorphLine(body, version, morph.StartLines.emplace_back(), morph.EndLines.emplace_back());
    }
    if (edgesLeft_ == 0)
        return;
    morph.Start = ReadShapeRecords(body, 3);
    morph.End = ReadShapeRecords(body, 3);
    edgesLeft_ -= std::min(edgesLeft_, morph.Start.Edges.size() + morph.End.Edges.size());
    Add(id, std::move(morph));
}

void Dictionary::DefineButton(SwfReader& body, int version)
{
    uint16_t id = body.U16();
    if (version == 2) {
        body.U8();   // tracked as a menu
        body.U16();  // where the actions start
    }
    Button button;
    try {
        while (uint8_t flags = body.U8()) {
            ButtonPart part;
            part.Id = body.U16();
            part.Depth = body.U16();
            part.Transform = ReadMatrix(body);
            if (version == 2)
                part.Colours = ReadColourTransform(body, true);
            if (version == 2 && (flags & 0x10))
                part.Filters = ReadFilters(body);
            if (version == 2 && (flags & 0x20))
                part.Blend = ToBlendMode(body.U8());
            if (flags & 1)
                button.Up.push_back(std::move(part));
        }
    } catch (const SwfFormatError&) {
        // The parts read so far still show.
    }
    std::stable_sort(button.Up.begin(), button.Up.end(),
                     [](const ButtonPart& a, const ButtonPart& b) { return a.Depth < b.Depth; });
    Add(id, std::move(button));
}

ShapeRecords MorphAt(const MorphShape& morph, double ratio)
{
    ShapeRecords shape = morph.Start;
    shape.Fills.clear();
    for (size_t i = 0; i < morph.StartFills.size(); ++i)
        shape.Fills.push_back(BlendFill(morph.StartFills[i], morph.EndFills[i], ratio));
    shape.Lines.clear();
    for (size_t i = 0; i < morph.StartLines.size(); ++i) {
        LineStyle line = morph.StartLines[i];
        line.Width += (morph.EndLines[i].Width - line.Width) * ratio;
        line.Fill = BlendFill(morph.StartLines[i].Fill, morph.EndLines[i].Fill, ratio);
        shape.Lines.push_back(line);
    }
    for (size_t i = 0; i < shape.Edges.size() && i < morph.End.Edges.size(); ++i) {
        Edge& edge = shape.Edges[i];
        const Edge& end = morph.End.Edges[i];
        edge.From = BlendPoint(edge.From, end.From, ratio);
        edge.Control = BlendPoint(edge.Control, end.Control, ratio);
        edge.To = BlendPoint(edge.To, end.To, ratio);
        edge.Curve = edge.Curve || end.Curve;
    }
    return shape;
}

}
