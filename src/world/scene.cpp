// The camera, the scene's background with its contact list, the sky and the foreground layer.
#include <algorithm>
#include <cstdint>

#include "platform/platform.h"
#include "world/game_state.h"
#include "world/catalogue.h"
#include "world/pictures.h"

View view;
std::int32_t viewX = 0;
std::int32_t viewY = 0;
Contact contacts[contactCapacity];
std::int32_t contactLast = -1;

namespace {

// 17 rows x 22 columns cover the 640 x 480 screen for any offset -31..31.
constexpr int drawRows = 17;
constexpr int drawColumns = 22;
constexpr int skyRows = 23;

bool drawnOpaque(int code) { return code == tileCode::block || code == tileCode::barrier || code == tileCode::sceneryBlock; }

void drawSlot(int slot, int sx, int sy, DrawMode mode) {
    if (const Image* picture = pictures[slot]) drawImage(sx, sy, picture, mode);
}

// One pass over the visible cells: draws their tiles when asked and lists
// their contacts. Returns the last contact index (also kept in contactLast).
std::int32_t passVisibleCells(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX,
                              std::int32_t offsetY, bool draw) {
    int count = 0;
    for (int i = 0; i < drawRows; ++i) {
        for (int j = 0; j < drawColumns; ++j) {
            const int x = cellX + j, y = cellY + i;
            const int tile = cellAt(x, y).tile;
            if (tile == 0) continue;
            const int sx = offsetX - 32 + 32 * j, sy = -offsetY - 32 + 32 * i;
            if (draw) drawSlot(tile, sx, sy, drawnOpaque(tile) ? DrawMode::opaque : DrawMode::transparent);
            // The table holds one entry per drawing cell, so none is ever dropped.
            if (const int k = contactKindOf(tile)) contacts[count++] = Contact{x, y, sx, sy, k};
        }
    }
    return contactLast = count - 1;
}

}  // namespace

// Every code from grass to the generators is solid, the unused ones between included.
int contactKindOf(int code) {
    if (code >= tileCode::grass && code <= tileCode::generator3) return contactKind::solid;
    switch (code) {
        case tileCode::diamond: return contactKind::diamond;
        case tileCode::crystal: return contactKind::crystal;
        case tileCode::spikes:
        case tileCode::flow: return contactKind::hazard;
        case tileCode::exitBeam: return contactKind::exitBeam;
        case tileCode::keyA: return contactKind::keyA;
        case tileCode::keyB: return contactKind::keyB;
        case tileCode::hostage: return contactKind::hostage;
        case tileCode::doorA: return game.doorKeys[0] == 0 ? contactKind::solid : 0;
        case tileCode::doorB: return game.doorKeys[1] == 0 ? contactKind::solid : 0;
        default: return 0;
    }
}

void computeViewPosition() {
    viewX = 32 * view.cellX - view.offsetX;
    viewY = 32 * view.cellY + view.offsetY;
}

// Draws the frame's background (clear, sky, every visible tile) and rebuilds
// the contact list in drawing order; the screen must be locked. Cells outside
// the grid are empty. Returns the last contact index (also kept in contactLast).
std::int32_t drawBackground(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX,
                            std::int32_t offsetY) {
    clearScreen();
    drawSky(cellY, offsetY);
    return passVisibleCells(cellX, cellY, offsetX, offsetY, true);
}

std::int32_t listContacts(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX,
                          std::int32_t offsetY) {
    return passVisibleCells(cellX, cellY, offsetX, offsetY, false);
}

// Mission 1's sky: one band per map row 0..22, bright at the top and darker
// below, red until the objective is met and blue after. Rows above the map are
// drawn as bright as row 0 (the band value is limited to 255).
void drawSky(std::int32_t cellY, std::int32_t offsetY) {
    if (game.missionNumber != 1) return;
    for (int i = 0; i < skyRows; ++i) {
        const std::int64_t r = static_cast<std::int64_t>(cellY) + i;
        if (r >= skyRows) break;
        const auto v = static_cast<Colour>(std::min<std::int64_t>(255, 255 - 8 * r));
        const Colour colour = 0xFF000000u | (game.objectiveMet == 1 ? v : v << 16);
        setColours(colour);
        const int top = 32 * i - offsetY - 32;
        fillBox(0, top, 640, top + 32);
    }
}

// The foreground layer: every visible cell's overlay, drawn transparently over
// everything that moves. Builds no list.
void drawOverlay(std::int32_t cellX, std::int32_t cellY, std::int32_t offsetX, std::int32_t offsetY) {
    for (int i = 0; i < drawRows; ++i) {
        for (int j = 0; j < drawColumns; ++j) {
            const int overlay = cellAt(cellX + j, cellY + i).overlay;
            if (overlay == 0) continue;
            drawSlot(overlay, offsetX - 32 + 32 * j, -offsetY - 32 + 32 * i, DrawMode::transparent);
        }
    }
}

// Brings offsets of +-32 (one step past a cell edge) back into -31..31 by
// moving the view's cell; viewX and viewY stay as they were for this frame.
void normalizeView() {
    if (view.offsetY <= -32) {
        view.cellY -= 1;
        view.offsetY += 32;
    }
    if (view.offsetY >= 32) {
        view.cellY += 1;
        view.offsetY -= 32;
    }
    if (view.offsetX <= -32) {
        view.cellX += 1;
        view.offsetX += 32;
    }
    if (view.offsetX >= 32) {
        view.cellX -= 1;
        view.offsetX -= 32;
    }
}
