#include "codecs/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <charconv>
#include <span>
#include <vector>

#include "codecs/atomic_file.h"
#include "codecs/colour_lookup.h"
#include "platform/palette.h"

namespace kresbon {
namespace {

constexpr int kLargestSide = LargestGifSide;

std::string decimal(int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void checkSize(const Surface& surface, const std::string& path)
{
    const int width = surface.width();
    const int height = surface.height();
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
        ThrowFileWriteError(path, "a GIF file holds 1 to 65535 pixels a side, the drawing has " + decimal(width) +
                                      " x " + decimal(height));
    }
}

// Bits of a colour table that holds count entries (1 to 8).
int tableBits(std::size_t count)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < count) ++bits;
    return bits;
}

// GIF's variable-length LZW: codes go out least significant bit first, in
// data sub-blocks of up to 255 bytes. The string table is a hash of
// (prefix code, next index) pairs; when it fills, a clear code starts over.
class LzwEncoder {
public:
    LzwEncoder(AtomicFile& file, int minimumCodeSize)
        : file_(file), minimumCodeSize_(minimumCodeSize), clearCode_(1 << minimumCodeSize),
          table_(kTableSize), repeats_(static_cast<std::size_t>(clearCode_))
    {
        const std::uint8_t size = static_cast<std::uint8_t>(minimumCodeSize);
        file_.write(&size, 1);
        restart();
    }

    void put(const std::uint8_t* indices, std::size_t count)
    {
        std::size_t i = 0;
        if (prefix_ < 0 && count > 0) prefix_ = indices[i++];
        for (; i < count; ++i) {
            const int index = indices[i];
            // Inside a run of one index the strings are that index repeated,
            // whose codes are known without searching the table.
            if (prefix_ == index) {
                const std::vector<std::uint16_t>& repeats = repeats_[static_cast<std::size_t>(index)];
                const std::size_t limit = std::min(count, i + repeats.size() - 1);
                std::size_t end = i;
                while (end < limit && indices[end] == index) ++end;
                if (end > i) {
                    prefix_ = repeats[end - i];
                    i = end - 1;
                    continue;
                }
            }
            const std::uint32_t key = static_cast<std::uint32_t>(prefix_) << 8 | indices[i];
            std::uint32_t slot = (key * 2654435761u) >> (32 - kTableBits);
            for (;;) {
                const std::uint32_t entry = table_[slot];
                if (entry == kEmpty) break;
                if (entry >> 12 == key) break;
                slot = (slot + 1) & (kTableSize - 1);
            }
            const std::uint32_t entry = table_[slot];
            if (entry != kEmpty) {
                prefix_ = static_cast<int>(entry & 0xFFF);
                continue;
            }
            emit(prefix_);
            // The last code is never taken, so that no decoder meets a
            // full table before the clear code.
            if (nextCode_ == kLastCode) {
                emit(clearCode_);
                restart();
            } else {
                table_[slot] = key << 12 | static_cast<std::uint32_t>(nextCode_);
                std::vector<std::uint16_t>& repeats = repeats_[static_cast<std::size_t>(index)];
                if (prefix_ == repeats.back()) repeats.push_back(static_cast<std::uint16_t>(nextCode_));
                if (nextCode_ == 1 << codeSize_) ++codeSize_;
                ++nextCode_;
            }
            prefix_ = indices[i];
        }
    }

