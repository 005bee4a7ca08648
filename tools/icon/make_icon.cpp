// brastor-icon IN.bmp OUT.png SIZE: turns one of the game's own 24-bit pictures
// into a square PNG icon for the desktop entry and the web page. With OUT.ico
// and several sizes it writes a Windows icon file holding one PNG per size
// (Windows takes PNG images inside icons). Magenta becomes transparent; the
// picture is scaled by the largest whole factor that fits (shrunk by nearest
// pixel where even 1 is too big) and centred.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

struct Bmp {
    const std::vector<std::uint8_t>& bytes;
    int width, height;
    std::uint32_t offset;
    std::size_t rowBytes;
};

// The picture as a SIZE x SIZE RGBA PNG.
std::vector<std::uint8_t> iconPng(const Bmp& bmp, int size) {
    const int longest = std::max(bmp.width, bmp.height);
    // Source pixels per icon pixel, as a fraction num / den.
    int num = 1, den = std::max(1, std::min(size / bmp.width, size / bmp.height));
    if (longest > size) num = longest, den = size;
    const int left = (size - bmp.width * den / num) / 2;
    const int top = (size - bmp.height * den / num) / 2;
    std::vector<std::uint8_t> rgba(std::size_t(size) * size * 4, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (x < left || y < top) continue;
            const int sx = (x - left) * num / den, sy = (y - top) * num / den;
            if (sx >= bmp.width || sy >= bmp.height) continue;
            const std::uint8_t* p = &bmp.bytes[bmp.offset + bmp.rowBytes * (bmp.height - 1 - sy) + 3 * sx];
            if (p[2] == 255 && p[1] == 0 && p[0] == 255) continue;
            std::uint8_t* out = &rgba[(std::size_t(y) * size + x) * 4];
            out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = 255;
        }
    std::vector<std::uint8_t> png;
    auto append = [](void* context, void* data, int n) {
        auto* to = static_cast<std::vector<std::uint8_t>*>(context);
        to->insert(to->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + n);
    };
    // Rows unfiltered: the web build reads the pixels back as they are to pack
    // them tighter and to make the maskable icon.
    stbi_write_force_png_filter = 0;
    stbi_write_png_to_func(append, &png, size, size, 4, rgba.data(), size * 4);
    return png;
}

void little(std::vector<std::uint8_t>& v, std::uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: brastor-icon IN.bmp OUT.png SIZE | IN.bmp OUT.ico SIZE...\n");
        return 2;
    }
    const std::string out = argv[2];
    const bool ico = out.size() > 4 && out.compare(out.size() - 4, 4, ".ico") == 0;
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || (bytes[28] | bytes[29] << 8) != 24) {
        std::fprintf(stderr, "brastor-icon: %s is not a 24-bit BMP\n", argv[1]);
        return 1;
    }
    const Bmp bmp{bytes, static_cast<int>(read32(bytes, 18)), static_cast<int>(read32(bytes, 22)), read32(bytes, 10),
                  (static_cast<std::size_t>(read32(bytes, 18)) * 3 + 3) & ~std::size_t{3}};
    if (bmp.width < 1 || bmp.height < 1 || bmp.width > 1024 || bmp.height > 1024 ||
        bmp.offset + bmp.rowBytes * bmp.height > bytes.size()) {
        std::fprintf(stderr, "brastor-icon: %s has an unusable size\n", argv[1]);
        return 1;
    }
    const int largest = ico ? 256 : 1024;  // an icon file's entries hold at most 256
    if ((!ico && sizes.size() != 1) ||
        std::any_of(sizes.begin(), sizes.end(), [&](int s) { return s < 1 || s > largest; })) {
        std::fprintf(stderr, "brastor-icon: one PNG size up to 1024, or icon sizes up to 256\n");
        return 2;
    }
    std::vector<std::uint8_t> file;
    if (!ico) {
        file = iconPng(bmp, sizes[0]);
    } else {
        // The icon directory: a 6-byte head, a 16-byte entry per image (a size
        // byte of 0 stands for 256), then the images.
        std::vector<std::vector<std::uint8_t>> images;
        for (int size : sizes) images.push_back(iconPng(bmp, size));
        little(file, 0, 2), little(file, 1, 2), little(file, static_cast<std::uint32_t>(sizes.size()), 2);
        std::uint32_t at = static_cast<std::uint32_t>(6 + 16 * sizes.size());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            little(file, sizes[i] & 0xFF, 1), little(file, sizes[i] & 0xFF, 1), little(file, 0, 1), little(file, 0, 1);
            little(file, 1, 2), little(file, 32, 2), little(file, static_cast<std::uint32_t>(images[i].size()), 4);
            little(file, at, 4);
            at += static_cast<std::uint32_t>(images[i].size());
        }
        for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
    }
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                               static_cast<std::streamsize>(file.size()));
    return 0;
}
