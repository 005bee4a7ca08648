// The level studio's checker, compiled to WebAssembly for its Web Worker: one
// narrow door onto the passes brastor-mapcheck runs on a ".map" source (the
// baker's reader, the structure check, the play rules, the route search),
// called in the same order with the same options, so the page shows the
// command line's report word for word. Answers are JSON texts that stay valid
// until the next call.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bake/map_source.h"
#include "mapcheck/routes.h"
#include "mapcheck/rules.h"
#include "mapcheck/structure.h"
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
// contents ask for), with what the page draws: {report, errors, warnings,
// mission, findings [{number, x, y, error, message}], trails [{name, points
// [x, y, ...] in world pixels}], proof (the script of the exit's route)}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* studioCheck(const char* text, int mission) {
    std::ostringstream out;
    int errors = 0, warnings = 0;
    std::vector<Finding> findings;
    std::map<int, std::pair<bool, std::string>> said;  // finding number: error?, words
    auto tell = [&](const StructureFinding& f) {
        if (f.x >= 0) {
            const int number = static_cast<int>(findings.size()) + 1;
            findings.push_back(Finding{number, f.x, f.y});
            said[number] = {f.error, f.message};
            out << (f.error ? "error [" : "warning [") << number << "]: " << f.message << "\n";
        } else {
            out << (f.error ? "error: " : "warning: ") << f.message << "\n";
        }
        (f.error ? errors : warnings) += 1;
    };

    MapSource source;
    std::vector<std::uint8_t> data;
    RouteResult found;
    std::string proof;
    MapStructure map;
    // As brastor-mapcheck reads a source: every fault is an error, and only a
    // grid without its shape stops the check.
    if (readSource(text, source, out, "level.map", errors)) {
        data = encodeBmp(source.width, source.height, source.pixels);
        map = checkStructure(data, mission);
        for (const StructureFinding& f : map.findings) tell(f);
    }
    if (map.readable) {
        mission = map.mission;
        for (const RuleFault& fault : checkPlayRules(map.play))
            tell(StructureFinding{true, fault.message, fault.x, fault.y});
        if (map.starts > 0) {
            writeFile("/studio/map.bmp", std::string(data.begin(), data.end()));
            std::error_code ec;
            std::filesystem::remove_all("/studio/proof", ec);
            RouteOptions options;
            options.mission = mission;
            options.keepTrails = true;
            options.exitBlocked = map.beamBlocked;
            options.scriptDir = "/studio/proof";
            options.level = "level.map";
            options.firstNumber = static_cast<int>(findings.size()) + 1;
            std::ostringstream routes;
            found = checkRoutes("/studio/map.bmp", options, routes);
            out << routes.str();
            errors += found.errors;
            warnings += found.warnings + found.inconclusive;
            // A route finding's words are on its report line, after its number.
            std::istringstream lines(routes.str());
            for (std::string line; std::getline(lines, line);) {
                for (const Finding& f : found.findings) {
                    const std::string mark = " [" + std::to_string(f.number) + "]: ";
                    if (const auto at = line.find(mark); at != std::string::npos)
                        said[f.number] = {line.find("error [") != std::string::npos,
                                          line.substr(0, line.find(": ")).substr(2) + ": " +
                                              line.substr(at + mark.size())};
                }
            }
            findings.insert(findings.end(), found.findings.begin(), found.findings.end());
            std::ifstream script("/studio/proof/exit.keys");
            proof.assign(std::istreambuf_iterator<char>(script), std::istreambuf_iterator<char>());
        } else {
            out << "routes not searched: no player start marker\n";
        }
        out << map.enemies << " enemies, " << map.solidCells << " solid cells, " << map.generators
            << " generators, " << map.hostages << " hostages; " << errors << " error(s), " << warnings
            << " warning(s)\n";
    }

    answer = "{\"report\":" + jsonText(out.str()) + ",\"errors\":" + std::to_string(errors) +
             ",\"warnings\":" + std::to_string(warnings) + ",\"mission\":" + std::to_string(mission) +
             ",\"searched\":" + (found.searched ? "true" : "false") + ",\"findings\":[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        const auto& [error, words] = said[f.number];
        answer += (i ? "," : "") + std::string("{\"number\":") + std::to_string(f.number) +
                  ",\"x\":" + std::to_string(f.x) + ",\"y\":" + std::to_string(f.y) +
                  ",\"error\":" + (error ? "true" : "false") + ",\"message\":" + jsonText(words) + "}";
    }
    answer += "],\"trails\":[";
    for (std::size_t t = 0; t < found.trails.size(); ++t) {
        answer += (t ? "," : "") + std::string("{\"name\":") + jsonText(found.trailNames[t]) + ",\"points\":[";
        // Every fourth frame, and the last, draw the same line at a quarter of the weight.
        const auto& trail = found.trails[t];
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
