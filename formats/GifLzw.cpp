#include "GifLzw.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace {

constexpr int MaxCodeBits = 12;
constexpr int TableSize = 1 << MaxCodeBits;
// The encoder clears its table at this code, not at 4096.
constexpr int LastEncoderCode = 4094;
constexpr int HashSlots = 17777;
constexpr int BlockBytes = 255;

// Reports the end of a coding pass whichever way it leaves.
class ProgressScope {
public:
    explicit ProgressScope(const TGifProgress& progress) : progress_(progress)
    {
        if (progress_) progress_(gpsStarting, 0, {});
    }
    ~ProgressScope()
    {
        if (progress_ && !done_) progress_(gpsEnding, 0, failure_);
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    void Report(int percent)
    {
        if (progress_ && percent != last_) progress_(gpsRunning, last_ = percent, {});
    }
    void Fail(const std::string& message) { failure_ = message; }
    void Done()
    {
        done_ = true;
        if (progress_) progress_(gpsEnding, 100, {});
    }

private:
    const TGifProgress& progress_;
    int last_ = -1;
    bool done_ = false;
    std::string failure_;
};

// Where pixel (x, row) of the image sits in a bottom-up DIB.
class PixelPlace {
public:
    PixelPlace(const TGifBitmapInfo& info) : info_(info), stride_(GifRowStride(info)) {}
    size_t Offset(int32_t row, int32_t x) const
    {
        const size_t line = static_cast<size_t>(info_.Height - 1 - row) * static_cast<size_t>(stride_);
        return line + static_cast<size_t>(x) * static_cast<size_t>(info_.BitsPerPixel) / 8;
    }
    int Shift(int32_t x) const
    {
        switch (info_.BitsPerPixel) {
        case 1: return 7 - (x & 7);
        case 4: return (x & 1) ? 0 : 4;
        default: return 0;
        }
    }
    int Mask() const { return (1 << info_.BitsPerPixel) - 1; }

private:
    TGifBitmapInfo info_;
    int64_t stride_;
};

// Codes packed least-significant bit first into data sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Write(int code, int size)
    {
        accumulator_ |= static_cast<uint32_t>(code) << bits_;
        bits_ += size;
        while (bits_ >= 8) {
            block_[count_++] = static_cast<uint8_t>(accumulator_);
            accumulator_ >>= 8;
            bits_ -= 8;
            if (count_ == BlockBytes) FlushBlock();
        }
    }
    void Finish()
    {
        if (bits_ > 0) Write(0, 8 - bits_);
        if (count_ > 0) FlushBlock();
        out_.push_back(0);
    }

private:
    void FlushBlock()
    {
        out_.push_back(static_cast<uint8_t>(count_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + count_);
        count_ = 0;
    }
    std::vector<uint8_t>& out_;
    std::array<uint8_t, BlockBytes> block_{};
    int count_ = 0;
    uint32_t accumulator_ = 0;
    int bits_ = 0;
};

// Codes read out of data sub-blocks; Read fails when the data end first.
class CodeReader {
public:
    CodeReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Read(int size, int& code)
    {
        while (bits_ < size) {
            if (left_ == 0) {
                if (pos_ >= size_ || data_[pos_] == 0) return false;
                left_ = data_[pos_++];
            }
            if (pos_ >= size_) return false;
            accumulator_ |= static_cast<uint32_t>(data_[pos_++]) << bits_;
            bits_ += 8;
            --left_;
        }
        code = static_cast<int>(accumulator_ & ((1u << size) - 1));
        accumulator_ >>= size;
        bits_ -= size;
        return true;
    }
    size_t Position() const { return pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t left_ = 0;
    uint32_t accumulator_ = 0;
    int bits_ = 0;
};

struct PoolEntry {
    uint16_t Prefix;
    uint16_t Code;
    uint8_t Suffix;
};

class Encoder {
public:
    Encoder(std::vector<uint8_t>& out, const TGifBitmapInfo& info, const uint8_t* bits)
        : info_(info), place_(info), bits_(bits), writer_(out), slots_(HashSlots)
    {
        initialSize_ = info.BitsPerPixel == 1 ? 3 : info.BitsPerPixel + 1;
        clear_ = 1 << (initialSize_ - 1);
        out.push_back(static_cast<uint8_t>(initialSize_ - 1));
        Reset();
    }