    void finish()
    {
        if (prefix_ >= 0) emit(prefix_);
        emit(clearCode_ + 1);
        while (bitCount_ > 0) {
            pushByte(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
        }
        flushBlock();
        const std::uint8_t end = 0;
        file_.write(&end, 1);
    }

private:
    static constexpr int kTableBits = 13;
    static constexpr std::uint32_t kTableSize = 1u << kTableBits;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr int kLastCode = 4095;

    void restart()
    {
        std::fill(table_.begin(), table_.end(), kEmpty);
        for (std::size_t index = 0; index < repeats_.size(); ++index) {
            repeats_[index].assign(1, static_cast<std::uint16_t>(index));
        }
        codeSize_ = minimumCodeSize_ + 1;
        nextCode_ = clearCode_ + 2;
        if (!started_) {
            emit(clearCode_);
            started_ = true;
        }
    }

    void emit(int code)
    {
        bits_ |= static_cast<std::uint64_t>(code) << bitCount_;
        bitCount_ += codeSize_;
        while (bitCount_ >= 8) {
            pushByte(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }

    void pushByte(std::uint8_t byte)
    {
        block_[++blockSize_] = byte;
        if (blockSize_ == 255) flushBlock();
    }

    void flushBlock()
    {
        if (blockSize_ == 0) return;
        block_[0] = static_cast<std::uint8_t>(blockSize_);
        file_.write(block_.data(), static_cast<std::size_t>(blockSize_) + 1);
        blockSize_ = 0;
    }

    AtomicFile& file_;
    const int minimumCodeSize_;
    const int clearCode_;
    std::vector<std::uint32_t> table_;
    // Codes of the strings made of one index repeated 1, 2, 3, ... times.
    std::vector<std::vector<std::uint16_t>> repeats_;
    int codeSize_ = 0;
    int nextCode_ = 0;
    int prefix_ = -1;
    bool started_ = false;
    std::uint64_t bits_ = 0;
    int bitCount_ = 0;
    std::array<std::uint8_t, 256> block_{};
    int blockSize_ = 0;
};

void putLittle16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Signature, screen descriptor with the palette as the global colour
// table (padded to a power of two) and the descriptor of one image that
// covers the screen.
std::vector<std::uint8_t> headerBytes(const Surface& surface, std::span<const Rgb> palette, int bits)
{
    std::vector<std::uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
    putLittle16(out, surface.width());
    putLittle16(out, surface.height());
    out.push_back(static_cast<std::uint8_t>(0x80 | (7 << 4) | (bits - 1)));
    out.push_back(0);
    out.push_back(0);
    for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) {
        const Rgb c = i < palette.size() ? palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(redOf(c)));
        out.push_back(static_cast<std::uint8_t>(greenOf(c)));
        out.push_back(static_cast<std::uint8_t>(blueOf(c)));
    }
    out.push_back(0x2C);
    putLittle16(out, 0);
    putLittle16(out, 0);
    putLittle16(out, surface.width());
    putLittle16(out, surface.height());
    out.push_back(0);
    return out;
}

void putPixels(LzwEncoder& encoder, const Surface& surface, const ColourLookup& lookup)
{
    const int width = surface.width();
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
    std::vector<Rgb> colours(static_cast<std::size_t>(width));
    // Drawings are mostly long runs of one colour; photographs repeat
    // colours often enough for a small cache of recent ones.
    struct Recent {
        Rgb colour = 0xFFFFFFFFu;
        std::uint8_t index = 0;
    };
    std::vector<Recent> recent(4096);
    Rgb last = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < surface.height(); ++y) {
        surface.readRow(y, colours);
        const Rgb* pixel = colours.data();
        for (int x = 0; x < width; ++x, ++pixel) {
            if (*pixel != last) {
                last = *pixel;
                Recent& slot = recent[(last * 0x9E3779B1u) >> 20];
                if (slot.colour != last) slot = Recent{last, lookup(last)};
                lastIndex = slot.index;
            }
            line[static_cast<std::size_t>(x)] = lastIndex;
        }
        encoder.put(line.data(), line.size());
    }
}

}  // namespace

void WriteGifFile(const Surface& surface, const std::string& path)
{
    checkSize(surface, path);

    const bool ownPalette = !surface.palette().empty();
    const std::span<const Rgb> palette =
        ownPalette ? std::span<const Rgb>(surface.palette()) : std::span<const Rgb>(halftonePalette());
    const ColourLookup& lookup = ColourLookupFor(palette);
    const int bits = tableBits(palette.size());

    AtomicFile file(path);
    const std::vector<std::uint8_t> header = headerBytes(surface, palette, bits);
    file.write(header.data(), header.size());
    LzwEncoder encoder(file, std::max(bits, 2));
    putPixels(encoder, surface, lookup);
    encoder.finish();
    const std::uint8_t trailer = 0x3B;
    file.write(&trailer, 1);
    file.commit();
}

}  // namespace kresbon
