#include "shell/text.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "shell/mission_source.h"
#include "world/catalogue.h"
#include "world/game_state.h"
#include "world/pictures.h"

std::string textLines[textLineCount];

namespace {

constexpr Colour red = 0xFFFF0000u;
constexpr Colour yellow = 0xFFFFFF00u;
constexpr Colour darkGreen = 0xFF006400u;
constexpr int boxWidth = 500;

int centredX(const std::string& line) { return (screenWidth - 8 * static_cast<int>(line.size())) / 2; }

// 255 - y / 2 rounded to the nearest whole number, halves to the even one.
int skyBlue(int y) {
    const int twice = 510 - y;
    if (twice % 2 == 0) return twice / 2;
    const int below = (twice - 1) / 2;
    return below % 2 == 0 ? below : below + 1;
}

void discardTypedKeys() {
    while (!readTypedKey().empty()) {
    }
}

// Polls until Space is typed. False when the platform quits, or (when
// `escapeEnds`) while Escape is held, which wins over a Space of the same poll.
bool waitForSpace(bool escapeEnds) {
    struct Waiting {
        Waiting() { setWaitingForSpace(true); }
        ~Waiting() { setWaitingForSpace(false); }
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;
    } waiting;
    discardTypedKeys();
    for (;;) {
        const std::string key = readTypedKey();
        sleepMs(10);
        if (escapeEnds && keyHeld(scan::escape)) return false;
        if (quitRequested()) return false;
        if (key == " ") return true;
    }
}

}  // namespace

void clearTextLines() {
    for (auto& line : textLines) line.clear();
}

namespace {

// Fills textLines from the file, the lines past the table's 21 left unread;
// false when it cannot be opened.
bool loadTextFile(const char* path) {
    clearTextLines();
    GameFile file;
    if (openTextFile(file, path) != 0) return false;
    for (int i = 0; i < textLineCount && !atEnd(file); ++i) textLines[i] = readLine(file);
    closeFile(file);
    return true;
}

// A level under test without its own texts: what to do, in the game's words
// for the objective, and never a stock mission's briefing.
void fillGenericText(const char* fileName, int rules) {
    clearTextLines();
    const std::string name = fileName;
    const char* objective = rules == 1 ? "Destroy every generator with the streamer [x]."
                                       : "Rescue every hostage.";
    if (name == "mission.txt") {
        textLines[0] = "Your Level";
        textLines[2] = objective;
        textLines[3] = "Then reach the exit beam above the start.";
        textLines[5] = "[Space] to start, [Escape] to quit";
    } else if (name == "update.txt") {
        textLines[0] = "Objective met!";
        textLines[2] = "The exit beam is open above the start.";
    } else {
        textLines[0] = "You reached the exit beam.";
    }
}

}  // namespace

// Fills textLines from "level<N>\<fileName>" of the current mission, or from the
// folder of the level under test. Lines past the table's 21 are not read; a
// stock file that cannot be opened gives the error line.
void loadMissionText(const char* fileName) {
    if (const MissionSource* source = missionSource()) {
        if (source->folder.empty() || !loadTextFile((source->folder + fileName).c_str()))
            fillGenericText(fileName, game.missionNumber);
        return;
    }
    char path[96];
    std::snprintf(path, sizeof path, "level%d\\%s", game.missionNumber, fileName);
    if (!loadTextFile(path)) textLines[0] = "Error loading complete text...";
}

// The text screens draw under the screen lock too: the window's thread may
// copy the frame at any moment it is not held.
bool showTitleScreen() {
    lockScreen();
    clearScreen();
    for (int y = 0; y <= screenHeight; ++y) {
        setColours(0xFF000000u | static_cast<Colour>(skyBlue(y)));
        drawLine(0, y, screenWidth, y);
    }
    for (int c = 0; c < 20; ++c) {
        drawImage(32 * c, 384, pictures[tileCode::plant], DrawMode::transparent);
        drawImage(32 * c, 416, pictures[tileCode::grass], DrawMode::transparent);
        drawImage(32 * c, 448, pictures[tileCode::block], DrawMode::opaque);
    }
    for (int i = 0; i < textLineCount; ++i) {
        const std::string& line = textLines[i];
        if (line.empty()) continue;
        const int x = centredX(line);
        setColours(red);
        drawText(x, 70 + 16 * i, line);
        setColours(yellow);
        drawText(x + 1, 71 + 16 * i, line);
    }
    unlockScreen();
    presentScreen();
    return waitForSpace(true);
}

bool showTextBox(bool escapeEnds) {
    int last = -1;
    for (int i = 0; i < textLineCount; ++i)
        if (!textLines[i].empty()) last = i;
    const int height = last < 0 ? 200 : 16 * last + 20;
    const int left = (screenWidth - boxWidth) / 2;
    const int top = (screenHeight - height) / 2;
    const int right = (boxWidth + screenWidth) / 2;
    const int bottom = (height + screenHeight) / 2;

    lockScreen();
    darkenBox(left, top, boxWidth, height);
    setColours(darkGreen);
    drawBox(left, top, right, bottom);
    drawLine(left, top + 2, right, top + 2);
    drawLine(left, top + 4, right, top + 4);
    setColours(yellow);
    for (int i = 0; i < textLineCount; ++i)
        if (!textLines[i].empty()) drawText(centredX(textLines[i]), top + 6 + 16 * i, textLines[i]);
    unlockScreen();
    presentScreen();
    return waitForSpace(escapeEnds);
}

// Halves every byte of the pixels from (left, top) to (left + width, top +
// height), both edges included; the part off the screen is skipped.
void darkenBox(int left, int top, int width, int height) {
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + width, screenWidth - 1);
    const int y1 = std::min(top + height, screenHeight - 1);
    std::uint32_t* frame = framePixels();
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            std::uint32_t& p = frame[y * screenWidth + x];
            p = (p >> 1) & 0x7F7F7F7Fu;
        }
}
