// Whole rules played end to end on tiny maps: each scenario is a map drawn in
// text, then steps of held keys for a number of frames, each followed by the
// state fields it expects (only the fields named are compared).
//
// Fields: dx dy   the player's move from the start, in pixels
//         power score dia result   as the head-up display and the game know them
//         fig     the figure's picture slot drawn (the slots are filled with their number)
//         shots bombs sparks   player shots, enemy shots and sparks in flight
//         solid   entries of the solid list;  msg  the message line, '_' for spaces
//         e0      enemy 0 as cellX,cellY,dirX,dirY,hitPoints
//         px      the screen pixel at (302, 322), over the figure; sky  the pixel at (10, 40)
//         @X,Y    the screen pixel at (X, Y)
//         ox oy   the view's offset in its cell;  e60  hit points of enemy entries 60 (the last in play) and 61
//         s0      spark 0 as active,vx,vy;  door  the first two pixels of door A's picture
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/player.h"
#include "play/weapons.h"
#include "shell/game.h"
#include "shell/text.h"
#include "support/test_support.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

struct Step {
    const char* keys;  // held for the whole step: left right up down z x
    int frames;
    const char* expect;
    void (*before)() = nullptr;  // a change of state before the step's frames
};

struct Scenario {
    const char* name;
    std::vector<std::string> map;
    std::vector<Step> steps;
    std::function<void()> setup = [] {};
};

int worldX() { return 32 * view.cellX - view.offsetX + playerScreenX; }
int worldY() { return 32 * view.cellY + view.offsetY + playerScreenY; }

// Figures in slots 1..14 are filled with their slot number, and so is the
// plant's front (43); sparks and shots (slot 0) are 0x0000C8.
void numberPictures() {
    static Image* numbered[15];
    static Image* plantFront = createImage(32, 32, 0xFF00002Bu);
    for (int slot = 0; slot <= 14; ++slot) {
        if (!numbered[slot])
            numbered[slot] = slot == 0 ? createImage(8, 8, 0xFF0000C8u)
                                       : createImage(52, 64, 0xFF000000u | static_cast<unsigned>(slot));
        pictures[slot] = numbered[slot];
    }
    std::fill_n(imageRow(plantFront, 0), 32 * 32, 0xFF00002Bu);  // a start-up may have refilled it
    pictures[43] = plantFront;
}

std::map<std::string, std::string> fields(int startX, int startY) {
    int shots = 0, bombs = 0, sparks = 0;
    for (const Shot& s : playerShots) shots += s.active != 0;
    for (const Shot& s : enemyShots) bombs += s.active != 0;
    for (const Particle& p : particles) sparks += p.active == 1;
    std::string msg = game.messageFrames > 0 ? game.messageText : "";
    for (char& c : msg) c = c == ' ' ? '_' : c;
    const Enemy& e = enemies[0];
    char e0[64], px[16], sky[16], s0[64], door[24];
    std::snprintf(s0, sizeof s0, "%d,%g,%g", particles[0].active, particles[0].vx, particles[0].vy);
    std::snprintf(door, sizeof door, "%08X,%08X", pictures[64] ? imageRow(pictures[64], 0)[0] : 0u,
                  pictures[64] ? imageRow(pictures[64], 0)[1] : 0u);
    std::snprintf(e0, sizeof e0, "%d,%d,%d,%d,%d", e.cellX, e.cellY, e.dirX, e.dirY, e.hitPoints);
    std::snprintf(px, sizeof px, "%06X", pixelAt(302, 322) & 0xFFFFFFu);
    std::snprintf(sky, sizeof sky, "%06X", pixelAt(10, 40) & 0xFFFFFFu);
    const int fig = static_cast<int>(pixelAt(playerScreenX + 20, playerScreenY + 40) & 0xFFu);
    auto n = [](int v) { return std::to_string(v); };
    return {{"dx", n(worldX() - startX)}, {"dy", n(worldY() - startY)}, {"power", n(player.power)},
            {"score", n(game.score)},      {"dia", n(player.diamonds)},     {"result", n(game.missionResult)},
            {"fig", n(fig)},               {"shots", n(shots)},             {"bombs", n(bombs)},
            {"sparks", n(sparks)},         {"solid", n(solidLast + 1)},     {"msg", msg},
            {"e0", e0},                    {"px", px},                      {"sky", sky},
            {"ox", n(view.offsetX)},       {"oy", n(view.offsetY)},         {"s0", s0},
            {"door", door},       {"e60", n(enemies[60].hitPoints) + "," + n(enemies[61].hitPoints)}};
}

