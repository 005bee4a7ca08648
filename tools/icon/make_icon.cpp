// brastor-icon IN.bmp OUT.png SIZE: turns one of the game's own 24-bit pictures
// into a square PNG icon for the desktop entry; OUT.ico gives a Windows icon
// file holding that PNG (Windows takes PNG images inside icons). Magenta becomes transparent;
// the picture is scaled by the largest whole factor that fits and centred.
// Standard library only: the PNG is written with uncompressed deflate blocks.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBig32(out, crc32(body.data(), body.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: brastor-icon IN.bmp OUT.png SIZE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int size = std::stoi(argv[3]);
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' || (bmp[28] | bmp[29] << 8) != 24 || size < 1 ||
        size > 1024) {
        std::fprintf(stderr, "brastor-icon: %s is not a 24-bit BMP\n", argv[1]);
        return 1;
    }
    const int width = static_cast<int>(read32(bmp, 18));
    const int height = static_cast<int>(read32(bmp, 22));
    const std::uint32_t offset = read32(bmp, 10);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (width < 1 || height < 1 || width > 1024 || height > 1024 || offset + rowBytes * height > bmp.size()) {
        std::fprintf(stderr, "brastor-icon: %s has an unusable size\n", argv[1]);
        return 1;
    }
    const int scale = std::max(1, std::min(size / width, size / height));
    const int left = (size - width * scale) / 2;
    const int top = (size - height * scale) / 2;

    std::vector<std::uint8_t> raw;  // filter byte + RGBA per row
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        for (int x = 0; x < size; ++x) {
            const int sx = (x - left) / scale, sy = (y - top) / scale;
            std::array<std::uint8_t, 4> rgba{0, 0, 0, 0};
            if (x >= left && y >= top && sx < width && sy < height) {
                const std::uint8_t* p = &bmp[offset + rowBytes * (height - 1 - sy) + 3 * sx];
                if (!(p[2] == 255 && p[1] == 0 && p[0] == 255)) rgba = {p[2], p[1], p[0], 255};
            }
            raw.insert(raw.end(), rgba.begin(), rgba.end());
        }
    }
    // zlib stream of stored deflate blocks (at most 65535 bytes each).
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(z, b << 16 | a);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBig32(header, static_cast<std::uint32_t>(size));
    putBig32(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    const std::string out = argv[2];
    if (out.size() > 4 && out.compare(out.size() - 4, 4, ".ico") == 0) {
        // Icon directory of one entry (a size byte of 0 stands for 256), then the PNG.
        auto le = [](std::vector<std::uint8_t>& v, std::uint32_t x, int bytes) {
            for (int i = 0; i < bytes; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
        };
        std::vector<std::uint8_t> ico;
        le(ico, 0, 2), le(ico, 1, 2), le(ico, 1, 2);
        le(ico, size & 0xFF, 1), le(ico, size & 0xFF, 1), le(ico, 0, 1), le(ico, 0, 1);
        le(ico, 1, 2), le(ico, 32, 2), le(ico, static_cast<std::uint32_t>(png.size()), 4), le(ico, 22, 4);
        png.insert(png.begin(), ico.begin(), ico.end());
    }
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                               static_cast<std::streamsize>(png.size()));
    return 0;
}
