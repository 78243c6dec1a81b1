#include "platform/encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

namespace kresbon {

namespace {

constexpr char32_t Undefined = 0xFFFD;

// Code points of the bytes 0x80..0xFF of Windows-1250.
constexpr std::array<char32_t, 128> UpperHalf = {
    0x20AC, Undefined, 0x201A, Undefined, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    Undefined, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,     // 88
    Undefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,     // 90
    Undefined, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,     // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,        // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,        // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,        // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,        // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,        // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,        // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,        // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,        // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,        // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,        // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,        // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,        // F8
};

struct Utf8Bytes {
    std::array<char, 4> bytes{};
    int length = 0;
};

constexpr Utf8Bytes EncodeUtf8(char32_t c) {
    Utf8Bytes out;
    if (c < 0x80) {
        out.bytes[0] = static_cast<char>(c);
        out.length = 1;
    } else if (c < 0x800) {
        out.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
        out.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
        out.length = 2;
    } else {
        // Every code point of the code page lies in the Basic Multilingual Plane.
        out.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
        out.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
        out.length = 3;
    }
    return out;
}

constexpr std::array<Utf8Bytes, 256> MakeUtf8OfByte() {
    std::array<Utf8Bytes, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = EncodeUtf8(b < 0x80 ? static_cast<char32_t>(b) : UpperHalf[b - 0x80]);
    }
    return table;
}

constexpr std::array<Utf8Bytes, 256> Utf8OfByte = MakeUtf8OfByte();

struct CodePointByte {
    char32_t codePoint;
    unsigned char byte;
};

constexpr int DefinedUpperCount = static_cast<int>(
    128 - std::count(UpperHalf.begin(), UpperHalf.end(), Undefined));

// The upper half reversed and sorted by code point, for a binary search.
constexpr std::array<CodePointByte, DefinedUpperCount> MakeByteOfCodePoint() {
    std::array<CodePointByte, DefinedUpperCount> table{};
    int n = 0;
    for (int i = 0; i < 128; ++i) {
        if (UpperHalf[i] != Undefined) {
            table[n++] = {UpperHalf[i], static_cast<unsigned char>(0x80 + i)};
        }
    }
    std::sort(table.begin(), table.end(),
              [](const CodePointByte& a, const CodePointByte& b) { return a.codePoint < b.codePoint; });
    return table;
}

constexpr std::array<CodePointByte, DefinedUpperCount> ByteOfCodePoint = MakeByteOfCodePoint();

std::optional<unsigned char> Cp1250Byte(char32_t c) {
    if (c < 0x80) return static_cast<unsigned char>(c);
    auto it = std::lower_bound(
        ByteOfCodePoint.begin(), ByteOfCodePoint.end(), c,
        [](const CodePointByte& entry, char32_t value) { return entry.codePoint < value; });
    if (it != ByteOfCodePoint.end() && it->codePoint == c) return it->byte;
    return std::nullopt;
}

struct Decoded {
    std::optional<char32_t> codePoint;  // empty when the sequence is malformed
    std::size_t length;                 // bytes consumed, at least 1
};

bool IsContinuation(unsigned char b, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return b >= low && b <= high;
}

// Decodes one character at the start of a non-empty text. A malformed
// sequence consumes its longest well-formed prefix (at least one byte), so
// that each broken piece stands for one replacement character.
Decoded DecodeOne(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) return {lead, 1};

    int continuations = 0;
    char32_t value = 0;
    // The second byte's range excludes overlong forms, surrogates and code
    // points above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {std::nullopt, 1};
    }

    std::size_t i = 1;
    for (; i <= static_cast<std::size_t>(continuations); ++i) {
        if (i >= s.size()) return {std::nullopt, i};
        const auto b = static_cast<unsigned char>(s[i]);
        if (!IsContinuation(b, low, high)) return {std::nullopt, i};
        value = (value << 6) | (b & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {value, i};
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const Decoded d = DecodeOne(bytes);
        if (!d.codePoint) return false;
        bytes.remove_prefix(d.length);
    }
    return true;
}

bool HasNonAscii(std::string_view bytes) {
    // Eight bytes at a time: any high bit set.
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ULL) return true;
    }
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return true;
    return false;
}

char32_t Cp1250ToUnicode(unsigned char c) {
    return c < 0x80 ? static_cast<char32_t>(c) : UpperHalf[c - 0x80];
}

std::string Cp1250ToUtf8(std::string_view cp1250) {
    std::string out;
    out.reserve(cp1250.size() + cp1250.size() / 4);
    for (char c : cp1250) {
        const Utf8Bytes& u = Utf8OfByte[static_cast<unsigned char>(c)];
        out.append(u.bytes.data(), static_cast<std::size_t>(u.length));
    }
    return out;
}

std::string Utf8ToCp1250(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto lead = static_cast<unsigned char>(utf8[0]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            utf8.remove_prefix(1);
            continue;
        }
        const Decoded d = DecodeOne(utf8);
        const std::optional<unsigned char> b = d.codePoint ? Cp1250Byte(*d.codePoint) : std::nullopt;
        out.push_back(b ? static_cast<char>(*b) : '?');
        utf8.remove_prefix(d.length);
    }
    return out;
}

}  // namespace kresbon
