// The player's figure: keys, walking, jumping, falling, crouching, collisions
// against the frame's contact list, animation and drawing. The figure is always
// drawn at screen (288, 288); moving it moves the view.
#pragma once

#include <cstdint>

#include "play/collide.h"
#include "world/world.h"

constexpr int playerScreenX = 288;
constexpr int playerScreenY = 288;

struct PlayerState {
    std::int32_t power;
    std::int32_t diamonds;
    std::int32_t facing;      // -2/+2 after Left/Right, -1/+1 while the streamer is on
    std::int32_t crouching;
    std::int32_t walking;
    std::int32_t walkFrame;   // 0..5
    std::int32_t walkTick;    // 0..10
    std::int32_t jumpLeft;
    std::int32_t blockedLeft, blockedRight, blockedAbove, onGround;
    std::int32_t fireDelay;
    std::int32_t streamerOn;
    std::int32_t streamerAngle;  // even degrees 0..358, 0 = right, 90 = down
    std::int32_t streamerDrain;
    std::int32_t hazardTicks;
};

extern PlayerState player;
extern HitBox playerBox;  // chosen at the start of each frame

void resetPlayerAtProgramStart();  // facing 1, everything else 0
void choosePlayerBox();            // from the previous frame's crouch
void clearCollisionFlags();
// The solid part of the contact pass: sets the four collision flags.
void testSolidContact(const Contact& contact);
// Movement and weapon keys, in their fixed order (calls the fire key and the streamer).
void readPlayerKeys();
void jumpRise();
void applyGravity();
// Rest pose, then the figure at (288, 288).
void drawPlayer();
