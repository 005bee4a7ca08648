// The level studio's checker, compiled to WebAssembly for its Web Worker: one
// narrow door onto brastor-mapcheck's own call that runs every pass on a
// ".map" source (the baker's reader, the structure check, the play rules, the
// route search) and prints the report, so the page shows the command line's
// report word for word. Answers are JSON texts that stay valid until the next
// call.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bake/map_source.h"
#include "mapcheck/check.h"
#include "platform/bmp_format.h"
#include "world/world.h"

namespace {

std::string answer;  // the last answer handed to the page

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reads `text` with the baker's reader; its faults go to `faults` as the tools
// print them, named `shown`, and are counted in `count`.
bool readSource(const std::string& text, MapSource& map, std::ostream& faults, const std::string& shown,
                int& count) {
    const std::string file = "/studio/level.map";
    std::filesystem::create_directories("/studio");
    writeFile(file, text);
    readMapSource(file, map, [&](const std::filesystem::path&, int line, const std::string& message) {
        faults << "error: " << shown << (line > 0 ? ":" + std::to_string(line) : std::string()) << ": "
               << message << "\n";
        count += 1;
    });
    return map.usable;
}

// The letter of the built-in legend for a colour, '.' (empty) for any other.
char letterOf(const Rgb& colour) {
    for (const auto& [letter, rgb] : builtInMapLegend())
        if (rgb.r == colour.r && rgb.g == colour.g && rgb.b == colour.b) return letter;
    return '.';
}

std::string gridAnswer(int width, int height, const std::vector<std::vector<Rgb>>& pixels) {
    std::string rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += letterOf(pixels[y][x]);
        rows += (y ? "," : "") + jsonText(row);
    }
    return "{\"ok\":true,\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) +
           ",\"rows\":[" + rows + "]}";
}

std::string faultAnswer(const std::string& message) { return "{\"ok\":false,\"message\":" + jsonText(message) + "}"; }

}  // namespace

// The built-in legend: [{letter, r, g, b}] in the baker's order.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioLegend() {
    answer = "[";
    for (const auto& [letter, rgb] : builtInMapLegend()) {
        if (answer.size() > 1) answer += ",";
        answer += "{\"letter\":" + jsonText(std::string(1, letter)) + ",\"r\":" + std::to_string(rgb.r) +
                  ",\"g\":" + std::to_string(rgb.g) + ",\"b\":" + std::to_string(rgb.b) + "}";
    }
    answer += "]";
    return answer.c_str();
}

// A ".map" text as the baker reads it, in built-in letters (a colour with no
// letter reads as empty, as the game reads it): {ok, width, height, rows} or
// {ok: false, message} with the baker's words, the file called `name`.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioReadSource(const char* text, const char* name) {
    MapSource map;
    std::ostringstream faults;
    int count = 0;
    if (!readSource(text, map, faults, name, count) || count > 0) {
        const std::string words = faults.str();
        answer = faultAnswer(words.empty() ? "not a map source" : words);
        return answer.c_str();
    }
    answer = gridAnswer(map.width, map.height, map.pixels);
    return answer.c_str();
}

// A map picture's bytes (at `bytes`, `size` long) read as the game reads
// them: the size at offsets 18 and 22, then bottom-up rows of blue, green,
// red padded to four bytes. Refused: anything not a 24-bit BMP of 1 to 201 cells a side.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioReadPicture(const std::uint8_t* bytes, int size) {
    if (size < bmpHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M') {
        answer = faultAnswer("not a map picture: a map.bmp starts with \"BM\"");
        return answer.c_str();
    }
    const BmpHeader header = readBmpHeader(bytes);
    const int width = header.width, height = header.height, depth = static_cast<int>(header.bitsPerPixel);
    if (depth != 24 || width < 1 || height < 1 || width > gridSize || height > gridSize) {
        answer = faultAnswer("not a map picture the game reads: " + std::to_string(width) + " x " +
                             std::to_string(height) + " at " + std::to_string(depth) +
                             " bits a pixel (24 bits, at most " + std::to_string(gridSize) + " x " +
                             std::to_string(gridSize) + ")");
        return answer.c_str();
    }
    const int rowBytes = static_cast<int>(bmpRowBytes24(width));
    if (bmpHeaderBytes + rowBytes * height > size) {
        answer = faultAnswer("the map picture ends early: " + std::to_string(size) + " bytes of " +
                             std::to_string(bmpHeaderBytes + rowBytes * height));
        return answer.c_str();
    }
    std::vector<std::vector<Rgb>> pixels(height, std::vector<Rgb>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = bytes + bmpHeaderBytes + (height - 1 - y) * rowBytes + 3 * x;
            pixels[y][x] = Rgb{p[2], p[1], p[0]};
        }
    answer = gridAnswer(width, height, pixels);
    return answer.c_str();
}

