// Player shots, enemy shots and bombs, the fire key, the streamer and the
// solid pass that stops shots at walls.
#include "play/weapons.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/platform.h"
#include "play/collide.h"
#include "play/particles.h"
#include "play/player.h"
#include "world/enemy_table.h"
#include "world/game_state.h"
#include "world/pictures.h"
#include "world/world.h"

Shot playerShots[shotCount];
Shot enemyShots[shotCount];
BeamSegment beamSegments[beamSegmentCount];
int beamSegmentsCast = 0;

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
void fireStep(bool held) {
    if (!held) return;
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

namespace {

// The beam's 19 segments from the figure outwards: each hits the solid cell
// and the first enemy at its place, and the first hit ends the beam there.
void castBeam() {
    for (int i = 2; i <= 20; ++i) {
        std::int32_t sx, sy;
        streamerSegment(player.streamerAngle, i, sx, sy);
        bool stop = false;
        for (int c = 0; c <= contactLast; ++c) {
            const Contact& contact = contacts[c];
            if (cornerTest(sx + 8, sy + 8, contact.screenX, contact.screenY, pointBox, tileBox) == 0)
                continue;
            if (contact.kind == contactKind::solid) {
                // A broken block bursts at its centre.
                if (hitBreakable(contact))
                    spawnExplosion(viewX + contact.screenX + 16, viewY + contact.screenY + 16);
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
        // The opacity is drawn from the random sequence whether or not the frame is drawn.
        const int opacity = static_cast<int>(std::floor(randomReal() * 255));
        beamSegments[beamSegmentsCast++] = BeamSegment{sx, sy, opacity};
    }
}

}  // namespace

// X, called by the frame right after the gun. Steering is the player's
// key step; here the beam is switched on or off, tested against the
// frame's contact list and the enemies, and fed from the diamonds.
void streamerStep(bool held) {
    beamSegmentsCast = 0;
    if (!held || !player.onGround || player.crouching) {
        player.streamerAngle = 0;
        player.streamerOn = 0;
        return;
    }
    if (!player.streamerOn) player.streamerAngle = player.facing > 0 ? 0 : 180;
    player.streamerOn = 1;
    // Without diamonds there is no beam, but the drain below still counts.
    if (player.diamonds != 0) castBeam();

    if (player.streamerDrain == 0) {
        if (player.diamonds > 0) player.diamonds -= 1;  // an empty store stays empty
        player.streamerDrain = streamerDrainFrames;
    } else {
        player.streamerDrain -= 1;
    }
}

void drawBeam() {
    for (int i = 0; i < beamSegmentsCast; ++i)
        drawPicture(beamSegments[i].x, beamSegments[i].y, streamerPicture, DrawMode::blend, beamSegments[i].opacity);
}

// Moves every player shot, frees it when its life runs out and draws it in
// every case (drawing clips).
void updatePlayerShots(std::int32_t vx, std::int32_t vy, bool draw) {
    for (Shot& s : playerShots) {
        if (!s.active) continue;
        s.x += 2 * s.dx;
        s.y -= s.dy;
        s.life -= 1;
        if (s.life <= 0) s.active = 0;
        if (draw) drawPicture(s.x - vx, s.y - vy, shotPicture, DrawMode::transparent);
    }
}

// Moves, draws and ages every enemy shot and tests it against the player.
// Shots with no sideways speed never age; an expiring shot can still hit.
void updateEnemyShots(std::int32_t vx, std::int32_t vy, bool draw) {
    for (Shot& s : enemyShots) {
        if (!s.active) continue;
        s.x += 2 * s.dx;
        s.y += 2 * s.dy;
        const std::int32_t sx = s.x - vx;
        const std::int32_t sy = s.y - vy;
        if (draw && -32 < sx && sx < screenWidth && -32 < sy && sy < screenHeight)
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

namespace {

// World cell column (or row) holding pixel v: cell X covers 32X - 32 .. 32X - 1.
std::int64_t cellOf(std::int64_t v) { return (v >= 0 ? v / 32 : -((31 - v) / 32)) + 1; }

// The solid-list entry whose square holds the centre of `box` at (x, y), or -1.
std::int32_t entryUnder(std::int32_t x, std::int32_t y, const HitBox& box) {
    const std::int64_t cx = std::int64_t{x} + box.dx + (box.w >> 1);
    const std::int64_t cy = std::int64_t{y} + box.dy + (box.h >> 1);
    const std::int64_t gx = cellOf(cx), gy = cellOf(cy);
    if (gx < 0 || gy < 0 || gx >= gridSize || gy >= gridSize) return -1;
    return solidIndexAt(static_cast<int>(gx), static_cast<int>(gy));
}

struct ShotHit {
    std::int32_t entry;
    std::int32_t order;  // 2k for player shot k, 2k + 1 for enemy shot k
};

// Solid-list entries (at least `from`, ascending) that spark 0 could bounce off
// at its present position: the at most 2 x 2 cells its box can reach.
int sparkCandidates(std::int32_t from, std::int32_t (&out)[4]) {
    const Particle& p = particles[0];
    if (p.active != 1) return 0;
    constexpr double reach = 1e6;  // far beyond any grid cell
    if (!(p.x > -reach && p.x < reach && p.y > -reach && p.y < reach)) return 0;
    // The rounded position is floor or floor + 1; the box spans 8 pixels.
    const auto fx = static_cast<std::int64_t>(std::floor(p.x));
    const auto fy = static_cast<std::int64_t>(std::floor(p.y));
    int n = 0;
    for (std::int64_t gy = cellOf(fy - 1); gy <= cellOf(fy + 9); ++gy)
        for (std::int64_t gx = cellOf(fx - 1); gx <= cellOf(fx + 9); ++gx) {
            if (gx < 0 || gy < 0 || gx >= gridSize || gy >= gridSize) continue;
            const std::int32_t e = solidIndexAt(static_cast<int>(gx), static_cast<int>(gy));
            if (e >= from) out[n++] = e;
        }
    std::sort(out, out + n);
    return n;
}

}  // namespace

// The solid pass at the cost of the shots in flight: each shot's centre lies
// in one cell, found through the solid list's cell index, and spark 0 can only
// touch the few cells around it. Hits are replayed in the order the cell-by-cell
// pass makes them (entry, then k, player shot before enemy shot), with spark 0's
// bounces between the entries, so the frees, the bursts (and the random numbers
// they draw) and the bounces are the same. Shots never move during the pass, so
// only a burst that brings spark 0 back to life changes what is left to do.
void solidPass() {
    ShotHit hits[2 * shotCount];
    int hitCount = 0;
    for (int k = 0; k < shotCount; ++k) {
        const Shot& p = playerShots[k];
        if (p.active) {
            const std::int32_t e = entryUnder(p.x, p.y, shotBox);
            if (e >= 0) hits[hitCount++] = ShotHit{e, 2 * k};
        }
        const Shot& q = enemyShots[k];
        if (q.active) {
            const std::int32_t e = entryUnder(q.x, q.y, enemyShotBox(q));
            if (e >= 0) hits[hitCount++] = ShotHit{e, 2 * k + 1};
        }
    }
    std::sort(hits, hits + hitCount, [](const ShotHit& a, const ShotHit& b) {
        return a.entry != b.entry ? a.entry < b.entry : a.order < b.order;
    });

    std::int32_t candidates[4];
    int candidateCount = sparkCandidates(0, candidates);
    int nextCandidate = 0;
    int nextHit = 0;
    constexpr std::int32_t none = INT32_MAX;
    for (;;) {
        const std::int32_t hitEntry = nextHit < hitCount ? hits[nextHit].entry : none;
        const std::int32_t bounceEntry = nextCandidate < candidateCount ? candidates[nextCandidate] : none;
        if (hitEntry == none && bounceEntry == none) break;
        if (hitEntry <= bounceEntry) {
            // The shots of an entry come before its bounce.
            const ShotHit& h = hits[nextHit++];
            const bool sparkWasLive = particles[0].active == 1;
            Shot& s = (h.order & 1) ? enemyShots[h.order / 2] : playerShots[h.order / 2];
            s.active = 0;
            if (h.order & 1)
                spawnExplosion(s.x, s.y);
            else
                spawnExplosion(s.x + 4, s.y + 4);
            if (!sparkWasLive && particles[0].active == 1) {
                candidateCount = sparkCandidates(h.entry, candidates);
                nextCandidate = 0;
            }
        } else {
            const SolidCell& cell = solidList[candidates[nextCandidate++]];
            bounceFirstParticle(cell.worldX, cell.worldY);
            if (particles[0].active != 1) candidateCount = nextCandidate = 0;
        }
    }
}
