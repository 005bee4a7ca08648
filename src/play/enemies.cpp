// The enemy pass: movement and turning, firing, drawing and hits by player shots.
#include "play/enemies.h"

#include "platform/platform.h"
#include "play/collide.h"
#include "play/particles.h"
#include "play/weapons.h"
#include "world/game_state.h"
#include "world/pictures.h"
#include "world/world.h"

namespace {

constexpr int walkerLeftPicture = 20;
constexpr int walkerRightPicture = 21;
constexpr int swanLeftPicture = 50;
constexpr int swanRightPicture = 52;
constexpr int swanHitPoints = 1000;

// Walker and swan: turn at a wall ahead or where the floor ahead ends.
bool walkerMustTurn(const Enemy& e) {
    return !cellOpen(e.cellX + e.dirX, e.cellY) || cellOpen(e.cellX + e.dirX, e.cellY + 1);
}

void decide(Enemy& e) {
    switch (e.type) {
    case enemyType::walker:
        if (walkerMustTurn(e)) {
            e.dirX = -e.dirX;
            e.picture = e.dirX == 1 ? walkerRightPicture : walkerLeftPicture;
        }
        break;
    case enemyType::flyer:
        if (!cellOpen(e.cellX + e.dirX, e.cellY)) e.dirX = -e.dirX;
        break;
    case enemyType::snake:
        // One clockwise quarter turn at most; the snake then moves on even
        // into a closed cell.
        if (!cellOpen(e.cellX + e.dirX, e.cellY + e.dirY)) {
            e.turnStep = (e.turnStep >= 1 && e.turnStep < 4) ? e.turnStep + 1 : 1;
            static constexpr int turnX[4] = {1, 0, -1, 0};
            static constexpr int turnY[4] = {0, 1, 0, -1};
            e.dirX = turnX[e.turnStep - 1];
            e.dirY = turnY[e.turnStep - 1];
        }
        break;
    case enemyType::swan:
        if (walkerMustTurn(e)) e.dirX = -e.dirX;
        break;
    default:  // turrets stand still
        break;
    }
}

void fire(const Enemy& e) {
    switch (e.type) {
    case enemyType::walker:
    case enemyType::turret:
        fireEnemyShot(e.posX, e.posY, e.dirX, 0, 0);
        break;
    case enemyType::flyer:
        if (cellOpen(e.cellX, e.cellY + 1)) fireEnemyShot(e.posX, e.posY, 0, 1, 1);
        break;
    case enemyType::snake:
        if (cellOpen(e.cellX + 1, e.cellY)) fireEnemyShot(e.posX, e.posY, 1, 0, 0);
        if (cellOpen(e.cellX, e.cellY + 1)) fireEnemyShot(e.posX, e.posY, 0, 1, 0);
        if (cellOpen(e.cellX - 1, e.cellY)) fireEnemyShot(e.posX, e.posY, -1, 0, 0);
        if (cellOpen(e.cellX, e.cellY - 1)) fireEnemyShot(e.posX, e.posY, 0, -1, 0);
        break;
    default:  // swans never fire
        break;
    }
}

void move(Enemy& e) {
    e.stepX -= e.dirX;
    e.stepY -= e.dirY;
    e.posX += e.dirX;
    e.posY += e.dirY;
    if (e.stepX <= -32) {
        e.stepX = 0;
        e.cellX += 1;
    }
    if (e.stepX >= 32) {
        e.stepX = 0;
        e.cellX -= 1;
    }
    if (e.stepY <= -32) {
        e.stepY = 0;
        e.cellY += 1;
    }
    if (e.stepY >= 32) {
        e.stepY = 0;
        e.cellY -= 1;
    }
}

}  // namespace

// Cells outside the 201 x 201 grid are closed, so no enemy reads past it.
bool cellOpen(int x, int y) { return insideGrid(x, y) && mapCell(x, y).block == 0; }

// One enemy's action, every second frame; (sx, sy) is its reference point on
// the screen. Every acting enemy on the screen draws exactly one random number,
// swans included (they draw it and do nothing with it), so the random sequence
// does not depend on which types are about.
void updateEnemy(int index, std::int32_t sx, std::int32_t sy) {
    Enemy& e = enemies[index];
    e.tick = 1 - e.tick;
    if (e.tick == 0) return;

    if (e.stepX == 0 && e.stepY == 0) decide(e);

    if (e.type == enemyType::swan) {
        e.hitPoints = swanHitPoints;
        const int step = e.stepX < 0 ? -e.stepX : e.stepX;
        if (step == 0 || step == 8 || step == 16 || step == 24) {
            e.picture = (e.dirX == 1 ? swanRightPicture : swanLeftPicture) + e.animFrame;
            e.animFrame = 1 - e.animFrame;
        }
    }

    if (0 < sx && sx < screenWidth && 0 < sy && sy < screenHeight) {
        const double r = randomReal();
        if (r * 1000 > e.fireThreshold) fire(e);
    }

    if (e.type != enemyType::turret) move(e);
}

// Enemies 0..60 in index order: act, draw, then take every player shot whose
// centre lies in the square. Shots keep counting after a kill in the same frame.
void enemyPass(std::int32_t vx, std::int32_t vy, bool draw) {
    for (int i = 0; i < enemiesInPlay; ++i) {
        Enemy& e = enemies[i];
        if (e.hitPoints <= 0) continue;
        updateEnemy(i, e.posX - vx, e.posY - vy);
        if (draw && e.picture >= 0 && e.picture < pictureSlots && pictures[e.picture])
            drawImage(e.posX - vx - 32, e.posY - vy, pictures[e.picture], DrawMode::transparent);
        for (Shot& s : playerShots) {
            if (!s.active) continue;
            if (!centreInBox(s.x + 32, s.y, e.posX, e.posY, shotBox, enemyBox)) continue;
            s.active = 0;
            if (e.type != enemyType::snake) {
                game.score += 1;
                e.hitPoints -= 1;
            }
            spawnExplosion(s.x, s.y);
        }
    }
}
