#include "world/pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "world/catalogue.h"
#include "world/game_state.h"

Image* pictures[pictureSlots];

namespace {

constexpr int editSize = 32;  // the rolls and the darkening work on 32 x 32 pictures only

// A second start-up in the same process (tests, the headless runner's restarts)
// refills the slots it finds instead of creating them again, so images stay
// created once per program.
void createSlots(int first, int last, int width, int height) {
    for (int slot = first; slot <= last; ++slot) {
        Image* image = pictures[slot];
        if (image && image->width == width && image->height == height) {
            for (int y = 0; y < height; ++y)
                std::fill_n(imageRow(image, y), image->pitch / 4, fillColour);
        } else {
            pictures[slot] = createImage(width, height, fillColour);
        }
    }
}

// A missing or unreadable file leaves the slot as it was; the status is not needed.
void loadInto(int slot, const char* fileName) {
    if (pictures[slot]) loadPicture(fileName, pictures[slot]);
}

// The folder may be a level's own, anywhere on the machine, so its name has no bound.
void loadFromFolder(int slot, const char* folder, const char* fileName) {
    loadInto(slot, (std::string(folder) + fileName).c_str());
}

// The slot's image when it is a 32 x 32 picture that may be edited in place.
Image* editable(int slot) {
    if (slot < 0 || slot >= pictureSlots) return nullptr;
    Image* image = pictures[slot];
    if (!image || image->width != editSize || image->height != editSize) return nullptr;
    return image;
}

struct MissionFile {
    int slot;
    const char* name;
};

// Loaded from the mission's folder at every mission start, in this order.
constexpr MissionFile missionFiles[] = {
    {20, "enemy\\walker_l1.bmp"},    {21, "enemy\\walker_r1.bmp"},   {22, "enemy\\flyer1.bmp"},
    {23, "enemy\\turret_r1.bmp"},    {24, "enemy\\turret_l1.bmp"},   {25, "enemy\\spikes.bmp"},
    {26, "enemy\\snake1.bmp"},       {30, "scene\\grass.bmp"},       {31, "scene\\block.bmp"},
    {33, "scene\\rocktop.bmp"},      {35, "scene\\destructable.bmp"}, {36, "scene\\dark_floor.bmp"},
    {37, "scene\\hbarrier2.bmp"},    {38, "scene\\gen1.bmp"},        {39, "scene\\gen3.bmp"},
    {40, "scene\\vgirder1.bmp"},     {41, "scene\\cavewall.bmp"},    {42, "scene\\plant1.bmp"},
    {43, "scene\\plant2.bmp"},       {44, "scene\\block.bmp"},       {45, "scene\\flow.bmp"},
    {50, "extra\\swan-l1.bmp"},      {51, "extra\\swan-l2.bmp"},     {52, "extra\\swan-r1.bmp"},
    {53, "extra\\swan-r2.bmp"},      {60, "collect\\key1.bmp"},      {61, "collect\\key2.bmp"},
    {64, "collect\\lock1.bmp"},      {65, "collect\\lock2.bmp"},     {70, "collect\\hostage1.bmp"},
};

}  // namespace

// Start-up only: creates every slot once (81 to 89 and 96 to 100 stay empty)
// and loads the pictures shared by both missions, plus mission 1's title tiles.
void createPictures() {
    createSlots(0, 0, 8, 8);
    loadInto(0, "gfx\\shot.bmp");
    createSlots(1, 15, 52, 64);
    char name[64];
    for (int n = 1; n <= 6; ++n) {
        std::snprintf(name, sizeof name, "gfx\\player\\right\\player_%d.bmp", n);
        loadInto(n, name);
    }
    for (int slot = 7; slot <= 12; ++slot) {
        std::snprintf(name, sizeof name, "gfx\\player\\left\\player_%d.bmp", slot - 6);
        loadInto(slot, name);
    }
    loadInto(13, "gfx\\player\\right\\crouch_1.bmp");
    loadInto(14, "gfx\\player\\left\\crouch_1.bmp");
    loadInto(15, "gfx\\player\\ball.bmp");
    createSlots(16, 16, 16, 16);
    loadInto(16, "gfx\\bomb.bmp");
    createSlots(17, 17, 16, 16);
    loadInto(17, "gfx\\streamer.bmp");
    createSlots(18, 19, 32, 32);
    loadInto(18, "gfx\\diamond.bmp");
    loadInto(19, "gfx\\diamond2.bmp");
    std::snprintf(game.levelFolder, sizeof game.levelFolder, "level1\\");
    createSlots(20, 37, 32, 32);
    createSlots(38, 39, 32, 64);
    createSlots(40, 59, 32, 32);
    loadInto(46, "gfx\\transporter.bmp");
    createSlots(60, 69, 32, 32);
    createSlots(70, 79, 32, 64);
    createSlots(80, 80, 8, 8);
    loadInto(80, "gfx\\blueshot.bmp");
    createSlots(90, 95, 16, 16);
    loadInto(90, "gfx\\square1.bmp");
    loadInto(91, "gfx\\square2.bmp");
    loadInto(92, "gfx\\dia_sml.bmp");
    loadFromFolder(30, game.levelFolder, "scene\\grass.bmp");
    loadFromFolder(31, game.levelFolder, "scene\\block.bmp");
    loadFromFolder(42, game.levelFolder, "scene\\plant1.bmp");
}

// Overwrites the per-mission slots from `levelFolder` ("level1\"...); files
// that are missing leave the previous mission's pixels.
void loadMissionPictures(const char* levelFolder) {
    for (const MissionFile& file : missionFiles) loadFromFolder(file.slot, levelFolder, file.name);
}

void rollPictureLeft(int slot) {
    Image* image = editable(slot);
    if (!image) return;
    for (int y = 0; y < editSize; ++y) {
        std::uint32_t* row = imageRow(image, y);
        const std::uint32_t first = row[0];
        std::memmove(row, row + 1, (editSize - 1) * sizeof *row);
        row[editSize - 1] = first;
    }
}

void rollPictureUp(int slot) {
    Image* image = editable(slot);
    if (!image) return;
    std::uint32_t saved[editSize];
    std::memcpy(saved, imageRow(image, 0), sizeof saved);
    for (int y = 0; y + 1 < editSize; ++y)
        std::memcpy(imageRow(image, y), imageRow(image, y + 1), sizeof saved);
    std::memcpy(imageRow(image, editSize - 1), saved, sizeof saved);
}

// Every byte of every pixel but the opaque mask colour is divided by four.
void darkenPicture(int slot) {
    Image* image = editable(slot);
    if (!image) return;
    for (int y = 0; y < editSize; ++y) {
        std::uint32_t* row = imageRow(image, y);
        for (int x = 0; x < editSize; ++x)
            if (row[x] != maskColour) row[x] = (row[x] >> 2) & 0x3F3F3F3Fu;
    }
}

void animatePictures() {
    rollPictureLeft(tileCode::spikes);
    rollPictureUp(tileCode::flow);
    rollPictureUp(tileCode::exitBeam);
}
