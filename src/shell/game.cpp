#include "shell/game.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/pickups.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/hud.h"
#include "shell/text.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {
GameEventHook eventHook = nullptr;
void* eventUser = nullptr;

// Where the game and new missions come from, shown on the title and final
// screens; the project has no web address, so this names what the README calls it.
constexpr const char* makerAddress = "the Brastor source repository";

void setLevelFolder() {
    std::snprintf(game.levelFolder, sizeof game.levelFolder, "level%d\\", game.missionNumber);
}

void fillTitleLines() {
    clearTextLines();
    textLines[0] = "Brastor";
    textLines[1] = "<- Preview 3 ->";
    textLines[2] = "by Tevmor";
    textLines[4] = "Controls";
    textLines[5] = "Arrows  - Move";
    textLines[6] = "[z] - Fire";
    textLines[7] = "[x] - Streamer (direct with left+right)";
    textLines[9] = "High Score: " + std::to_string(game.highScore);
    textLines[12] = "[Space] to Start [Escape] to Quit";
    textLines[13] = std::string("Home: ") + makerAddress;
}

void fillFinalLines() {
    clearTextLines();
    const bool best = game.score > game.highScore;
    if (game.missionResult == missionFailed) {
        textLines[0] = "Mission " + std::to_string(game.missionNumber) + " Failed";
        textLines[2] = "Final Score: " + std::to_string(game.score);
        if (best) textLines[4] = "New High Score!";
    } else {
        textLines[0] = "All Missions Completed!";
        textLines[2] = "Final Score: " + std::to_string(game.score);
        if (best) textLines[3] = "New High Score!";
        textLines[5] = "Thanks for playing!";
        textLines[6] = std::string("Check out ") + makerAddress + " for further missions!";
    }
}

// The level test's result box, shown after every end of its mission.
void fillLevelResultLines() {
    clearTextLines();
    textLines[0] = game.missionResult == missionFailed ? "Level Failed" : "Level Completed";
    textLines[2] = "Score: " + std::to_string(game.score);
    if (game.score > game.highScore) textLines[3] = "New High Score!";
    textLines[5] = "[Space] to play it again";
}

// The level's last frame drawn again, so that the result box goes over the
// level rather than over the box of complete.txt shown before it. The player's
// record is kept as it was: drawing it steps its walk picture.
void redrawLastFrame() {
    const PlayerState kept = player;
    lockScreen();
    drawBackground(view.cellX, view.cellY, view.offsetX, view.offsetY);
    drawPlayer();
    drawOverlay(view.cellX, view.cellY, view.offsetX, view.offsetY);
    drawHud();
    unlockScreen();
    player = kept;
}

// The level test: the same map from its briefing, again and again.
int levelLoop() {
    for (;;) {
        game.missionNumber = missionSource()->rules;
        game.score = 0;
        if (playMission(true) == 0) break;
        if (game.missionResult == missionCompleted) redrawLastFrame();
        fillLevelResultLines();
        emitGameEvent(GameEvent::finalScreen);
        if (!showTextBox()) break;
        if (game.score > game.highScore) game.highScore = game.score;
    }
    emitGameEvent(GameEvent::programEnd);
    return 0;
}
}  // namespace

void setGameEventHook(GameEventHook hook, void* user) {
    eventHook = hook;
    eventUser = user;
}

void emitGameEvent(GameEvent event) {
    if (eventHook) eventHook(event, eventUser);
}

void resetGameState() {
    std::memset(&game, 0, sizeof game);
    game.missionNumber = 1;
    setLevelFolder();
    std::memset(particles, 0, sizeof particles);
    std::memset(&mapGrid, 0, sizeof mapGrid);
    mapWidth = mapHeight = 0;
    view = View{};
    std::memset(enemies, 0, sizeof enemies);
    std::memset(playerShots, 0, sizeof playerShots);
    std::memset(enemyShots, 0, sizeof enemyShots);
    solidLast = -1;
    contactLast = -1;
    resetPlayerAtProgramStart();
}

void startUp(double seed) {
    seedRandom(seed < 0 ? clockSeconds() : seed);
    resetGameState();
    setScreenMode(screenWidth, screenHeight, 32);
    createPictures();
}

void resetMissionState() {
    for (auto& k : game.doorKeys) k = 0;
    player.power = 4;
    player.diamonds = 0;
    player.hazardTicks = 0;
    player.jumpLeft = 0;
    game.objectiveMet = 0;
    resetEnemies();
}

