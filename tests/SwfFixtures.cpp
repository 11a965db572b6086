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

SwfTags& SwfTags::DoInitAction(uint16_t sprite, const Bytes& actions)
{
    Bytes body;
    PutUInt16(body, sprite);
    body.insert(body.end(), actions.begin(), actions.end());
    return Tag(59, body);
}

SwfTags& SwfTags::Sprite(uint16_t id, uint16_t frameCount, const Bytes& tags)
{
    Bytes body;
    PutUInt16(body, id);
    PutUInt16(body, frameCount);
    body.insert(body.end(), tags.begin(), tags.end());
    return Tag(39, body);
}

uint8_t SoundFormatByte(int codec, int rate, bool sixteenBit, bool stereo)
{
    return static_cast<uint8_t>(codec << 4 | rate << 2 | (sixteenBit ? 2 : 0) | (stereo ? 1 : 0));
}

SwfTags& SwfTags::DefineSound(uint16_t id, uint8_t format, uint32_t sampleCount, const Bytes& data)
{
    Bytes body;
    PutUInt16(body, id);
    body.push_back(format);
    PutUInt32(body, sampleCount);
    body.insert(body.end(), data.begin(), data.end());
    return Tag(14, body);
}

SwfTags& SwfTags::StartSound(uint16_t id, const SwfSoundInfo& info)
{
    Bytes body;
    PutUInt16(body, id);
    body.push_back(static_cast<uint8_t>((info.stop ? 0x20 : 0) | (info.noMultiple ? 0x10 : 0) |
                                        (info.envelope.empty() ? 0 : 0x08) | (info.loops ? 0x04 : 0) |
                                        (info.outPoint ? 0x02 : 0) | (info.inPoint ? 0x01 : 0)));
    if (info.inPoint) PutUInt32(body, info.inPoint);
    if (info.outPoint) PutUInt32(body, info.outPoint);
    if (info.loops) PutUInt16(body, info.loops);
    if (!info.envelope.empty()) {
        body.push_back(static_cast<uint8_t>(info.envelope.size()));
        for (const SwfSoundInfo::Point& point : info.envelope) {
            PutUInt32(body, point.position);
            PutUInt16(body, point.left);
            PutUInt16(body, point.right);
        }
    }
    return Tag(15, body);
}

SwfTags& SwfTags::SoundStreamHead(uint8_t format, uint16_t samplesPerBlock)
{
    Bytes body = {static_cast<uint8_t>(format & 0x0F), format};
    PutUInt16(body, samplesPerBlock);
    return Tag(18, body);
}

SwfTags& SwfTags::SoundStreamBlock(const Bytes& data)
{
    return Tag(19, data);
}

SwfTags& SwfTags::End()
{
    return Tag(0, {});
}

SwfValue SwfValue::Of(Kind kind, double number)
{
    SwfValue value(number);
    value.kind = kind;
    return value;
}

SwfActions& SwfActions::Op(uint8_t code)
{
    // Codes from 0x80 on always have a length, if only of 0.
    if (code >= 0x80)
        return Op(code, {});
    bytes_.push_back(code);
    return *this;
}

