#include "SwfFixtures.h"

#include "SwfBits.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tvmtest {
namespace {

void PutUInt16(Bytes& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void PutUInt32(Bytes& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes MovieBody(const SwfMovie& movie)
{
    BitWriter rect;
    const int bits = 16;
    rect.Put(bits, 5);
    for (int32_t v : {0, movie.widthTwips, 0, movie.heightTwips}) rect.Put(static_cast<uint32_t>(v), bits);
    Bytes body = rect.Finish();
    body.insert(body.end(), {movie.rateFraction, movie.rateInteger, static_cast<uint8_t>(movie.frameCount),
                             static_cast<uint8_t>(movie.frameCount >> 8)});
    // A white background and one frame: enough to be a real movie.
    Bytes tags = movie.tags.empty() ? SwfTags().Background(0xFFFFFF).ShowFrame().End().Take() : movie.tags;
    body.insert(body.end(), tags.begin(), tags.end());
    return body;
}

Bytes LzmaRaw(const Bytes& data, Bytes& properties)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 1);
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    uint32_t propertiesSize = 0;
    lzma_properties_size(&propertiesSize, &filters[0]);
    properties.assign(propertiesSize, 0);
    lzma_properties_encode(&filters[0], properties.data());

    lzma_stream lz = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&lz, filters) != LZMA_OK) throw std::runtime_error("lzma encoder failed");
    Bytes out(data.size() + 1024);
    lz.next_in = data.data();
    lz.avail_in = data.size();
    lz.next_out = out.data();
    lz.avail_out = out.size();
    lzma_ret result;
    while ((result = lzma_code(&lz, LZMA_FINISH)) == LZMA_OK) {}
    out.resize(out.size() - lz.avail_out);
    lzma_end(&lz);
    if (result != LZMA_STREAM_END) throw std::runtime_error("lzma encoding failed");
    return out;
}

}

Bytes Deflate(const Bytes& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress(out.data(), &size, data.data(), static_cast<uLong>(data.size())) != Z_OK)
        throw std::runtime_error("zlib compress failed");
    out.resize(size);
    return out;
}

SwfTags& SwfTags::Tag(uint16_t code, const Bytes& body, bool longForm)
{
    if (longForm || body.size() >= 0x3F) {
        PutUInt16(bytes_, static_cast<uint16_t>(code << 6 | 0x3F));
        PutUInt32(bytes_, static_cast<uint32_t>(body.size()));
    } else {
        PutUInt16(bytes_, static_cast<uint16_t>(code << 6 | body.size()));
    }
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

SwfTags& SwfTags::Background(uint32_t rgb)
{
    return Tag(9, {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)});
}

SwfTags& SwfTags::ShowFrame()
{
    return Tag(1, {});
}

SwfTags& SwfTags::Label(const std::string& name)
{
    Bytes body(name.begin(), name.end());
    body.push_back(0);
    return Tag(43, body);
}

SwfTags& SwfTags::DoAction(const Bytes& actions)
{
    return Tag(12, actions);
}

SwfTags& SwfTags::Sprite(uint16_t id, uint16_t frameCount, const Bytes& tags)
{
    Bytes body;
    PutUInt16(body, id);
    PutUInt16(body, frameCount);
    body.insert(body.end(), tags.begin(), tags.end());
    return Tag(39, body);
}

SwfTags& SwfTags::End()
{
    return Tag(0, {});
}

Bytes MakeSwf(const SwfMovie& movie, const char* signature)
{
    Bytes body = MovieBody(movie);
    Bytes swf(signature, signature + 3);
    swf.push_back(movie.version);
    PutUInt32(swf, static_cast<uint32_t>(8 + body.size()));
    if (signature[0] == 'C') {
        Bytes packed = Deflate(body);
        swf.insert(swf.end(), packed.begin(), packed.end());
    } else if (signature[0] == 'Z') {
        Bytes properties;
        Bytes packed = LzmaRaw(body, properties);
        PutUInt32(swf, static_cast<uint32_t>(packed.size()));
        swf.insert(swf.end(), properties.begin(), properties.end());
        swf.insert(swf.end(), packed.begin(), packed.end());
    } else {
        swf.insert(swf.end(), body.begin(), body.end());
    }
    return swf;
}

Bytes MakeProjector(const Bytes& movie)
{
    const size_t code = 4096;
    Bytes exe(code + movie.size(), 0x90);
    exe[0] = 'M';
    exe[1] = 'Z';
    std::copy(movie.begin(), movie.end(), exe.begin() + code);
    PutUInt32(exe, 0xFA123456);
    PutUInt32(exe, static_cast<uint32_t>(movie.size()));
    return exe;
}

}
