// What touching a cell means, the power check at the end of a frame and the
// mission objectives.
#include "play/pickups.h"

#include <cstdio>

#include "play/collide.h"
#include "play/player.h"
#include "world/catalogue.h"
#include "world/game_state.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

constexpr int hostageMessageFrames = 600;

// The message line shows capitals only, so the text is kept as it is shown.
void showMessage(int frames) {
    for (char* c = game.messageText; *c; ++c)
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    game.messageFrames = frames;
}

// Collected cells lose only their tile; block and overlay stay.
void clearTile(const Contact& c) {
    if (insideGrid(c.cellX, c.cellY)) mapCell(c.cellX, c.cellY).tile = 0;
}

void touch(const Contact& c) {
    switch (c.kind) {
    case contactKind::exitBeam:
        game.missionResult = missionCompleted;
        game.score += 100;
        break;
    case contactKind::crystal:
        if (player.power < maxPower) {
            player.power += 1;
            clearTile(c);
            game.score += 20;
        }
        break;
    case contactKind::hazard:
        player.hazardTicks += 1;
        if (player.hazardTicks >= hazardTicksPerPower) {
            player.power -= 1;
            player.hazardTicks = 0;
        }
        break;
    case contactKind::diamond:
        game.score += 10;
        player.diamonds += 1;
        clearTile(c);
        break;
    case contactKind::keyA:
        game.score += 10;
        unblockTile(tileCode::doorA);
        buildSolidList();
        darkenPicture(tileCode::doorA);
        clearTile(c);
        game.doorKeys[0] = 1;
        break;
    case contactKind::keyB:
        game.score += 10;
        unblockTile(tileCode::doorB);
        darkenPicture(tileCode::doorB);
        buildSolidList();
        clearTile(c);
        game.doorKeys[1] = 1;
        break;
    case contactKind::hostage: {
        game.score += 10;
        clearTile(c);
        const std::int32_t left = countTile(tileCode::hostage);
        if (left > 0) {
            std::snprintf(game.messageText, sizeof game.messageText,
                          "Hostage Rescued! %d more to find!", static_cast<int>(left));
            showMessage(hostageMessageFrames);
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace

// Frame step after the enemy pass: collision flags from the solid entries and
// the effect of every other touched entry, in list order (two touched cells of
// a kind count twice). Called once per frame by the frame loop.
void contactPass() {
    clearCollisionFlags();
    for (int i = 0; i <= contactLast; ++i) {
        const Contact& c = contacts[i];
        if (c.kind == contactKind::solid) {
            testSolidContact(c);
            continue;
        }
        if (cornerTest(c.screenX, c.screenY, playerScreenX, playerScreenY, tileBox, playerBox) != 0)
            touch(c);
    }
}

// Below zero fails the mission; the player survives at exactly 0.
void powerCheck() {
    if (player.power < 0) {
        player.power = 0;
        game.missionResult = missionFailed;
    }
}

bool objectiveCheck() {
    switch (game.missionNumber) {
    case 1:
        if (anyTile(tileCode::generator1) || anyTile(tileCode::generator3)) return false;
        clearTileEverywhere(tileCode::barrier);
        clearTileEverywhere(tileCode::flow);
        break;
    case 2:
        if (anyTile(tileCode::hostage)) return false;
        break;
    default:
        return false;
    }
    game.objectiveMet = 1;
    return true;
}
