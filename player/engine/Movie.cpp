#include "Movie.h"

#include <algorithm>
#include <cctype>

#include "SoundTags.h"
#include "Dictionary.h"
#include "SwfReader.h"
#include "SwfUnpack.h"

namespace tvmplayer {
namespace {

enum TagCode : uint16_t {
    TagEnd = 0,
    TagShowFrame = 1,
    TagDoAction = 12,
    TagSetBackgroundColor = 9,
    TagDefineSprite = 39,
    TagFrameLabel = 43,
    TagExportAssets = 56,
    TagDoInitAction = 59,
    TagFileAttributes = 69,
    TagDoAbc = 72,
    TagDoAbc2 = 82,
};

constexpr int TwipsPerPixel = 20;
// Sprites inside sprites are not allowed by the format; a limit keeps a
// hostile nesting from running the stack down all the same.
constexpr int MaxSpriteDepth = 4;

// A sprite's own tags: walked only to hold them to the same bounds.
void WalkSprite(std::span<const uint8_t> body, int depth)
{
    if (depth > MaxSpriteDepth)
        throw SwfFormatError("sprites nested too deep");
    SwfReader reader(body);
    reader.U16();  // the sprite's id
    reader.U16();  // its frame count
    while (reader.Remaining() > 0) {
        TagHeader tag = ReadTag(reader);
        if (tag.Code == TagEnd)
            return;
        if (tag.Code == TagDefineSprite)
            WalkSprite(tag.Body, depth + 1);
    }
}

// Answers whether the End tag was reached.
bool WalkTags(SwfReader& reader, Movie& movie, Dictionary& characters)
{
    Frame current;
    bool backgroundSet = false;
    while (reader.Remaining() > 0) {
        TagHeader tag = ReadTag(reader);
        SwfReader body(tag.Body);
        switch (tag.Code) {
        case TagEnd:
            return true;
        case TagShowFrame:
            movie.Frames.push_back(std::move(current));
            current = Frame();
            break;
        case TagSetBackgroundColor:
            if (!backgroundSet) {
                uint32_t r = body.U8(), g = body.U8(), b = body.U8();
                movie.Background = 0xFF000000u | r << 16 | g << 8 | b;
                backgroundSet = true;
            }
            break;
        case TagFrameLabel:
            current.Labels.push_back(body.String());
            break;
        case TagDoAction:
            current.Actions.emplace_back(tag.Body.begin(), tag.Body.end());
            break;
        case TagDoInitAction:
            body.U16();  // the sprite it initialises
            current.InitActions.emplace_back(tag.Body.begin() + 2, tag.Body.end());
            break;
        case TagExportAssets:
            // A list cut short keeps the names before the cut.
            try {
                for (uint16_t count = body.U16(); count > 0; --count) {
                    uint16_t id = body.U16();
                    movie.Exports[body.String()] = id;
                }
            } catch (const SwfFormatError&) {
            }
            break;
        case TagFileAttributes:
            if (body.U8() & 0x08)
                movie.ActionScript3 = true;
            break;
        case TagDoAbc:
        case TagDoAbc2:
            movie.ActionScript3 = true;
            break;
        case TagDefineSprite:
            WalkSprite(tag.Body, 1);
            characters.Define(tag.Code, tag.Body, movie.Frames.size());
            break;
        default:
            ReadSoundTag(tag.Code, tag.Body, movie.Frames.size(), movie.Sounds, current.Sounds);
            if (IsDisplayTag(tag.Code))
                current.Display.push_back({tag.Code, {tag.Body.begin(), tag.Body.end()}});
            else
                characters.Define(tag.Code, tag.Body, movie.Frames.size());
            break;
        }
    }
    return false;
}

// The body after the eight header bytes, unpacked, exactly as long as the
// header says; shorter means the file was cut. Some writers of uncompressed
// movies never come back to fill in the length: such a body is taken as it
// is (overstated set), and must then reach its End tag to count as whole.
std::vector<uint8_t> Body(std::span<const uint8_t> file, char kind, uint32_t declaredLength, bool& overstated)
{
    if (declaredLength < 8 || declaredLength - 8 > MaxMovieBytes)
        throw SwfFormatError("implausible movie length");
    size_t length = declaredLength - 8;
    std::span<const uint8_t> rest = file.subspan(8);
    std::vector<uint8_t> body;
    if (kind == 'F') {
        overstated = rest.size() < length;
        length = std::min(length, rest.size());
        body.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length));
    } else if (kind == 'C') {
        body = Inflate(rest, length);
    } else {
        SwfReader reader(rest);
        uint32_t packedLength = reader.U32();
        std::span<const uint8_t> properties = reader.Bytes(5);
        // Some writers count the properties in, some do not: take what is there.
        std::span<const uint8_t> packed = rest.subspan(reader.Position());
        packed = packed.first(std::min<size_t>(packed.size(), packedLength + 5u));
        body = UnpackLzma(properties, packed, length);
    }
    if (body.size() < length)
        throw SwfFormatError("movie cut short");
    return body;
}

Movie Parse(std::span<const uint8_t> file)
{
    SwfReader header(file);
    std::span<const uint8_t> signature = header.Bytes(3);
    char kind = static_cast<char>(signature[0]);
    if ((kind != 'F' && kind != 'C' && kind != 'Z') || signature[1] != 'W' || signature[2] != 'S')
        throw SwfFormatError("not a movie");
    Movie movie;
    movie.Version = header.U8();
    movie.FileLength = header.U32();
    bool overstated = false;
    std::vector<uint8_t> body = Body(file, kind, movie.FileLength, overstated);

    SwfReader reader(body);
    int bits = static_cast<int>(reader.UnsignedBits(5));
    movie.XMin = reader.SignedBits(bits);
    movie.XMax = reader.SignedBits(bits);
    movie.YMin = reader.SignedBits(bits);
    movie.YMax = reader.SignedBits(bits);
    reader.Align();
    movie.Rate = reader.U16();
    uint16_t declaredFrames = reader.U16();
    auto characters = std::make_shared<Dictionary>();
    movie.Characters = characters;
    if (!WalkTags(reader, movie, *characters) && overstated)
        throw SwfFormatError("movie cut short");
    // A writer that left the length to be filled in left the frame count
    // too: the frames shown are the movie's. Declared frames are not made:
    // a header alone may declare 65535 of them.
    movie.FrameCount = overstated ? movie.Frames.size() : std::max<size_t>(movie.Frames.size(), declaredFrames);
    return movie;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}

int Movie::StageWidth() const
{
    return static_cast<int>((static_cast<int64_t>(XMax) - XMin) / TwipsPerPixel);
}

int Movie::StageHeight() const
{
    return static_cast<int>((static_cast<int64_t>(YMax) - YMin) / TwipsPerPixel);
}

double Movie::FrameMilliseconds() const
{
    return Rate == 0 ? 0.0 : 1000.0 * 256.0 / Rate;
}

std::optional<size_t> FindLabel(std::span<const Frame> frames, const std::string& label)
{
    std::string wanted = Lower(label);
    for (size_t i = 0; i < frames.size(); ++i)
        for (const std::string& own : frames[i].Labels)
            if (Lower(own) == wanted)
                return i;
    return std::nullopt;
}

std::optional<size_t> Movie::FindLabel(const std::string& label) const
{
    return tvmplayer::FindLabel(Frames, label);
}

std::optional<Movie> ParseMovie(std::span<const uint8_t> file)
{
    try {
        return Parse(file);
    } catch (const SwfFormatError&) {
        return std::nullopt;
    }
}

}
