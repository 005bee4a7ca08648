// Player shots, enemy shots and bombs, the fire key, the streamer and the
// solid pass that stops shots at walls.
#include "play/weapons.h"

#include <cmath>

#include "platform/platform.h"
#include "play/collide.h"
#include "play/enemies.h"
#include "play/particles.h"
#include "play/player.h"
#include "shell/game.h"
#include "shell/pictures.h"
#include "world/world.h"

Shot playerShots[shotCount];
Shot enemyShots[shotCount];

namespace {

constexpr int shotPicture = 0;
constexpr int blueShotPicture = 80;
constexpr int bombPicture = 16;
constexpr int streamerPicture = 17;
constexpr int fireRepeat = 15;
constexpr int playerShotLife = 200;
constexpr int enemyShotLife = 500;
constexpr int streamerDrainFrames = 20;
constexpr double pi = 3.14159265358979323846;

// Lowest free entry of a shot table, or nullptr when all 21 are in flight.
Shot* freeShot(Shot (&table)[shotCount]) {
    for (Shot& s : table)
        if (!s.active) return &s;
    return nullptr;
}

void drawPicture(std::int32_t x, std::int32_t y, int slot, DrawMode mode, int opacity = 255) {
    if (const Image* image = pictures[slot]) drawImage(x, y, image, mode, opacity);
}

const HitBox& enemyShotBox(const Shot& s) { return s.kind == 1 ? bombBox : shotBox; }

}  // namespace

void firePlayerShot(std::int32_t px, std::int32_t py, std::int32_t direction, std::int32_t vertical,
                    std::int32_t crouching) {
    Shot* s = freeShot(playerShots);
    if (!s) return;
    s->active = 1;
    s->y = crouching ? py + 33 : py + 15;
    s->x = direction > 0 ? px + 48 : px;
    s->dx = 2 * direction;
    s->dy = 2 * vertical;
    s->life = playerShotLife;
    s->kind = 0;
}

void fireEnemyShot(std::int32_t ex, std::int32_t ey, std::int32_t direction, std::int32_t vertical,
                   std::int32_t kind) {
    Shot* s = freeShot(enemyShots);
    if (!s) return;
    s->active = 1;
    s->x = ex - 18;
    s->y = ey + 10;
    s->dx = 2 * direction;
    s->dy = vertical;
    s->life = enemyShotLife;
    s->kind = kind;
}

// Z held: fire when the delay is 0 and rearm it, else count it down. Released Z
// leaves the delay as it is, so tapping cannot fire faster than holding.
void fireKey() {
    if (!keyHeld(scan::z)) return;
    if (player.fireDelay == 0) {
        firePlayerShot(viewX + playerScreenX, viewY + playerScreenY, player.facing, 0,
                       player.crouching);
        player.fireDelay = fireRepeat;
    } else {
        player.fireDelay -= 1;
    }
}

// The beam's segment i (2..20) on the screen. Rounded halves away from zero,
// like every other real screen position; with even whole angles an exact half
// cannot arise anyway (the only rational cosines are 0, 1/2 and 1).
void streamerSegment(std::int32_t angle, int i, std::int32_t& sx, std::int32_t& sy) {
    const double a = angle * pi / 180.0;
    sx = static_cast<std::int32_t>(std::lround(std::cos(a) * 8 * i + 308));
    sy = static_cast<std::int32_t>(std::lround(std::sin(a) * 8 * i + 302));
}