// The codes a PC keyboard sends, written out rather than taken from the game,
// so that a wrongly numbered key shows.
void hold(const std::string& keys) {
    static const std::map<std::string, int> codes{{"left", 75}, {"right", 77}, {"up", 72},
                                                  {"down", 80}, {"z", 44},     {"x", 45}};
    clearKeys();
    std::istringstream words(keys);
    for (std::string w; words >> w;) keyDown(codes.at(w));
}

// Checks only the fields `expect` names; on a mismatch shows every field.
void check(const Scenario& s, int step, const std::string& expect, const std::map<std::string, std::string>& got) {
    std::istringstream words(expect);
    std::string all;
    for (const auto& [k, v] : got) all += k + "=" + v + " ";
    for (std::string w; words >> w;) {
        const auto eq = w.find('=');
        const std::string name = w.substr(0, eq);
        char hex[16] = "?";
        int x, y;
        if (std::sscanf(name.c_str(), "@%d,%d", &x, &y) == 2)
            std::snprintf(hex, sizeof hex, "%06X", pixelAt(x, y) & 0xFFFFFFu);
        const std::string value = name[0] == '@' ? hex : got.at(name);
        EXPECT_EQ(value, w.substr(eq + 1)) << s.name << ", step " << step << ", " << name << ": " << all;
    }
}

// A mission 1 on the scenario's map, started, its objective counted as met so
// that a map without generators plays on.
void play(const Scenario& s) {
    const std::string folder = testTempFolder();
    freshGame();
    seedRandom(1);
    numberPictures();
    setDataFolder(folder.c_str());
    writeMission(folder, 1, s.map);
    view.offsetX = view.offsetY = 7;  // as a mission ended mid-jump leaves the view
    startMission();
    beginPlay();
    game.objectiveMet = 1;
    computeViewPosition();
    const int startX = worldX(), startY = worldY();
    s.setup();
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
        if (s.steps[i].before) s.steps[i].before();
        hold(s.steps[i].keys);
        for (int f = 0; f < s.steps[i].frames; ++f) playFrame(sampleFrameInput(), Drawing::on);
        check(s, static_cast<int>(i + 1), s.steps[i].expect, fields(startX, startY));
    }
}

Shot enemyShotAt(int screenX, int screenY, int kind) { return Shot{1, viewX + screenX, viewY + screenY, 0, 0, 500, kind}; }

// An open room `rows` high and 12 wide on a floor, the player at (10, 10)
// and a plant at (1, plantRow).
std::vector<std::string> openRoom(int rows, int plantRow) {
    std::vector<std::string> m(rows, std::string(12, '.'));
    m[plantRow][1] = 'p', m[10][10] = 'P';
    m.push_back(std::string(12, '#'));
    return m;
}

// The usual stage: `row` under `openAbove` open rows and over one, on a floor as wide.
std::vector<std::string> onFloor(const std::string& row, std::size_t openAbove = 1) {
    const std::string open(row.size(), '.');
    std::vector<std::string> m(openAbove, open);
    m.insert(m.end(), {row, open, std::string(row.size(), '#')});
    return m;
}

