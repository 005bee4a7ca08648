// Reading BMP pictures into images and writing the screen as a BMP.
//
// The reader trusts nothing in the file: every size is checked before use,
// offsets are computed in 64 bits, pixel rows are read one at a time into a
// fixed buffer sized for the target image (never for the file's claimed
// size), and the rest of a long row is skipped by seeking. Choices for files
// the game's own pictures never are:
// - palette indices past the palette's entries give opaque black;
// - run-length compression (1, 2), depths 0, 2, 3, 5, 6, 7 and above 32, a
//   pixel data offset of 0, and 1-bit files with a 64-byte header and
//   compression 3 (OS/2 Huffman coding, not bit fields) are refused with
//   status 3;
// - 52- and 56-byte headers carry their red, green and blue masks inside the
//   header, at the very bytes that follow a 40-byte header, so those are read
//   from there.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <string>

#include "platform/bmp_format.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

constexpr int maxImageWidth = 4096;           // createImage never makes wider images
constexpr int rowBufferBytes = maxImageWidth * 4;

std::int32_t s32(const std::uint8_t* p) { return static_cast<std::int32_t>(readLe32(p)); }

// Where a channel sits in a pixel and how to widen it to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Channel channelOf(std::uint32_t mask) {
    Channel c;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.mask = mask >> c.shift;
    c.bits = 32 - std::countl_zero(c.mask);
    return c;
}

// The channel's value widened to 8 bits: narrower values by repeating their
// bits from the top down, wider ones by keeping their top 8 bits.
std::uint32_t widen(std::uint32_t pixel, const Channel& c) {
    if (c.bits == 0) return 0;
    std::uint32_t v = (pixel >> c.shift) & c.mask;
    if (c.bits >= 8) return (v >> (c.bits - 8)) & 0xFF;
    std::uint32_t out = 0;
    for (int at = 8 - c.bits;; at -= c.bits) {
        if (at >= 0) {
            out |= v << at;
        } else {
            out |= v >> -at;
            break;
        }
        if (at == 0) break;
    }
    return out & 0xFF;
}

struct Header {
    std::int64_t width = 0, height = 0;  // height < 0: top row first
    int planes = 0, bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 0, pixelOffset = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

bool readExactly(GameFile& file, int count, void* destination) {
    return readBytesCounted(file, count, destination) == count;
}

// Steps up to the pixel rows: headers, validation, palette, masks. Leaves
// the image untouched; false means status 3.
bool readHeaders(GameFile& file, Header& h, std::uint32_t palette[256]) {
    std::uint8_t fileHeader[14];
    if (!readExactly(file, 14, fileHeader)) return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
    h.pixelOffset = readLe32(fileHeader + 10);

    std::uint8_t info[124] = {};
    if (!readExactly(file, 4, info)) return false;
    h.headerSize = readLe32(info);
    bool os2 = h.headerSize == 12;
    if (os2) {
        if (!readExactly(file, 8, info + 4)) return false;
        h.width = readLe16(info + 4);
        h.height = readLe16(info + 6);
        h.planes = static_cast<int>(readLe16(info + 8));
        h.bitsPerPixel = static_cast<int>(readLe16(info + 10));
    } else {
        if (h.headerSize < 16) return false;
        int known = static_cast<int>(std::min<std::uint32_t>(h.headerSize, 124));
        if (!readExactly(file, known - 4, info + 4)) return false;
        h.width = s32(info + 4);
        h.height = s32(info + 8);
        h.planes = static_cast<int>(readLe16(info + 12));
        h.bitsPerPixel = static_cast<int>(readLe16(info + 14));
        if (h.headerSize >= 20) h.compression = readLe32(info + 16);
        if (h.headerSize == 52 || h.headerSize == 56 || h.headerSize >= 108)
            for (int i = 0; i < 3; ++i) h.masks[i] = readLe32(info + 40 + 4 * i);
        if (h.headerSize >= 108) h.masks[3] = readLe32(info + 52);
    }

    if (h.planes > 1 || h.width < 1 || h.height == 0 || h.compression > 3) return false;
    if (h.height < 0 && h.compression != 0 && h.compression != 3) return false;
    if (h.compression == 1 || h.compression == 2) return false;  // run-length: not decoded
    int bpp = h.bitsPerPixel;
    bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
    if (!paletted && (bpp < 9 || bpp > 32)) return false;
    if (bpp == 1 && h.compression == 3 && h.headerSize == 64) return false;  // Huffman
    if (h.pixelOffset == 0) return false;
    std::int64_t headersEnd = 14 + static_cast<std::int64_t>(h.headerSize);

    if (paletted) {
        int entrySize = os2 ? 3 : 4;
        // No entries when the pixel rows start inside the header.
        std::int64_t count = (h.pixelOffset - headersEnd) / entrySize;
        count = std::clamp<std::int64_t>(count, 0, 1 << bpp);
        std::uint8_t entries[256 * 4];
        if (count > 0 && (!seekFile(file, headersEnd) ||
                          !readExactly(file, static_cast<int>(count) * entrySize, entries)))
            return false;
        for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u;  // indices past the palette
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* e = entries + i * entrySize;
            palette[i] = 0xFF000000u | std::uint32_t(e[2]) << 16 | std::uint32_t(e[1]) << 8 | e[0];
        }
    } else if (h.compression == 3) {
        if (h.headerSize != 52 && h.headerSize != 56 && h.headerSize < 108) {
            std::uint8_t m[12];
            if (!seekFile(file, headersEnd) || !readExactly(file, 12, m)) return false;
            for (int i = 0; i < 3; ++i) h.masks[i] = readLe32(m + 4 * i);
        }
        if (h.headerSize < 108) h.masks[3] = 0;
    } else if (bpp <= 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F, h.masks[3] = 0;
    } else {
        h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF, h.masks[3] = 0;
    }
    return true;
}

