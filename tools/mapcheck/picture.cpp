#include "mapcheck/picture.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

#include "platform/files.h"
#include "platform/platform.h"
#include "world/pictures.h"

extern const std::uint8_t fontGlyphs[256][16];

namespace {

constexpr int kLongestSide = 2048;  // pixels: a bigger map gets fewer pixels a cell
constexpr std::uint32_t kSky = 0x182440, kRoute = 0xFFE040, kCircle = 0xFF2020, kWhite = 0xFFFFFF;
constexpr int kWalker = 20, kFlyer = 22, kTurret = 23, kSnake = 26, kSwan = 50, kPlayer = 1;

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height, kSky) {}

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t& at(int x, int y) { return pixels_[std::size_t(y) * width_ + x]; }

    void put(int x, int y, std::uint32_t rgb) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) at(x, y) = rgb;
    }

    // A game picture at (x, y), every source pixel `scale` / 32 of a canvas
    // pixel wide (nearest pixel); the mask colour lets the canvas show.
    void picture(const Image* image, int x, int y, int scale) {
        if (!image) return;
        const int w = image->width * scale / 32, h = image->height * scale / 32;
        for (int dy = 0; dy < h; ++dy) {
            const std::uint32_t* row = imageRow(image, dy * 32 / scale);
            for (int dx = 0; dx < w; ++dx) {
                const std::uint32_t p = row[dx * 32 / scale];
                if (!isMask(p)) put(x + dx, y + dy, p & 0xFFFFFF);
            }
        }
    }

    void darken(int x0, int y0, int size) {
        for (int y = y0; y < y0 + size && y < height_; ++y)
            for (int x = x0; x < x0 + size && x < width_; ++x) {
                const std::uint32_t p = at(x, y);
                // A third of the brightness, tinted grey, so the reached area stands out.
                const std::uint32_t r = (p >> 16 & 255) / 3 + 20, g = (p >> 8 & 255) / 3 + 20, b = (p & 255) / 3 + 24;
                at(x, y) = r << 16 | g << 8 | b;
            }
    }

    void dot(int x, int y, int thick, std::uint32_t rgb) {
        for (int dy = 0; dy < thick; ++dy)
            for (int dx = 0; dx < thick; ++dx) put(x + dx - thick / 2, y + dy - thick / 2, rgb);
    }

    void line(int x0, int y0, int x1, int y1, int thick, std::uint32_t rgb) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            dot(x0, y0, thick, rgb);
            if (x0 == x1 && y0 == y1) return;
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }

    void circle(int cx, int cy, int radius, int thick, std::uint32_t rgb) {
        const int steps = std::max(32, radius * 8);
        for (int i = 0; i < steps; ++i) {
            const double a = 6.283185307179586 * i / steps;
            dot(cx + static_cast<int>(std::lround(radius * std::cos(a))),
                cy + static_cast<int>(std::lround(radius * std::sin(a))), thick, rgb);
        }
    }

    // Text in the game's own 8 x 16 font, `zoom` canvas pixels a font pixel, on a box.
    void text(int x, int y, const std::string& s, int zoom, std::uint32_t ink, std::uint32_t box) {
        for (int dy = -zoom; dy < 16 * zoom + zoom; ++dy)
            for (int dx = -zoom; dx < 8 * zoom * static_cast<int>(s.size()) + zoom; ++dx) put(x + dx, y + dy, box);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const std::uint8_t* glyph = fontGlyphs[static_cast<std::uint8_t>(s[i])];
            for (int gy = 0; gy < 16; ++gy)
                for (int gx = 0; gx < 8; ++gx)
                    if (glyph[gy] >> gx & 1)
                        for (int zy = 0; zy < zoom; ++zy)
                            for (int zx = 0; zx < zoom; ++zx)
                                put(x + (8 * static_cast<int>(i) + gx) * zoom + zx, y + gy * zoom + zy, ink);
        }
    }

    // The canvas as an 8-bit RGB PNG in `file` (a UTF-8 name on every host).
    bool writePng(const std::string& file, std::string& problem) const {
        std::vector<unsigned char> rgb(pixels_.size() * 3);
        for (std::size_t i = 0; i < pixels_.size(); ++i) {
            rgb[3 * i] = static_cast<unsigned char>(pixels_[i] >> 16);
            rgb[3 * i + 1] = static_cast<unsigned char>(pixels_[i] >> 8);
            rgb[3 * i + 2] = static_cast<unsigned char>(pixels_[i]);
        }
        std::FILE* out = openHostFile(file, "wb");
        if (!out) {
            problem = "cannot write the file";
            return false;
        }
        auto write = [](void* context, void* data, int size) {
            std::fwrite(data, 1, static_cast<std::size_t>(size), static_cast<std::FILE*>(context));
        };
        bool ok = stbi_write_png_to_func(write, out, width_, height_, 3, rgb.data(), width_ * 3) != 0;
        ok = !std::ferror(out) && ok;
        if (std::fclose(out) != 0) ok = false;
        if (!ok) problem = "the PNG could not be written";
        return ok;
    }