const std::vector<Scenario> scenarios = {
    {"walls stop the walk on both sides, at the first pixel",
     {"#.........#",
      "#....P....#",
      "#.........#",
      "###########"},
     {{"right", 16, "dx=32 ox=0"}, {"right", 200, "dx=108 dy=0"}, {"left", 200, "dx=-128"}}},
    {"a jump rises 112 pixels in 56 frames and lands on the floor",
     onFloor(".....P.....", 4),
     {{"up", 1, "dy=-2"}, {"", 55, "dy=-112"}, {"", 1, "dy=-112"}, {"", 56, "dy=0"}, {"", 10, "dy=0"}}},
    {"a ceiling two cells up cuts the rise; one right above the head stops the take-off",
     {"...........",
      "###########",
      "...........",
      "...........",
      ".....P.....",
      "...........",
      "###########"},
     {{"up", 1, "dy=-2"}, {"", 31, "dy=-64"}, {"", 1, "dy=-62"}, {"", 40, "dy=0"}}},
    {"no take-off under a ceiling",
     {"###########",
      ".....P.....",
      "...........",
      "###########"},
     {{"up", 20, "dy=0"}}},
    {"a hazard takes one power every 100 frames it is touched",
     {"...........",
      ".....P.....",
      ".....w.....",
      "###########"},
     {{"", 99, "power=4"}, {"", 1, "power=3"}, {"", 100, "power=2"}}},
    {"key B does not open door A: the player and the shots stop at it",
     {"............",
      ".....PK..l..",
      ".........l..",
      "############"},
     {{"right", 100, "dx=76 score=10"}, {"z", 1, "shots=1"}, {"", 30, "shots=0"}}},
    {"key A opens door A for the player and the shots, in the map's top row too",
     {".....Pk..l...#",
      ".........l...#",
      "##############"},
     {{"right", 200, "dx=204 score=10 door=FFFF00FF,3F20203F"}, {"left z", 1, "shots=1"}, {"", 30, "shots=1"}},
     [] {  // a door picture whose first pixel is the see-through colour
         static Image* door = createImage(32, 32, 0);
         std::fill_n(imageRow(door, 0), 32, 0xFF8080FFu);
         imageRow(door, 0)[0] = 0xFFFF00FFu;
         pictures[64] = door;
     }},
    {"a key taken opens its door to shots in the same frame",
     onFloor(".....Pk..l.."),
     {{"", 1, "shots=1"}},
     [] { playerShots[0] = Shot{1, 32 * 9 - 32 + 10, 10, 0, 0, 200, 0}; }},
    {"key A does not open door B",
     {"............",
      ".....Pk..L..",
      ".........L..",
      "############"},
     {{"right", 100, "dx=76 score=10"}}},
    {"the beam meeting door A in the frame its key is taken leaves it open to shots",
     {"................",
      ".....Pk..l..K...",
      ".........l......",
      "################"},
     // Key B rebuilds the solid list.
     {{"x", 1, "score=10"}, {"right", 150, "score=20"}, {"left z", 1, "shots=1"}, {"", 30, "shots=1"}},
     [] { player.diamonds = 5; }},
    {"the generators broken, shots fly through where the barrier stood",
     {"..............",
      ".....P...B....",
      ".........B....",
      "##############"},
     {{"", 1, "result=0 solid=14"}, {"z", 1, "shots=1", [] { resetQuit(); }}, {"", 60, "shots=1"}},
     [] { game.objectiveMet = 0, requestQuit(); }},  // a quit request closes the objective's text box at once
    {"a hostage leaves a message for 600 frames while others are left, the last none",
     onFloor(".....Ph.h..."),
     {{"", 599, "score=10 msg=HOSTAGE_RESCUED!_1_MORE_TO_FIND!"}, {"", 1, "msg="},
      {"right", 40, "score=20 msg="}}},
    {"a crystal at full power stays",
     onFloor(".....Pc...."),
     {{"", 5, "power=4 score=0"}}},
    {"the exit beam ends the mission, each touched beam cell scoring 100",
     {"...........",
      ".....P.....",
      "...........",
      "#####b#####",
      "###########"},
     {{"", 1, "result=2 score=200"}},
     [] { placeExitBeam(); }},
    {"the exit beam stops at the first cell that is not passable, a breakable one too",
     {".....b.....",
      ".....P.....",
      "...........",
      "###########"},
     {{"", 1, "result=0 score=0"}},
     [] { placeExitBeam(); }},
    {"a map wider than the grid keeps columns 0 to 200; the walk off its left edge meets nothing of the row above",
     {std::string(200, '.') + "##",
      ".....P" + std::string(133, '.') + std::string(62, 'T') + ".",
      std::string(202, '.'),
      std::string(202, '#')},
     {{"", 1, "solid=202 e60=5,0"}, {"left", 100, "dx=-200"}}},
    {"a map without a start marker begins on whole cells, whatever view the last mission left",
     onFloor("...........", 0),
     {{"", 0, "ox=0 oy=0"}}},
    {"the sky above the map is as bright as its top row (blue: the objective is met)",
     onFloor(".....P.....", 0),
     {{"", 1, "sky=0000FF"}}},
    {"a plant's front covers the player, from the first frame the briefing is shown over",
     {".....P.....",
      ".....p.....",
      "###########"},
     {{"", 0, "px=00002B @302,351=00002B"}, {"", 1, "px=00002B"}}},
    {"a plant's front in the first drawing row shows while the view rises into that row",
     openRoom(12, 0),
     {{"up", 1, ""}, {"", 14, "dy=-30 @2,28=00002B"}}},
    {"a plant's front in the last drawing row shows while the view sinks into that row",
     openRoom(18, 16),
     {{"", 15, "dy=30 @2,452=00002B"}}},
    {"a screen full of solid cells holds the player where he stands",
     [] {
         std::vector<std::string> m(18, std::string(22, '#'));
         m[10][10] = 'P';
         return m;
     }(),
     {{"right up", 10, "dx=0 dy=0 ox=0 oy=0"}}},
    {"power 0 plays on",
     onFloor(".....P.....", 0),
     {{"", 1, "result=0 power=0"}},
     [] { player.power = 0; }},
    {"power below 0 fails the mission",
     onFloor(".....P.....", 0),
     {{"", 1, "result=1 power=0"}},
     [] { player.power = -1; }},
    {"the pickup test: a cell inside the player's width counts when only its corners touch",
     {".....d.....",
      "...........",
      ".....P.....",
      "...........",
      "###########"},
     {{"left", 1, "dx=-2"}, {"up", 1, ""}, {"", 60, "score=10 dia=1"}}},
    {"the beam breaks a generator in three frames and spends a diamond every 21",
     onFloor(".....P..G.."),
     {{"x", 2, "solid=12"}, {"x", 1, "solid=11 sparks=7"}, {"x", 17, "dia=5"}, {"x", 1, "dia=4"}, {"x", 20, "dia=4"}, {"x", 1, "dia=3"}},
     [] { player.diamonds = 5; }},
    {"the beam's segments are placed by rounding: 2 degrees down its last one still meets the block",
     onFloor(".....P.....b.."),
     {{"right", 2, "dx=4"}, {"x", 1, "solid=15 sparks=0"}, {"x right", 1, ""}, {"x", 1, "solid=14 sparks=7"}},
     [] { player.diamonds = 5; }},
    {"a shot bursting on a wall while the beam is on: the solid pass draws its random numbers first",
     onFloor(".....P......#"),
     {{"z", 1, "shots=1"}, {"x", 50, "shots=0 sparks=6 s0=0,0.974753,-0.223287"}},
     [] { player.diamonds = 5; }},
    {"no beam without diamonds, but the drain runs on: a diamond taken after 15 frames goes on its 6th",
     onFloor(".....P..G.."),
     {{"x", 15, "dia=0 solid=12"}, {"x", 5, "dia=1", [] { player.diamonds = 1; }}, {"x", 1, "dia=0"}}},
    {"no beam in mid-air: X held through a jump spends no diamonds",
     onFloor(".....P..G.."),
     {{"up", 1, "dy=-2"}, {"up x", 30, "dia=5 solid=12 sparks=0"}},
     [] { player.diamonds = 5; }},
    {"the beam steered left past straight up turns the figure to face left",
     onFloor(".....P....."),
     {{"x", 1, ""}, {"x left", 45, "fig=3"}, {"x left", 1, "fig=9"}}},
    {"a walker turns where its ledge ends",
     {"..........................................",
      ".....P.................W..................",
      "....................####..................",
      "##########################################"},
     {{"", 100, "e0=22,1,-1,0,3"}, {"", 300, "e0=23,1,-1,0,3"}}},
    {"a snake in a box turns a quarter clockwise at each wall, crossing a cell in 64 frames",
     {"...........................#####",
      ".....P.....................#S..#",
      "...........................#...#",
      "################################"},
     {{"", 100, "e0=29,1,1,0,20"}, {"", 91, "e0=30,2,0,1,20"}, {"", 9, "e0=30,2,-1,0,20"},
      {"", 181, "e0=28,2,0,-1,20"}, {"", 19, "e0=28,1,1,0,20"}}},
    {"a turret with a wall on its left faces right",
     {"..............................#T",
      ".....P..........................",
      "................................",
      "################################"},
     {{"", 1, "e0=31,0,1,0,5"}}},
    {"shots take a turret's five hit points, a point each",
     onFloor(".....P....T"),
     {{"z", 100, "e0=10,1,-1,0,0 score=5"}}},
    {"an enemy whose square starts at the screen's right edge holds its fire",
     onFloor(".....P.........T"),
     {{"", 400, "bombs=0 power=4 e0=15,1,-1,0,5"}}},
    {"the beam takes an enemy's hit point every frame it meets it, the first enemy too",
     onFloor(".....P..T.."),
     {{"x", 1, "e0=8,1,-1,0,4 score=1"}},
     [] { player.diamonds = 5; }},
    {"the enemy shot table holds 21: a full one takes no more",
     onFloor(".....P....T"),
     {{"", 400, "bombs=21"}},
     [] {
         for (int k = 0; k < shotCount; ++k) enemyShots[k] = enemyShotAt(20 + 8 * k, 40, 1);
     }},
    {"a snake fires up into an open cell; its blue shot stops with its centre in the ceiling",
     {"....#......",
      "...........",
      "...#S#P....",
      "...###.....",
      "###########"},
     {{"", 1, "bombs=1"}, {"", 22, "bombs=1", [] { enemies[0].fireThreshold = 1000; }}, {"", 1, "bombs=0"}},
     [] { enemies[0].fireThreshold = -1; }},
    {"a snake takes no harm from shots",
     onFloor(".....P...S."),
     {{"z", 60, "e0=9,1,1,0,20 score=0"}}},
    {"a shot lives 200 frames; holding fire shoots every 16th frame",
     onFloor(".....P....."),
     {{"z", 1, "shots=1 @340,303=0000C8"}, {"", 198, "shots=1"}, {"", 1, "shots=0"}, {"z", 31, "shots=1"}, {"z", 1, "shots=2"}}},
    {"enemy shots flying sideways age, bombs do not",
     onFloor(".....P.....", 0),
     {{"", 3, "bombs=2"}, {"", 1, "bombs=1"}},
     [] {
         enemyShots[0] = Shot{1, viewX + 600, viewY + 100, 1, 0, 3, 0};
         enemyShots[1] = Shot{1, viewX + 20, viewY - 200, 0, 0, 3, 1};
     }},
    {"a bomb hits with its own box, 4 pixels lower than a shot's",
     onFloor(".....P.....", 0),
     {{"", 1, "power=3 bombs=1"}},
     [] {
         enemyShots[0] = enemyShotAt(300, playerScreenY - 7, 1);
         enemyShots[1] = enemyShotAt(320, playerScreenY - 7, 0);
     }},
    {"sparks are drawn over the player",
     onFloor(".....P.....", 0),
     {{"", 1, "px=0000C8"}, {"", 31, "sparks=1"}, {"", 1, "sparks=0"}},
     [] { particles[0] = Particle{1, 0, sparkLifetime, viewX + 300.0, viewY + 320.0, 0, 0, 0}; }},
    {"a spark falling on the floor bounces up",
     onFloor(".....P.....", 0),
     {{"", 10, "s0=1,0,-1"}},
     [] { particles[0] = Particle{1, 0, sparkLifetime, 5.0, 20.0, 0, 1, 0}; }},
    {"walking steps the figure every 11 frames; standing shows a rest pose",
     onFloor(".....P............"),
     {{"right", 11, "fig=2"}, {"right", 22, "fig=4"}, {"", 1, "fig=6"}, {"down", 1, "fig=13"}}},
};