// Bakes a ".map" text to "/studio/map.bmp" as brastor-bake does; "" or the baker's faults.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioBake(const char* text) {
    MapSource map;
    std::ostringstream faults;
    int count = 0;
    if (readSource(text, map, faults, "level.map", count)) {
        const std::vector<std::uint8_t> bmp = encodeBmp(map.width, map.height, map.pixels);
        writeFile("/studio/map.bmp", std::string(bmp.begin(), bmp.end()));
    }
    answer = faults.str();
    return answer.c_str();
}

// brastor-mapcheck's report on a ".map" text under `mission` (0: the one its
// contents ask for), by the checker's own call, with what the page draws:
// {report, errors, warnings (the unresolved among them), inconclusive,
// mission, searched, findings [{number, x, y, error, message}], trails [{name,
// points [x, y, ...] in world pixels}], proof (the script of the exit's route)}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioCheck(const char* text, int mission) {
    std::filesystem::create_directories("/studio");
    writeFile("/studio/level.map", text);
    std::error_code ec;
    std::filesystem::remove_all("/studio/proof", ec);
    CheckOptions options;
    options.mission = mission;
    options.shownName = "level.map";
    options.search.keepTrails = true;
    options.search.scriptDir = "/studio/proof";
    options.search.level = "level.map";
    const MapCheck check = checkMap("/studio/level.map", options);
    std::ostringstream report;
    printReport(check, report);
    const Findings& found = check.findings;
    const RouteResult& routes = check.routes;
    std::string proof;
    if (routes.searched) {
        std::ifstream script("/studio/proof/exit.keys");
        proof.assign(std::istreambuf_iterator<char>(script), std::istreambuf_iterator<char>());
    }

    const int inconclusive = found.count(Severity::unresolved);
    answer = "{\"report\":" + jsonText(report.str()) + ",\"errors\":" + std::to_string(found.count(Severity::error)) +
             ",\"warnings\":" + std::to_string(found.count(Severity::warning) + inconclusive) +
             ",\"inconclusive\":" + std::to_string(inconclusive) +
             ",\"mission\":" + std::to_string(check.readable ? check.map.mission : mission) +
             ",\"searched\":" + (routes.searched ? "true" : "false") + ",\"findings\":[";
    bool first = true;
    for (const Finding& f : found.all()) {
        if (f.number == 0) continue;
        const std::string words = f.subject.empty() ? f.text : f.subject + ": " + f.text;
        answer += (first ? "" : ",") + std::string("{\"number\":") + std::to_string(f.number) +
                  ",\"x\":" + std::to_string(f.at.x) + ",\"y\":" + std::to_string(f.at.y) +
                  ",\"error\":" + (f.severity == Severity::error ? "true" : "false") +
                  ",\"message\":" + jsonText(words) + "}";
        first = false;
    }
    answer += "],\"trails\":[";
    for (std::size_t t = 0; t < routes.trails.size(); ++t) {
        answer += (t ? "," : "") + std::string("{\"name\":") + jsonText(routes.trailNames[t]) + ",\"points\":[";
        // Every fourth frame, and the last, draw the same line at a quarter of the weight.
        const auto& trail = routes.trails[t];
        std::string points;
        auto add = [&](const std::pair<int, int>& at) {
            points += (points.empty() ? "" : ",") + std::to_string(at.first) + "," + std::to_string(at.second);
        };
        for (std::size_t p = 0; p < trail.size(); p += 4) add(trail[p]);
        if (!trail.empty() && (trail.size() - 1) % 4 != 0) add(trail.back());
        answer += points;
        answer += "]}";
    }
    answer += "],\"proof\":" + jsonText(proof) + "}";
    return answer.c_str();
}