    void Run(bool interlaced, ProgressScope& progress)
    {
        writer_.Write(clear_, size_);
        int pass = 0;
        int32_t row = 0;
        for (int32_t done = 1; row < info_.Height; ++done) {
            for (int32_t x = 0; x < info_.Width; ++x) Add(Pixel(row, x));
            progress.Report(static_cast<int>(static_cast<int64_t>(done) * 100 / info_.Height));
            row = interlaced ? GIFInterlaceStep(row, info_.Height, pass) : row + 1;
        }
        // A clear just written leaves no string pending.
        if (length_ > 0) writer_.Write(prefix_, size_);
        writer_.Write(clear_ + 1, size_);
        writer_.Finish();
    }

private:
    int Pixel(int32_t row, int32_t x) const { return (bits_[place_.Offset(row, x)] >> place_.Shift(x)) & place_.Mask(); }
    void Reset()
    {
        last_ = clear_ + 1;
        size_ = initialSize_;
        limit_ = 1 << initialSize_;
        std::fill(slots_.begin(), slots_.end(), -1);
    }
    void Start(int p)
    {
        prefix_ = p;
        hash_ = (p + 3) * 301 % HashSlots;
        length_ = 1;
    }
    void Add(int p)
    {
        if (++length_ == 1) {
            Start(p);
            return;
        }
        hash_ = static_cast<int>((static_cast<int64_t>(p) + length_ + 4) * hash_ % HashSlots);
        while (slots_[hash_] >= 0) {
            const PoolEntry& entry = pool_[slots_[hash_]];
            if (entry.Prefix == prefix_ && entry.Suffix == p) {
                prefix_ = entry.Code;
                return;
            }
            hash_ = (hash_ + 1) % HashSlots;
        }
        writer_.Write(prefix_, size_);
        const int k = ++last_;
        pool_[k] = {static_cast<uint16_t>(prefix_), static_cast<uint16_t>(k), static_cast<uint8_t>(p)};
        slots_[hash_] = k;
        Start(p);
        if (k >= limit_) {
            limit_ *= 2;
            ++size_;
        } else if (k >= LastEncoderCode) {
            writer_.Write(p, size_);
            writer_.Write(clear_, size_);
            length_ = 0;
            Reset();
        }
    }

    TGifBitmapInfo info_;
    PixelPlace place_;
    const uint8_t* bits_;
    CodeWriter writer_;
    int initialSize_ = 0, clear_ = 0, last_ = 0, size_ = 0, limit_ = 0;
    int prefix_ = 0, hash_ = 0, length_ = 0;
    std::array<PoolEntry, TableSize> pool_{};
    std::vector<int> slots_;
};

// Pixels put one after another into the rows of the image, in row or
// interlace order; those after the last row are dropped.
class PixelSink {
public:
    PixelSink(const TGifBitmapInfo& info, bool interlaced, uint8_t* bits)
        : info_(info), place_(info), interlaced_(interlaced), bits_(bits)
    {
    }
    bool Full() const { return row_ >= info_.Height; }
    void Put(int p)
    {
        if (Full()) return;
        uint8_t& byte = bits_[place_.Offset(row_, x_)];
        const int shift = place_.Shift(x_);
        if (shift == 8 - info_.BitsPerPixel) byte = 0;
        byte = static_cast<uint8_t>(byte | ((p & place_.Mask()) << shift));
        if (++x_ == info_.Width) {
            x_ = 0;
            row_ = interlaced_ ? GIFInterlaceStep(row_, info_.Height, pass_) : row_ + 1;
        }
    }

private:
    TGifBitmapInfo info_;
    PixelPlace place_;
    bool interlaced_;
    uint8_t* bits_;
    int32_t row_ = 0, x_ = 0;
    int pass_ = 0;
};

class Decoder {
public:
    Decoder(int minimumSize, int pixelMask) : minimum_(minimumSize), clear_(1 << minimumSize), pixelMask_(pixelMask)
    {
        Reset();
    }