// The test's name: the scenario's title in letters, digits and underscores.
std::string nameOf(const char* title) {
    std::string name;
    for (const char* c = title; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name;
}

// One scenario as a test of its own, so each passes or fails alone.
class ScenarioCase : public GameTest {
public:
    explicit ScenarioCase(std::size_t index) : index_(index) {}
    void TestBody() override { play(scenarios[index_]); }

private:
    std::size_t index_;
};

// Every scenario registered as Scenario.<its title>.
const bool scenariosRegistered = [] {
    for (std::size_t i = 0; i < scenarios.size(); ++i)
        ::testing::RegisterTest("Scenario", nameOf(scenarios[i].name).c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                [i]() -> GameTest* { return new ScenarioCase(i); });
    return true;
}();

using ScenarioTest = GameTest;

// A mission text keeps its first 21 lines, the box's whole table.
TEST_F(ScenarioTest, MissionTextsFillTheTable) {
    const std::string folder = testTempFolder();
    freshGame();
    setDataFolder(folder.c_str());
    std::filesystem::create_directories(folder + "/level1");
    std::ofstream text(folder + "/level1/mission.txt", std::ios::binary);
    for (int i = 1; i <= 22; ++i) text << "line " << i << "\r\n";
    text.close();
    loadMissionText("mission.txt");
    EXPECT_EQ(textLines[0], "line 1");
    EXPECT_EQ(textLines[textLineCount - 1], "line 21");
}

}  // namespace