private:
    int width_, height_;
    std::vector<std::uint32_t> pixels_;
};

int enemySlot(std::string_view enemy) {
    if (enemy == "walker") return kWalker;
    if (enemy == "flyer") return kFlyer;
    if (enemy == "turret") return kTurret;
    if (enemy == "swan") return kSwan;
    if (enemy == "snake") return kSnake;
    return 0;
}

}  // namespace

bool writePicture(const std::string& file, const RuleGrid& map, int startX, int startY, int mission,
                  const RouteResult& routes, const std::vector<Finding>& findings, std::string& problem) {
    const std::string data = findInstalledDataFolder();
    if (!std::filesystem::is_directory(pathOfUtf8(data) / "gfx")) {
        problem = "no baked game data (gfx/) beside the program in " + data;
        return false;
    }
    setDataFolder(data.c_str());
    createPictures();
    loadMissionPictures(mission == 2 ? "level2\\" : "level1\\");

    const int cell = std::clamp(kLongestSide / std::max({map.width, map.height, 1}), 2, 32);
    Canvas canvas(map.width * cell, map.height * cell);
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            const RuleCell& c = map.cells[std::size_t(y) * map.width + x];
            const int slot = c.tile != 0 ? c.tile : enemySlot(c.enemy);
            if (slot != 0) canvas.picture(pictures[slot], x * cell, y * cell, cell);
        }
    }
    if (startX >= 0) canvas.picture(pictures[kPlayer], startX * cell, startY * cell, cell);
    if (routes.searched) {
        for (int y = 0; y < map.height && y < routes.height; ++y)
            for (int x = 0; x < map.width && x < routes.width; ++x)
                if (!routes.reached[std::size_t(y) * routes.width + x]) canvas.darken(x * cell, y * cell, cell);
    }
    // World pixels to canvas pixels: cell x spans world 32 x - 32 to 32 x - 1.
    auto toCanvas = [&](int world) { return (world + 32) * cell / 32; };
    const int thick = cell >= 16 ? 2 : 1;
    for (const auto& trail : routes.trails) {
        for (std::size_t i = 1; i < trail.size(); ++i)
            canvas.line(toCanvas(trail[i - 1].first), toCanvas(trail[i - 1].second), toCanvas(trail[i].first),
                        toCanvas(trail[i].second), thick, kRoute);
    }
    const int zoom = cell >= 32 ? 2 : 1;
    // One circle a cell, labelled with the numbers of all its findings.
    std::map<std::pair<int, int>, std::string> labels;
    for (const Finding& f : findings) {
        std::string& label = labels[{f.x, f.y}];
        label += (label.empty() ? "" : ",") + std::to_string(f.number);
    }
    for (const auto& [where, label] : labels) {
        const int cx = where.first * cell + cell / 2, cy = where.second * cell + cell / 2;
        const int radius = std::max(cell, 12);
        canvas.circle(cx, cy, radius, thick + 1, kCircle);
        const int w = 8 * zoom * static_cast<int>(label.size()), h = 16 * zoom;
        const int tx = std::clamp(cx + radius * 7 / 10 + 2, zoom, std::max(zoom, canvas.width() - w - zoom));
        const int ty = std::clamp(cy - radius - h / 2, zoom, std::max(zoom, canvas.height() - h - zoom));
        canvas.text(tx, ty, label, zoom, kWhite, kCircle);
    }
    return canvas.writePng(file, problem);
}
