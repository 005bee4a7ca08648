// The built-in text font: 256 glyphs of 8 x 16 in code-page-437 order, the
// standard VGA shapes. One byte per glyph row, least significant bit leftmost.
#include <cstdint>

extern const std::uint8_t fontGlyphs[256][16] = {
#include "platform/font_table.inc"
};