// A level under test: its own map, its own texts where it has them, and
// otherwise a generic text naming the objective, never the stock mission's.
TEST_F(ScenarioTest, LevelUnderTestKeepsToItsOwnFiles) {
    auto text = [](const char* name) {
        loadMissionText(name);
        std::string all;
        for (const auto& line : textLines) all += line + "\n";
        return all;
    };
    const std::string folder = testTempFolder();
    freshGame();
    setDataFolder(folder.c_str());
    writeMission(folder, 1, {"..P..", ".....", "#####"});  // the stock mission: 5 cells wide
    writeMission(folder + "/mine", 1, {"...P...", ".......", "#######"});
    std::ofstream(folder + "/level1/mission.txt") << "STOCK BRIEFING\n";
    std::ofstream(folder + "/level1/update.txt") << "STOCK UPDATE\n";
    std::ofstream(folder + "/mine/level1/mission.txt") << "My own briefing\n";

    MissionSource source;
    source.mapFile = folder + "/mine/level1/map.bmp";
    source.folder = folder + "/mine/level1/";
    setMissionSource(&source);
    game.missionNumber = 1;
    startMission();
    EXPECT_EQ(mapWidth, 7);
    loadMissionText("mission.txt");
    EXPECT_EQ(textLines[0], "My own briefing");
    for (int rules : {1, 2}) {
        game.missionNumber = rules;
        for (const char* name : {"update.txt", "complete.txt"}) {
            const std::string all = text(name);
            EXPECT_EQ(all.find("STOCK"), std::string::npos) << all;
            EXPECT_EQ(all.find("Error"), std::string::npos) << all;
        }
    }
    source.folder.clear();  // a bare map: every text generic, naming the objective
    for (int rules : {1, 2}) {
        game.missionNumber = rules;
        const std::string all = text("mission.txt");
        EXPECT_NE(all.find(rules == 1 ? "generator" : "hostage"), std::string::npos) << all;
        EXPECT_EQ(all.find("STOCK"), std::string::npos) << all;
    }
}

