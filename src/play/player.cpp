#include "play/player.h"

#include "platform/platform.h"
#include "world/pictures.h"

PlayerState player;
HitBox playerBox = playerStandingBox;

namespace {
// Picture slots of the figure.
constexpr int walkRightPicture = 1;   // 1..6 = walk frames 0..5 facing right
constexpr int walkLeftPicture = 7;    // 7..12 facing left
constexpr int crouchRightPicture = 13;
constexpr int crouchLeftPicture = 14;
constexpr int walkFrames = 6;
constexpr int walkTicksPerFrame = 10;  // the frame changes on the 11th step

// The four trial positions of the player's box, one per collision flag.
constexpr int trialRightX = playerScreenX + playerStep;
constexpr int trialLeftX = playerScreenX - playerStep;
constexpr int trialAboveY = playerScreenY - playerStep;
constexpr int trialBelowY = playerScreenY + playerStep;

bool meetsTrialBox(const Contact& c, int boxX, int boxY) {
    return cornerTest(c.screenX, c.screenY, boxX, boxY, tileBox, playerBox) != 0;
}

// One sideways step: `blocked` is the flag of that side; `shift` is what the
// step adds to offsetX.
void walkStep(std::int32_t blocked, int shift) {
    if (blocked != 0 || player.crouching != 0) return;
    view.offsetX += shift;
    player.walking = 1;
    if (player.onGround != 0) advanceWalkAnimation();
}
}  // namespace

void resetPlayerAtProgramStart() {
    player = PlayerState{};
    player.facing = 1;
    playerBox = playerStandingBox;
}

void choosePlayerBox() { playerBox = player.crouching != 0 ? playerCrouchingBox : playerStandingBox; }

void clearCollisionFlags() {
    player.blockedRight = 0;
    player.blockedLeft = 0;
    player.blockedAbove = 0;
    player.onGround = 0;
}

void testSolidContact(const Contact& contact) {
    if (contact.kind != contactKind::solid) return;
    if (player.blockedRight == 0 && meetsTrialBox(contact, trialRightX, playerScreenY)) player.blockedRight = 1;
    if (player.blockedLeft == 0 && meetsTrialBox(contact, trialLeftX, playerScreenY)) player.blockedLeft = 1;
    if (player.blockedAbove == 0 && meetsTrialBox(contact, playerScreenX, trialAboveY)) player.blockedAbove = 1;
    if (player.onGround == 0 && meetsTrialBox(contact, playerScreenX, trialBelowY)) player.onGround = 1;
}

void advanceWalkAnimation() {
    if (player.walkTick >= walkTicksPerFrame) {
        player.walkTick = 0;
        player.walkFrame = player.walkFrame + 1 >= walkFrames ? 0 : player.walkFrame + 1;
    } else {
        player.walkTick += 1;
    }
}

void steerStreamer(int direction) {
    if (direction < 0) {
        if (player.streamerAngle == 0) player.streamerAngle = 360;
        player.streamerAngle -= 2;
    } else {
        player.streamerAngle += 2;
        if (player.streamerAngle == 360) player.streamerAngle = 0;
    }
}

void applyPlayerInput(const PlayerInput& input) {
    player.crouching = 0;
    player.walking = 0;
    if (input.down && player.onGround != 0) player.crouching = 1;
    if (input.left) {
        player.facing = -2;
        if (player.streamerOn == 1)
            steerStreamer(-1);
        else
            walkStep(player.blockedLeft, +playerStep);
    }
    if (input.right) {
        player.facing = 2;
        if (player.streamerOn == 1)
            steerStreamer(+1);
        else
            walkStep(player.blockedRight, -playerStep);
    }
    if (player.streamerOn == 1)
        player.facing = player.streamerAngle > 90 && player.streamerAngle < 270 ? -1 : 1;
    if (input.up) {
        if (player.crouching == 1)
            player.crouching = 0;  // Up only stands the player up this frame
        else if (player.blockedAbove == 0 && player.onGround != 0)
            player.jumpLeft = jumpHeight;
    }
}

void jumpRise() {
    if (player.jumpLeft <= 0) return;
    if (player.blockedAbove != 0) {
        player.jumpLeft = 0;
        return;
    }
    view.offsetY -= playerStep;
    player.jumpLeft = player.jumpLeft > playerStep ? player.jumpLeft - playerStep : 0;
}

void applyGravity() {
    if (player.onGround == 0 && player.jumpLeft == 0) view.offsetY += playerStep;
}

void settleWalkFrame() {
    if (player.walking != 0) return;
    if (player.walkFrame == 0 || player.walkFrame == 1) player.walkFrame = 2;
    if (player.walkFrame == 3 || player.walkFrame == 4) player.walkFrame = 5;
}

void drawPlayer() {
    int slot;
    if (player.facing < 0)
        slot = player.crouching != 0 ? crouchLeftPicture : walkLeftPicture + player.walkFrame;
    else
        slot = player.crouching != 0 ? crouchRightPicture : walkRightPicture + player.walkFrame;
    drawImage(playerScreenX, playerScreenY, pictures[slot], DrawMode::transparent);
}