void startMission() {
    resetMissionState();
    const MissionSource* source = missionSource();
    if (source)
        loadLevelMapFile(source->mapFile.c_str());
    else
        loadLevelMap(game.missionNumber);
    setLevelFolder();
    loadMissionPictures(game.levelFolder);
    // A level's own pictures go over the stock ones, so what it lacks stays stock.
    if (source && !source->folder.empty()) loadMissionPictures(source->folder.c_str());
    lockScreen();
    setColours(std::nullopt, 0xFF000000u);
    clearScreen();
    drawBackground(view.cellX, view.cellY, view.offsetX, view.offsetY);
    drawOverlay(view.cellX, view.cellY, view.offsetX, view.offsetY);
    unlockScreen();
}

void beginPlay() {
    game.missionResult = 0;
    view.offsetX = 0;
    view.offsetY = 0;
    player.streamerDrain = 20;
    buildSolidList();
}

FrameInput sampleFrameInput() {
    FrameInput input{};
    input.player.left = keyHeld(scan::left);
    input.player.right = keyHeld(scan::right);
    input.player.up = keyHeld(scan::up);
    input.player.down = keyHeld(scan::down);
    input.player.fire = keyHeld(scan::z);
    input.player.beam = keyHeld(scan::x);
    input.giveUp = keyHeld(scan::escape);
    input.screenshot = readTypedKey() == "h";
    return input;
}

// The frame's steps in their fixed order. Without drawing, only what is drawn
// or shown (the screenshot, the objective's text box) is left out.
int playFrame(const FrameInput& input, Drawing drawing) {
    const bool draw = drawing == Drawing::on;
    choosePlayerBox();
    if (draw) {
        lockScreen();
        drawBackground(view.cellX, view.cellY, view.offsetX, view.offsetY);
    } else {
        listContacts(view.cellX, view.cellY, view.offsetX, view.offsetY);
    }
    computeViewPosition();
    enemyPass(viewX, viewY, draw);
    contactPass();
    solidPass();
    applyPlayerInput(input.player);
    fireStep(input.player.fire);
    streamerStep(input.player.beam);
    if (draw) drawBeam();
    if (input.giveUp) game.missionResult = missionFailed;
    jumpRise();
    updatePlayerShots(viewX, viewY, draw);
    updateEnemyShots(viewX, viewY, draw);
    applyGravity();
    normalizeView();
    settleWalkFrame();
    if (draw) drawPlayer();
    updateParticles(viewX, viewY, draw);
    if (draw) {
        drawOverlay(view.cellX, view.cellY, view.offsetX, view.offsetY);
        drawHud();
        if (input.screenshot) {
            saveScreen("screen.bmp");
            emitGameEvent(GameEvent::screenshot);
        }
    }
    if (game.messageText[0] != '\0' && game.messageFrames > 0) {
        if (draw) drawMessage(game.messageText, 40);
        game.messageFrames -= 1;
    }
    powerCheck();
    if (draw) unlockScreen();
    if (game.objectiveMet == 0 && objectiveCheck()) {
        emitGameEvent(GameEvent::objectiveMet);
        if (draw) {
            loadMissionText("update.txt");
            showTextBox();
        }
        placeExitBeam();
    }
    animatePictures();
    game.frameCount += 1;
    emitGameEvent(GameEvent::frameEnd);
    return game.missionResult;
}

int playMission(bool escapeQuits) {
    startMission();
    emitGameEvent(GameEvent::missionStart);
    loadMissionText("mission.txt");
    if (!showTextBox(escapeQuits)) return 0;
    beginPlay();
    do {
        playFrame(sampleFrameInput(), Drawing::on);
        sleepMs(15);
        if (quitRequested()) return 0;
    } while (game.missionResult == 0);
    emitGameEvent(GameEvent::missionEnd);
    if (game.missionResult == missionCompleted) {
        loadMissionText("complete.txt");
        if (!showTextBox()) return 0;
    }
    return game.missionResult;
}

int missionLoop() {
    for (;;) {
        const int result = playMission(false);
        if (result == missionCompleted && game.missionNumber < missionCount) {
            game.missionNumber += 1;
            game.missionResult = 0;
            continue;
        }
        return result;
    }
}

int gameLoop() {
    if (const MissionSource* source = missionSource(); source && !source->fromTitle) return levelLoop();
    for (;;) {
        fillTitleLines();
        emitGameEvent(GameEvent::titleShown);
        if (!showTitleScreen()) break;
        game.missionNumber = 1;
        game.score = 0;
        if (missionLoop() == 0) break;  // the platform quit mid-game
        fillFinalLines();
        emitGameEvent(GameEvent::finalScreen);
        if (!showTextBox()) break;
        if (game.score > game.highScore) game.highScore = game.score;
    }
    emitGameEvent(GameEvent::programEnd);
    return 0;
}

int runGame(double seed) {
    startUp(seed);
    return gameLoop();
}
