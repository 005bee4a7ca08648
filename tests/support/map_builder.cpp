#include "support/map_builder.h"

#include <filesystem>
#include <fstream>

const std::map<char, Rgb>& defaultLegend() {
    static const std::map<char, Rgb> legend{
        {'.', {255, 255, 255}}, {'#', {0, 0, 0}},       {'g', {64, 0, 0}},      {'r', {64, 0, 64}},
        {'f', {255, 128, 64}},  {'b', {0, 128, 128}},   {'B', {128, 128, 0}},   {'G', {128, 128, 128}},
        {'H', {128, 128, 64}},  {'d', {255, 0, 0}},     {'c', {128, 0, 255}},   {'k', {255, 255, 0}},
        {'K', {0, 0, 64}},      {'l', {255, 240, 0}},   {'L', {0, 50, 64}},     {'h', {50, 50, 50}},
        {'w', {128, 255, 128}}, {'s', {192, 192, 192}}, {'o', {255, 128, 0}},   {'i', {0, 64, 0}},
        {'v', {128, 128, 255}}, {'p', {0, 255, 0}},     {'P', {255, 0, 255}},   {'W', {0, 0, 255}},
        {'F', {0, 255, 255}},   {'T', {128, 0, 0}},     {'S', {64, 0, 128}},    {'N', {64, 128, 128}},
    };
    return legend;
}

namespace {
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
}  // namespace

std::vector<std::uint8_t> mapBmpBytes(const std::vector<std::string>& rows,
                                      const std::map<char, Rgb>& legend) {
    const int height = static_cast<int>(rows.size());
    const int width = height ? static_cast<int>(rows[0].size()) : 0;
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + rowBytes * height);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, rowBytes * height);
    put32(out, 2834);
    put32(out, 2834);
    put32(out, 0);
    put32(out, 0);
    for (int r = height - 1; r >= 0; --r) {
        for (int c = 0; c < width; ++c) {
            const Rgb colour = legend.at(rows[r][c]);
            out.push_back(colour.b);
            out.push_back(colour.g);
            out.push_back(colour.r);
        }
        for (int p = width * 3; p < rowBytes; ++p) out.push_back(0);
    }
    return out;
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void writeMapBmp(const std::string& path, const std::vector<std::string>& rows,
                 const std::map<char, Rgb>& legend) {
    writeFileBytes(path, mapBmpBytes(rows, legend));
}

void writeMission(const std::string& folder, int missionNumber, const std::vector<std::string>& rows) {
    writeMapBmp(folder + "/level" + std::to_string(missionNumber) + "/map.bmp", rows);
}