// The first `columns` pixels of one file row, converted into `out`.
void convertRow(const Header& h, const std::uint8_t* row, int columns, const std::uint32_t* palette,
                const Channel* channels, std::uint32_t* out) {
    int bpp = h.bitsPerPixel;
    if (bpp == 8) {
        for (int i = 0; i < columns; ++i) out[i] = palette[row[i]];
    } else if (bpp == 4) {
        for (int i = 0; i < columns; ++i) out[i] = palette[(row[i / 2] >> (i % 2 ? 0 : 4)) & 0x0F];
    } else if (bpp == 1) {
        for (int i = 0; i < columns; ++i) out[i] = palette[(row[i / 8] >> (7 - i % 8)) & 1];
    } else {
        int unit = bpp <= 16 ? 2 : bpp <= 24 ? 3 : 4;
        for (int i = 0; i < columns; ++i) {
            const std::uint8_t* p = row + i * unit;
            std::uint32_t v = p[0] | p[1] << 8;
            if (unit >= 3) v |= std::uint32_t(p[2]) << 16;
            if (unit == 4) v |= std::uint32_t(p[3]) << 24;
            std::uint32_t alpha = channels[3].bits ? widen(v, channels[3]) : 0xFF;
            out[i] = alpha << 24 | widen(v, channels[0]) << 16 | widen(v, channels[1]) << 8 |
                     widen(v, channels[2]);
        }
    }
}