// Without any picture file every slot is its catalogue size in the light green
// fill; a second start-up in the same process refills what the first left.
TEST_F(ScenarioTest, PicturesWithoutFilesAreLightGreenAtTheirSizes) {
    struct Slots {
        int first, last, width, height;  // width 0: never created
    };
    const Slots catalogue[] = {{0, 0, 8, 8},       {1, 15, 52, 64}, {16, 17, 16, 16}, {18, 37, 32, 32},
                               {38, 39, 32, 64},   {40, 69, 32, 32}, {70, 79, 32, 64}, {80, 80, 8, 8},
                               {81, 89, 0, 0},     {90, 95, 16, 16}, {96, 100, 0, 0}};
    const std::string folder = testTempFolder();
    std::fill_n(pictures, pictureSlots, nullptr);  // the fixture puts the slots back
    setDataFolder(folder.c_str());
    for (int round = 1; round <= 2; ++round) {
        createPictures();
        for (const Slots& s : catalogue)
            for (int slot = s.first; slot <= s.last; ++slot) {
                Image* p = pictures[slot];
                ASSERT_EQ(p != nullptr, s.width > 0) << "slot " << slot;
                if (!p) continue;
                int green = 0;
                for (int y = 0; y < p->height; ++y) {
                    green += static_cast<int>(std::count(imageRow(p, y), imageRow(p, y) + p->width, 0xFF64FF64u));
                    std::fill_n(imageRow(p, y), p->width, 0u);  // as a game's pictures would be left
                }
                EXPECT_EQ(p->width, s.width) << "slot " << slot;
                EXPECT_EQ(p->height, s.height) << "slot " << slot;
                EXPECT_EQ(green, s.width * s.height) << "slot " << slot << ", start-up " << round;
            }
    }
}
