// Writes small "map.bmp" files for tests from character grids.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t r, g, b;
};

// The legend used by default: one character per map colour.
//  '.' empty (white)   '#' block (black)   'g' grass        'r' rock top
//  'f' dark floor      'b' breakable        'B' barrier      'G' generator 1
//  'H' generator 3     'd' diamond          'c' crystal      'k' key A
//  'K' key B           'l' door A           'L' door B       'h' hostage
//  'w' flow hazard     's' spikes           'o' opaque scenery 'i' girder
//  'v' cave wall       'p' plant            'P' player start 'W' walker
//  'F' flyer           'T' turret           'S' snake        'N' swan
const std::map<char, Rgb>& defaultLegend();

// The bytes of a standard 24-bit bottom-up BMP (rows padded to 4 bytes);
// rows[0] is the top row of the map. For tests that cut or alter the file.
std::vector<std::uint8_t> mapBmpBytes(const std::vector<std::string>& rows,
                                      const std::map<char, Rgb>& legend = defaultLegend());
// Writes bytes as a file, creating its folder if needed.
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Writes mapBmpBytes(rows, legend) to path. Creates the folder if needed.
void writeMapBmp(const std::string& path, const std::vector<std::string>& rows,
                 const std::map<char, Rgb>& legend = defaultLegend());
// Writes "<folder>/level<N>/map.bmp".
void writeMission(const std::string& folder, int missionNumber, const std::vector<std::string>& rows);