int readPicture(GameFile& file, Image* image) {
    Header h;
    std::uint32_t palette[256];
    if (!image || image->bytesPerPixel != 4 || image->width < 1 || image->height < 1) return statusBadFile;
    if (!readHeaders(file, h, palette)) return statusBadFile;

    Channel channels[4];
    for (int i = 0; i < 4; ++i) channels[i] = channelOf(h.masks[i]);
    int bpp = h.bitsPerPixel;
    int unit = bpp <= 8 ? 0 : bpp <= 16 ? 2 : bpp <= 24 ? 3 : 4;
    std::int64_t rowBytes = ((h.width * bpp + 7) / 8 + 3) / 4 * 4;
    std::int64_t fileRows = h.height < 0 ? -h.height : h.height;
    if (fileRows > (std::int64_t(1) << 62) / rowBytes) return statusBadFile;  // no such file exists
    int columns = static_cast<int>(std::min<std::int64_t>({h.width, image->width, maxImageWidth}));
    int rows = static_cast<int>(std::min<std::int64_t>(fileRows, image->height));
    std::int64_t wanted = unit ? std::int64_t(columns) * unit : (std::int64_t(columns) * bpp + 7) / 8;
    int readCount = static_cast<int>(std::min(wanted, rowBytes));

    alignas(16) std::uint8_t row[rowBufferBytes];
    std::memset(row + readCount, 0, static_cast<std::size_t>(wanted - readCount));
    // File order, so a file cut short keeps the rows that come before the cut
    // (the bottom ones of a bottom-up file). Rows past the image are skipped.
    std::int64_t first = h.height < 0 ? 0 : fileRows - rows;
    std::int64_t position = -1;
    for (std::int64_t fileRow = first; fileRow < first + rows; ++fileRow) {
        std::int64_t offset = h.pixelOffset + fileRow * rowBytes;
        if (offset != position && !seekFile(file, offset)) return statusBadFile;
        if (!readExactly(file, readCount, row)) return statusBadFile;
        position = offset + readCount;
        int r = static_cast<int>(h.height < 0 ? fileRow : fileRows - 1 - fileRow);
        convertRow(h, row, columns, palette, channels, imageRow(image, r));
    }
    // Rows beyond the image are dropped unread, but a file too short to hold
    // them is still a broken file.
    std::int64_t size = fileSize(file);
    std::int64_t room = size - h.pixelOffset;
    if (room < 0 || fileRows > room / rowBytes) return statusBadFile;
    return statusOk;
}

// Writes the 24-bit file into an open stream; false when a write fails.
bool writeScreen(std::FILE* out) {
    constexpr int rowBytes = static_cast<int>(bmpRowBytes24(screenWidth));
    std::uint8_t header[bmpHeaderBytes];
    writeBmpHeader24(header, screenWidth, screenHeight);
    if (std::fwrite(header, 1, sizeof header, out) != sizeof header) return false;
    std::uint8_t row[rowBytes];
    const std::uint32_t* pixels = framePixels();
    for (int y = screenHeight - 1; y >= 0; --y) {
        const std::uint32_t* line = pixels + y * screenWidth;
        for (int x = 0; x < screenWidth; ++x) {
            row[3 * x] = line[x] & 0xFF;
            row[3 * x + 1] = line[x] >> 8 & 0xFF;
            row[3 * x + 2] = line[x] >> 16 & 0xFF;
        }
        if (std::fwrite(row, 1, rowBytes, out) != rowBytes) return false;
    }
    return true;
}

}  // namespace

int loadPicture(const char* fileName, Image* image) {
    GameFile file;
    if (!fileName || openBinaryFile(file, fileName) != 0) return statusOpenFailed;
    int status = readPicture(file, image);
    closeFile(file);
    return status;
}

// The name is taken relative to the working folder (backslashes become '/').
// The picture goes to a temporary file beside the target that is then renamed
// over it, so an interrupted write never leaves a cut-short screenshot.
int saveScreen(const char* fileName) {
    if (!fileName || !*fileName) return statusOpenFailed;
    std::string target(fileName);
    std::replace(target.begin(), target.end(), '\\', '/');
    std::string temporary = target + ".part";
    std::FILE* out = openHostFile(temporary, "wb");
    if (!out) return statusOpenFailed;
    bool written = writeScreen(out);
    if (std::fclose(out) != 0) written = false;
    // std::filesystem's rename replaces an existing file on Windows too,
    // where the C library's refuses to.
    std::error_code ec;
    if (written) std::filesystem::rename(pathOfUtf8(temporary), pathOfUtf8(target), ec);
    if (!written || ec) {
        std::filesystem::remove(pathOfUtf8(temporary), ec);
        return statusOpenFailed;
    }
    return statusOk;
}
