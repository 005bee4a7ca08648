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
constexpr std::uint32_t kSky = 0x182440, kCircle = 0xFF2020, kWhite = 0xFFFFFF;
// One colour a route, in the legend's order, again from the first after the last.
constexpr std::uint32_t kRoutes[] = {0xFFE040, 0x40E0FF, 0xFF70FF, 0x70FF70, 0xFFA030, 0x9AA8FF, 0xFFFFFF, 0xC0FF40};
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

bool writePicture(const std::string& file, const MapStructure& structure, const RouteResult& routes,
                  const Findings& findings, std::string& problem) {
    const RuleGrid& map = structure.play;
    const int startX = structure.startX, startY = structure.startY, mission = structure.mission;
    const std::string data = findInstalledDataFolder();
    if (!std::filesystem::is_directory(pathOfUtf8(data) / "gfx")) {
        problem = "no baked game data (gfx/) beside the program in " + data;
        return false;
    }
    setDataFolder(data.c_str());
    createPictures();
    loadMissionPictures(mission == 2 ? "level2\\" : "level1\\");

    const int cell = std::clamp(kLongestSide / std::max({map.width, map.height, 1}), 2, 32);
    // Under the map, the legend: one line a route, its colour and its target.
    constexpr int legendZoom = 1, legendLine = 18, legendMargin = 6;
    const int legendHeight =
        routes.trails.empty() ? 0 : 2 * legendMargin + legendLine * static_cast<int>(routes.trails.size());
    int legendWidth = 0;
    for (const std::string& name : routes.trailNames)
        legendWidth = std::max(legendWidth, 2 * legendMargin + 24 + 8 * legendZoom * static_cast<int>(name.size()));
    Canvas canvas(std::max(map.width * cell, legendWidth), map.height * cell + legendHeight);
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
    // Routes share their start: the longest is drawn first, so that each
    // shows in its own colour where it goes on past the shorter ones.
    std::vector<std::size_t> order(routes.trails.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return routes.trails[a].size() > routes.trails[b].size(); });
    for (const std::size_t r : order) {
        const auto& trail = routes.trails[r];
        const std::uint32_t colour = kRoutes[r % std::size(kRoutes)];
        for (std::size_t i = 1; i < trail.size(); ++i)
            canvas.line(toCanvas(trail[i - 1].first), toCanvas(trail[i - 1].second), toCanvas(trail[i].first),
                        toCanvas(trail[i].second), thick, colour);
    }
    for (std::size_t r = 0; r < routes.trails.size(); ++r) {
        const int y = map.height * cell + legendMargin + legendLine * static_cast<int>(r);
        for (int dy = 0; dy < 4; ++dy) canvas.line(legendMargin, y + 7 + dy, legendMargin + 18, y + 7 + dy, 1,
                                                   kRoutes[r % std::size(kRoutes)]);
        if (r < routes.trailNames.size())
            canvas.text(legendMargin + 24, y, routes.trailNames[r], legendZoom, kWhite, kSky);
    }
    const int zoom = cell >= 32 ? 2 : 1;
    // One circle a cell, labelled with the numbers of all its findings.
    const std::map<std::pair<int, int>, std::string> labels = findings.circles();
    const int radius = std::max(cell, 12);
    for (const auto& [where, label] : labels)
        canvas.circle(where.first * cell + cell / 2, where.second * cell + cell / 2, radius, thick + 1, kCircle);
    // Each label at the first corner of its circle where it meets no label
    // placed before it (neighbours' numbers must not run together), else at the first.
    struct Box {
        int x0, y0, x1, y1;
    };
    std::vector<Box> placed;
    const int mapBottom = map.height * cell;
    for (const auto& [where, label] : labels) {
        const int cx = where.first * cell + cell / 2, cy = where.second * cell + cell / 2;
        const int w = 8 * zoom * static_cast<int>(label.size()), h = 16 * zoom;
        const int reach = radius * 7 / 10 + 2;
        const int corners[6][2] = {{cx + reach, cy - radius - h / 2}, {cx - reach - w, cy - radius - h / 2},
                                   {cx + reach, cy + radius - h / 2}, {cx - reach - w, cy + radius - h / 2},
                                   {cx + radius + 2, cy - h / 2},     {cx - radius - 2 - w, cy - h / 2}};
        auto boxAt = [&](int c) {
            const int tx = std::clamp(corners[c][0], zoom, std::max(zoom, canvas.width() - w - zoom));
            const int ty = std::clamp(corners[c][1], zoom, std::max(zoom, mapBottom - h - zoom));
            return Box{tx - 2 * zoom, ty - 2 * zoom, tx + w + 2 * zoom, ty + h + 2 * zoom};
        };
        Box chosen = boxAt(0);
        for (int c = 0; c < 6; ++c) {
            const Box b = boxAt(c);
            bool free = true;
            for (const Box& o : placed) free = free && (b.x1 <= o.x0 || o.x1 <= b.x0 || b.y1 <= o.y0 || o.y1 <= b.y0);
            if (free) {
                chosen = b;
                break;
            }
        }
        placed.push_back(chosen);
        canvas.text(chosen.x0 + 2 * zoom, chosen.y0 + 2 * zoom, label, zoom, kWhite, kCircle);
    }
    return canvas.writePng(file, problem);
}
