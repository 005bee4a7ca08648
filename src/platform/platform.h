// The game's whole view of the machine: a frame buffer and pictures, a
// keyboard, a clock, random numbers and files. Nothing outside src/platform/
// includes an operating-system or window header; every backend (window,
// headless, browser) carries these same operations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// ---------------------------------------------------------------- colours
using Colour = std::uint32_t;                 // 0xAARRGGBB; in memory B,G,R,A
constexpr Colour maskColour = 0xFFFF00FFu;    // magenta: low 24 bits 0xFF00FF
constexpr Colour fillColour = 0xFF64FF64u;    // light green of a picture slot

inline bool isMask(std::uint32_t pixel) { return (pixel & 0x00FFFFFFu) == 0x00FF00FFu; }

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// ---------------------------------------------------------------- pictures
// One contiguous block: this 32-byte header, then `height` rows of `pitch`
// bytes. Pixel (x, y) lies at byte 32 + y * pitch + 4 * x from the header.
struct Image {
    std::int32_t typeTag;        // 7
    std::int32_t bytesPerPixel;  // 4
    std::int32_t width;
    std::int32_t height;
    std::int32_t pitch;          // 4 * width rounded up to a multiple of 16
    std::int32_t reserved[3];
};
static_assert(sizeof(Image) == 32);

inline std::uint32_t* imageRow(Image* image, int y) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(image) + 32 +
                                            static_cast<std::ptrdiff_t>(y) * image->pitch);
}
inline const std::uint32_t* imageRow(const Image* image, int y) {
    return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(image) +
                                                  32 + static_cast<std::ptrdiff_t>(y) * image->pitch);
}

enum class DrawMode { opaque, transparent, blend };

struct ScreenSize {
    int width;
    int height;
    int depth;
};

// Status values of loadPicture and saveScreen.
constexpr int statusOk = 0;
constexpr int statusOpenFailed = 2;
constexpr int statusBadFile = 3;

// Opens the window (or its stand-in) and sets the drawing state. 0 on success.
int setScreenMode(int width, int height, int bitsPerPixel);
ScreenSize screenSize();
// Nesting lock: while held, the backend never reads the frame buffer.
void lockScreen();
void unlockScreen();
std::uint32_t* framePixels();  // pixel (0, 0); rows of 640 pixels, no padding
void presentScreen();

// Created once at start-up and never freed; nullptr only if memory runs out.
Image* createImage(int width, int height, Colour fill);
int loadPicture(const char* fileName, Image* image);
int saveScreen(const char* fileName);

void drawImage(double x, double y, const Image* image, DrawMode mode, int opacity = 255);
void drawLine(double x1, double y1, double x2, double y2);
void drawBox(double x1, double y1, double x2, double y2);
void fillBox(double x1, double y1, double x2, double y2);
void drawText(double x, double y, std::string_view text);
void setColours(std::optional<Colour> foreground, std::optional<Colour> background = std::nullopt);
void clearScreen();

// Rounds a real screen position: halves away from zero.
int roundPosition(double v);

// ---------------------------------------------------------------- keyboard
// Scan codes (PC set 1) that the game reads.
namespace scan {
constexpr int escape = 1, z = 44, x = 45, space = 57, up = 72, left = 75, right = 77, down = 80;
}

bool keyHeld(std::int32_t scanCode);
// "" when nothing waits; one character; or byte 255 followed by a key byte.
std::string readTypedKey();
// The game stands on a screen that waits for Space (the title, a text box),
// or no longer does; a backend may tell the player how to go on.
void setWaitingForSpace(bool waiting);

// ---------------------------------------------------------------- clock, random
double clockSeconds();
void sleepMs(int milliseconds);
void seedRandom(double seed);
double randomReal();

// True once the platform wants the program to end (window closed, a headless
// script's quit, the tick limit). Every waiting loop of the game checks it and
// unwinds; the game then returns from its entry.
bool quitRequested();

// Runs the game's entry the way this platform needs (the window backend keeps
// the main thread for its events and runs the game on a second one) and
// returns the program's exit code.
int runOnPlatform(int (*gameEntry)());

// ---------------------------------------------------------------- files
// Names use the backslash as folder separator, as the game forms them. Data
// files are looked up below the data folder; letter case need not match.
struct GameFile {
    void* host = nullptr;
    bool text = false;
};

void setDataFolder(const char* folder);  // "" or "." = the working folder
const char* dataFolder();
// The desktop program's data: the executable's folder when it holds "gfx" or
// "level1", else <executable folder>/../share/brastor when that exists, else
// the executable's folder.
std::string findInstalledDataFolder();
// What to tell a player whose program has none of the folders "gfx",
// "level1" and "level2" in `folder` (started from inside its zip, say);
// empty when one of them is there.
std::string missingDataMessage(const std::string& folder);

int openTextFile(GameFile& file, const char* name);    // 0 when open
int openBinaryFile(GameFile& file, const char* name);  // 0 when open
std::string readLine(GameFile& file);                  // without its line end
bool atEnd(GameFile& file);
void readBytes(GameFile& file, int count, void* destination);  // zeros past the end
// For the picture reader: bytes actually read (the rest of `destination` is
// zeroed), a jump to an absolute offset, and the file's size in bytes.
int readBytesCounted(GameFile& file, int count, void* destination);
bool seekFile(GameFile& file, std::int64_t offset);
std::int64_t fileSize(GameFile& file);
void closeFile(GameFile& file);
