// The player's figure: keys, walking, jumping, falling, crouching, collisions
// against the frame's contact list, animation and drawing. The figure is always
// drawn at screen (288, 288); moving it moves the view.
#pragma once

#include <cstdint>

#include "play/collide.h"
#include "world/world.h"

constexpr int playerScreenX = 288;
constexpr int playerScreenY = 288;

// The player's keys in one frame, sampled once at the top of the frame.
struct PlayerInput {
    bool left, right, up, down;
    bool fire;  // Z
    bool beam;  // X, the streamer
};

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

constexpr int jumpHeight = 113;  // jumpLeft at take-off; the net climb is 112 pixels
constexpr int playerStep = 2;    // pixels per frame for walking, rising and falling

// Start-up values: facing 1 (right), every other field 0, the standing box.
// Missions do not call it: facing, the walk animation and fireDelay carry over.
void resetPlayerAtProgramStart();
// First step of a frame: the standing or crouching box, from the previous frame's crouch.
void choosePlayerBox();

// Collision flags. The contact pass (pickups.cpp) must call clearCollisionFlags()
// once, before its walk over the frame's contact list, and then
// testSolidContact() for every entry of kind 9 (solid), in list order. Each
// flag is set by the first solid cell that overlaps the player's box moved
// 2 pixels that way; entries of other kinds are ignored here.
void clearCollisionFlags();
void testSolidContact(const Contact& contact);

// The frame's keys, after the solid pass: crouch, Left, Right (walking moves
// view.offsetX, or they steer the streamer), facing, Up. The frame then hands
// Z and X to the gun and the streamer (weapons); Escape is its own.
void applyPlayerInput(const PlayerInput& input);
// Turns the streamer 2 degrees: direction -1 for Left (anticlockwise), +1 for Right.
void steerStreamer(int direction);
// One walking step's effect on the animation (only called for steps on the ground).
void advanceWalkAnimation();
// After the key pass: rises 2 pixels while jumpLeft > 0, or ends the jump under a ceiling.
void jumpRise();
// Falls 2 pixels when neither standing nor rising. normalizeView follows it.
void applyGravity();
// After the fall: a figure that did not walk this frame settles into its rest pose.
void settleWalkFrame();
// The figure at (288, 288); nothing drawn for an empty slot.
void drawPlayer();
