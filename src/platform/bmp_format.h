// The BMP layout shared by every reader and writer of the game's pictures:
// the 54-byte header of a plain 24-bit file (the maps and the screenshot),
// its fields as stored, and whole 24-bit pictures made in memory.
#pragma once

#include <cstdint>
#include <vector>

constexpr int bmpHeaderBytes = 54;  // the 14-byte file header and a 40-byte information header

inline std::uint32_t readLe16(const std::uint8_t* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }
inline std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct BmpHeader {
    std::uint32_t pixelOffset;
    std::uint32_t infoSize;
    std::int32_t width, height;  // height > 0: the bottom row first
    std::uint32_t planes, bitsPerPixel;
    std::uint32_t compression;
};

// The fields of a 54-byte header as they are stored; nothing is checked, as
// the map loader takes them.
inline BmpHeader readBmpHeader(const std::uint8_t* header) {
    return {readLe32(header + 10),
            readLe32(header + 14),
            static_cast<std::int32_t>(readLe32(header + 18)),
            static_cast<std::int32_t>(readLe32(header + 22)),
            readLe16(header + 26),
            readLe16(header + 28),
            readLe32(header + 30)};
}

// Bytes of one stored row of a 24-bit picture: three a pixel, padded to 4.
constexpr std::int64_t bmpRowBytes24(std::int64_t width) { return (3 * width + 3) & ~std::int64_t{3}; }

// The header of a 24-bit bottom-up picture of width x height, 2834 pixels a metre.
inline void writeBmpHeader24(std::uint8_t* header, int width, int height) {
    auto put = [header](int at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    const auto dataBytes = static_cast<std::uint32_t>(bmpRowBytes24(width) * height);
    for (int i = 0; i < bmpHeaderBytes; ++i) header[i] = 0;
    header[0] = 'B', header[1] = 'M';
    put(2, bmpHeaderBytes + dataBytes, 4);
    put(10, bmpHeaderBytes, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, dataBytes, 4);
    put(38, 2834, 4);
    put(42, 2834, 4);
}

// A whole 24-bit picture, as the map loader reads it: `rgb(x, y)` gives the
// colour 0xRRGGBB of column x in row y, row 0 at the top.
template <class ColourAt>
std::vector<std::uint8_t> encodeBmp24(int width, int height, ColourAt rgb) {
    const auto rowBytes = static_cast<std::size_t>(bmpRowBytes24(width));
    std::vector<std::uint8_t> out(bmpHeaderBytes + rowBytes * static_cast<std::size_t>(height), 0);
    writeBmpHeader24(out.data(), width, height);
    std::uint8_t* row = out.data() + bmpHeaderBytes;
    for (int y = height - 1; y >= 0; --y, row += rowBytes)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = rgb(x, y);
            row[3 * x] = c & 0xFF;
            row[3 * x + 1] = c >> 8 & 0xFF;
            row[3 * x + 2] = c >> 16 & 0xFF;
        }
    return out;
}