// X, called from the key pass right after the fire key. Steering is the
// player's key pass; here the beam is switched on or off, tested against the
// frame's contact list and the enemies, drawn, and fed from the diamonds.
void streamerKey() {
    if (!keyHeld(scan::x) || !player.onGround || player.crouching) {
        player.streamerAngle = 0;
        player.streamerOn = 0;
        return;
    }
    if (!player.streamerOn) player.streamerAngle = player.facing > 0 ? 0 : 180;
    player.streamerOn = 1;
    // Without diamonds the beam is neither shown nor drained (draining would
    // drive the count below zero).
    if (player.diamonds == 0) return;

    for (int i = 2; i <= 20; ++i) {
        std::int32_t sx, sy;
        streamerSegment(player.streamerAngle, i, sx, sy);
        bool stop = false;
        for (int c = 0; c <= contactLast; ++c) {
            const Contact& contact = contacts[c];
            if (cornerTest(sx + 8, sy + 8, contact.screenX, contact.screenY, pointBox, tileBox) == 0)
                continue;
            if (contact.kind == kind::solid) {
                hitBreakable(contact);
                stop = true;
            }
            break;  // the squares do not overlap: at most one contains the point
        }
        for (int e = 0; e < enemiesInPlay; ++e) {
            Enemy& enemy = enemies[e];
            if (enemy.hitPoints <= 0) continue;
            if (cornerTest(sx, sy, enemy.posX - 32 - viewX, enemy.posY - viewY, pointBox, enemyBox) == 0)
                continue;
            if (enemy.type != enemyType::snake) {
                game.score += 1;
                enemy.hitPoints -= 1;
            }
            spawnExplosion(enemy.posX - 16, enemy.posY + 16);
            stop = true;
            break;
        }
        if (stop) break;
        const int opacity = static_cast<int>(std::floor(randomReal() * 255));
        drawPicture(sx, sy, streamerPicture, DrawMode::blend, opacity);
    }

    if (player.streamerDrain == 0) {
        player.diamonds -= 1;
        player.streamerDrain = streamerDrainFrames;
    } else {
        player.streamerDrain -= 1;
    }
}

// Moves every player shot, frees it when its life runs out and draws it in
// every case (drawing clips).
void updatePlayerShots(std::int32_t vx, std::int32_t vy) {
    for (Shot& s : playerShots) {
        if (!s.active) continue;
        s.x += 2 * s.dx;
        s.y -= s.dy;
        s.life -= 1;
        if (s.life <= 0) s.active = 0;
        drawPicture(s.x - vx, s.y - vy, shotPicture, DrawMode::transparent);
    }
}

// Moves, draws and ages every enemy shot and tests it against the player.
// Shots with no sideways speed never age; an expiring shot can still hit.
void updateEnemyShots(std::int32_t vx, std::int32_t vy) {
    for (Shot& s : enemyShots) {
        if (!s.active) continue;
        s.x += 2 * s.dx;
        s.y += 2 * s.dy;
        const std::int32_t sx = s.x - vx;
        const std::int32_t sy = s.y - vy;
        if (-32 < sx && sx < screenWidth && -32 < sy && sy < screenHeight)
            drawPicture(sx, sy, s.kind == 1 ? bombPicture : blueShotPicture, DrawMode::transparent);
        if (s.dx != 0) {
            if (s.life > 0)
                s.life -= 1;
            else
                s.active = 0;
        }
        if (centreInBox(sx, sy, playerScreenX, playerScreenY, enemyShotBox(s), playerBox)) {
            player.power -= 1;
            s.active = 0;
            spawnExplosion(s.x, s.y);
        }
    }
}

// Every solid-list entry 0..solidLast in order: each pair of shots k, then spark 0.
void solidPassDirect() {
    for (int e = 0; e <= solidLast; ++e) {
        const SolidCell& cell = solidList[e];
        for (int k = 0; k < shotCount; ++k) {
            Shot& p = playerShots[k];
            if (p.active && centreInCell(p.x, p.y, cell.worldX, cell.worldY, shotBox)) {
                p.active = 0;
                spawnExplosion(p.x + 4, p.y + 4);
            }
            Shot& q = enemyShots[k];
            if (q.active && centreInCell(q.x, q.y, cell.worldX, cell.worldY, enemyShotBox(q))) {
                q.active = 0;
                spawnExplosion(q.x, q.y);
            }
        }
        bounceFirstParticle(cell.worldX, cell.worldY);
    }
}

void solidPass() { solidPassDirect(); }
