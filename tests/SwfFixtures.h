#pragma once
// Small Flash movies and projector executables made by the tests themselves.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

// How a StartSound plays its sound (SOUNDINFO).
struct SwfSoundInfo {
    bool stop = false, noMultiple = false;
    uint32_t inPoint = 0, outPoint = 0;  // 0: not given
    uint16_t loops = 0;                  // 0: not given
    struct Point {
        uint32_t position;
        uint16_t left, right;
    };
    std::vector<Point> envelope;
};

// A sound format byte: codec (0 uncompressed, 1 ADPCM, 2 MP3, 3 PCM little-endian,
// 6 Nellymoser, ...), rate (0: 5.5, 1: 11, 2: 22, 3: 44 kHz), 16 bits, stereo.
uint8_t SoundFormatByte(int codec, int rate, bool sixteenBit, bool stereo);

// The tags of a movie, written one after another:
//   SwfTags().Background(0x336699).Label("start").ShowFrame().End().Take()
class SwfTags {
public:
    // Any tag; the long header form is used when the body needs it or when asked.
    SwfTags& Tag(uint16_t code, const Bytes& body, bool longForm = false);
    SwfTags& Background(uint32_t rgb);
    SwfTags& ShowFrame();
    SwfTags& Label(const std::string& name);
    SwfTags& DoAction(const Bytes& actions);
    SwfTags& DoInitAction(uint16_t sprite, const Bytes& actions);
    SwfTags& Sprite(uint16_t id, uint16_t frameCount, const Bytes& tags);
    SwfTags& DefineSound(uint16_t id, uint8_t format, uint32_t sampleCount, const Bytes& data);
    SwfTags& StartSound(uint16_t id, const SwfSoundInfo& info = {});
    SwfTags& SoundStreamHead(uint8_t format, uint16_t samplesPerBlock);
    SwfTags& SoundStreamBlock(const Bytes& data);
    SwfTags& End();
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// A value for an action Push, of any of its types.
struct SwfValue {
    enum Kind : uint8_t { String, Float, Null, Undefined, Register, Boolean, Double, Integer, Constant8, Constant16 };
    Kind kind;
    std::string text;
    double number = 0;

    SwfValue(const char* value) : kind(String), text(value) {}
    SwfValue(std::string value) : kind(String), text(std::move(value)) {}
    SwfValue(double value) : kind(Double), number(value) {}
    SwfValue(int value) : kind(Integer), number(value) {}
    SwfValue(bool value) : kind(Boolean), number(value) {}
    static SwfValue Of(Kind kind, double number = 0);
};

// The action records of a DoAction or a function body, one after another:
//   SwfActions().Push({"x", 1}).Op(0x1D).Take()
class SwfActions {
public:
    // An action without a body (codes below 0x80) or with one.
    SwfActions& Op(uint8_t code);
    SwfActions& Op(uint8_t code, const Bytes& body);
    SwfActions& Push(std::initializer_list<SwfValue> values);
    SwfActions& Constants(std::initializer_list<std::string> pool);
    SwfActions& GetUrl(const std::string& url, const std::string& target);
    SwfActions& GotoFrame(uint16_t frame);
    SwfActions& GotoLabel(const std::string& label);
    SwfActions& SetTarget(const std::string& target);
    SwfActions& WaitForFrame(uint16_t frame, uint8_t skip);
    SwfActions& StoreRegister(uint8_t index);
    // Jump and If by an offset from the end of their own record.
    SwfActions& Jump(int16_t offset);
    SwfActions& If(int16_t offset);
    SwfActions& DefineFunction(const std::string& name, const std::vector<std::string>& parameters,
                               const Bytes& body);
    // Parameters are (register, name) pairs; register 0 keeps a name.
    SwfActions& DefineFunction2(const std::string& name, uint8_t registers, uint16_t flags,
                                const std::vector<std::pair<uint8_t, std::string>>& parameters, const Bytes& body);
    // try { body } catch (name) { handler } finally { last }
    SwfActions& Try(const std::string& name, const Bytes& body, const Bytes& handler, const Bytes& last);
    SwfActions& With(const Bytes& body);
    SwfActions& Append(const Bytes& actions);
    SwfActions& End() { return Op(0); }
    size_t Size() const { return bytes_.size(); }
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

struct SwfMovie {
    int32_t widthTwips = 11000;
    int32_t heightTwips = 8000;
    uint8_t rateFraction = 0x00;  // the 8.8 frame rate's low byte
    uint8_t rateInteger = 0x18;
    uint16_t frameCount = 120;
    uint8_t version = 10;
    // What follows the header; when empty, a white background and one frame.
    Bytes tags;
};

// "FWS", "CWS" (zlib) or "ZWS" (raw LZMA1 with 5 property bytes).
Bytes MakeSwf(const SwfMovie& movie, const char* signature = "FWS");
// A zlib stream of data, as compressed movies and lossless bitmaps hold it.
Bytes Deflate(const Bytes& data);
// A fake executable with Movie stored at its end, as projectors do.
Bytes MakeProjector(const Bytes& movie);

}