    // Answers False at damage: data that end early or a code that names no string.
    bool Run(CodeReader& reader, PixelSink& sink, bool stopAfterFirst, ProgressScope& progress, size_t total)
    {
        while (!sink.Full()) {
            int code = 0;
            if (!reader.Read(size_, code)) return false;
            if (code == clear_) {
                Reset();
                continue;
            }
            if (code == clear_ + 1) return true;
            if (!Output(code, sink)) return false;
            if (stopAfterFirst) return true;
            if (total > 0) progress.Report(static_cast<int>(reader.Position() * 100 / total));
        }
        return true;
    }

private:
    void Reset()
    {
        size_ = minimum_ + 1;
        next_ = clear_ + 2;
        limit_ = 1 << size_;
        full_ = false;
        old_ = -1;
    }
    bool Output(int code, PixelSink& sink)
    {
        int c = code;
        int depth = 0;
        if (old_ < 0) {
            if (c >= clear_) return false;
        } else if (c > next_) {
            return false;
        } else if (c == next_) {
            stack_[depth++] = static_cast<uint16_t>(first_);
            c = old_;
        }
        // Every entry's prefix is an older code, so the walk ends at a literal.
        while (c >= clear_ + 2) {
            stack_[depth++] = suffix_[c];
            c = prefix_[c];
        }
        first_ = c & pixelMask_;
        stack_[depth++] = static_cast<uint16_t>(first_);
        while (depth > 0) sink.Put(stack_[--depth]);
        if (old_ >= 0 && !full_) {
            prefix_[next_] = static_cast<uint16_t>(old_);
            suffix_[next_] = static_cast<uint16_t>(first_);
            if (++next_ == limit_) {
                if (size_ == MaxCodeBits) {
                    full_ = true;
                } else {
                    ++size_;
                    limit_ <<= 1;
                }
            }
        }
        old_ = code;
        return true;
    }

    int minimum_, clear_, pixelMask_;
    int size_ = 0, next_ = 0, limit_ = 0, old_ = -1, first_ = 0;
    bool full_ = false;
    std::array<uint16_t, TableSize> prefix_{};
    std::array<uint16_t, TableSize> suffix_{};
    std::array<uint16_t, TableSize + 1> stack_{};
};

const char* const CodeSizeError = "GIF code size not in range 2 to 9";
const char* const CorruptError = "GIF encoded data is corrupt";

}  // namespace

int64_t GifRowStride(const TGifBitmapInfo& info)
{
    return (static_cast<int64_t>(info.Width) * info.BitsPerPixel + 31) / 32 * 4;
}

int64_t GifImageSize(const TGifBitmapInfo& info)
{
    if (info.Width <= 0 || info.Height <= 0) return -1;
    const int64_t size = GifRowStride(info) * info.Height;
    return size <= std::numeric_limits<int32_t>::max() ? size : -1;
}

int32_t GIFInterlaceStep(int32_t row, int32_t height, int& pass)
{
    static constexpr int32_t Step[4] = {8, 8, 4, 2};
    static constexpr int32_t Start[4] = {0, 4, 2, 1};
    row += Step[pass];
    while (row >= height && pass < 3) row = Start[++pass];
    return row;
}

void EncodeGIFImage(std::vector<uint8_t>& out, const TGifBitmapInfo& info, bool interlaced, const TGifProgress& progress,
                    const uint8_t* bits)
{
    ProgressScope scope(progress);
    auto encoder = std::make_unique<Encoder>(out, info, bits);
    encoder->Run(interlaced, scope);
    scope.Done();
}

void DecodeGIFImage(const uint8_t* data, size_t size, const TGifBitmapInfo& info, bool interlaced,
                    const TGifProgress& progress, bool& corrupted, uint8_t* bits, int frameBitsPerPixel, bool tolerant)
{
    ProgressScope scope(progress);
    try {
        int minimum = size > 0 ? data[0] : 0;
        const bool badSize = minimum < 2 || minimum > 9;
        if (badSize) {
            if (!tolerant) throw EGifFormatError(CodeSizeError);
            corrupted = true;
            minimum = minimum < 2 ? 2 : 9;
        }
        const int pixelMask = (1 << (frameBitsPerPixel < 1 ? 1 : frameBitsPerPixel > 8 ? 8 : frameBitsPerPixel)) - 1;
        auto decoder = std::make_unique<Decoder>(minimum, pixelMask);
        CodeReader reader(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0);
        PixelSink sink(info, interlaced, bits);
        if (!decoder->Run(reader, sink, badSize, scope, size)) {
            if (!tolerant) throw EGifFormatError(CorruptError);
            corrupted = true;
        }
    } catch (const std::exception& e) {
        scope.Fail(e.what());
        throw;
    }
    scope.Done();
}