SwfActions& SwfActions::Op(uint8_t code, const Bytes& body)
{
    bytes_.push_back(code);
    PutUInt16(bytes_, static_cast<uint16_t>(body.size()));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

namespace {

void PutString(Bytes& bytes, const std::string& text)
{
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

}

SwfActions& SwfActions::Push(std::initializer_list<SwfValue> values)
{
    Bytes body;
    for (const SwfValue& value : values) {
        body.push_back(value.kind);
        switch (value.kind) {
        case SwfValue::String:
            PutString(body, value.text);
            break;
        case SwfValue::Float: {
            float number = static_cast<float>(value.number);
            uint32_t bits;
            std::memcpy(&bits, &number, sizeof bits);
            PutUInt32(body, bits);
            break;
        }
        case SwfValue::Register:
        case SwfValue::Boolean:
        case SwfValue::Constant8:
            body.push_back(static_cast<uint8_t>(value.number));
            break;
        case SwfValue::Double: {
            uint64_t bits;
            std::memcpy(&bits, &value.number, sizeof bits);
            // The high word first, each word little-endian.
            PutUInt32(body, static_cast<uint32_t>(bits >> 32));
            PutUInt32(body, static_cast<uint32_t>(bits));
            break;
        }
        case SwfValue::Integer:
            PutUInt32(body, static_cast<uint32_t>(static_cast<int32_t>(value.number)));
            break;
        case SwfValue::Constant16:
            PutUInt16(body, static_cast<uint16_t>(value.number));
            break;
        default:
            break;
        }
    }
    return Op(0x96, body);
}

SwfActions& SwfActions::Constants(std::initializer_list<std::string> pool)
{
    Bytes body;
    PutUInt16(body, static_cast<uint16_t>(pool.size()));
    for (const std::string& text : pool) PutString(body, text);
    return Op(0x88, body);
}

SwfActions& SwfActions::GetUrl(const std::string& url, const std::string& target)
{
    Bytes body;
    PutString(body, url);
    PutString(body, target);
    return Op(0x83, body);
}

SwfActions& SwfActions::GotoFrame(uint16_t frame)
{
    Bytes body;
    PutUInt16(body, frame);
    return Op(0x81, body);
}

SwfActions& SwfActions::GotoLabel(const std::string& label)
{
    Bytes body;
    PutString(body, label);
    return Op(0x8C, body);
}

SwfActions& SwfActions::SetTarget(const std::string& target)
{
    Bytes body;
    PutString(body, target);
    return Op(0x8B, body);
}

SwfActions& SwfActions::WaitForFrame(uint16_t frame, uint8_t skip)
{
    Bytes body;
    PutUInt16(body, frame);
    body.push_back(skip);
    return Op(0x8A, body);
}

SwfActions& SwfActions::StoreRegister(uint8_t index)
{
    return Op(0x87, Bytes{index});
}

SwfActions& SwfActions::Jump(int16_t offset)
{
    Bytes body;
    PutUInt16(body, static_cast<uint16_t>(offset));
    return Op(0x99, body);
}

SwfActions& SwfActions::If(int16_t offset)
{
    Bytes body;
    PutUInt16(body, static_cast<uint16_t>(offset));
    return Op(0x9D, body);
}

SwfActions& SwfActions::DefineFunction(const std::string& name, const std::vector<std::string>& parameters,
                                       const Bytes& body)
{
    Bytes header;
    PutString(header, name);
    PutUInt16(header, static_cast<uint16_t>(parameters.size()));
    for (const std::string& parameter : parameters) PutString(header, parameter);
    PutUInt16(header, static_cast<uint16_t>(body.size()));
    Op(0x9B, header);
    return Append(body);
}

SwfActions& SwfActions::DefineFunction2(const std::string& name, uint8_t registers, uint16_t flags,
                                        const std::vector<std::pair<uint8_t, std::string>>& parameters,
                                        const Bytes& body)
{
    Bytes header;
    PutString(header, name);
    PutUInt16(header, static_cast<uint16_t>(parameters.size()));
    header.push_back(registers);
    // The flags as the file orders them: preload parent in the first byte's top bit.
    header.push_back(static_cast<uint8_t>(flags));
    header.push_back(static_cast<uint8_t>(flags >> 8));
    for (const auto& [reg, parameter] : parameters) {
        header.push_back(reg);
        PutString(header, parameter);
    }
    PutUInt16(header, static_cast<uint16_t>(body.size()));
    Op(0x8E, header);
    return Append(body);
}

SwfActions& SwfActions::Try(const std::string& name, const Bytes& body, const Bytes& handler, const Bytes& last)
{
    Bytes header;
    header.push_back(static_cast<uint8_t>((handler.empty() ? 0 : 1) | (last.empty() ? 0 : 2)));
    PutUInt16(header, static_cast<uint16_t>(body.size()));
    PutUInt16(header, static_cast<uint16_t>(handler.size()));
    PutUInt16(header, static_cast<uint16_t>(last.size()));
    PutString(header, name);
    Op(0x8F, header);
    Append(body);
    Append(handler);
    return Append(last);
}

SwfActions& SwfActions::With(const Bytes& body)
{
    Bytes header;
    PutUInt16(header, static_cast<uint16_t>(body.size()));
    Op(0x94, header);
    return Append(body);
}

SwfActions& SwfActions::Append(const Bytes& actions)
{
    bytes_.insert(bytes_.end(), actions.begin(), actions.end());
    return *this;
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
