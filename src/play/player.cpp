#include "play/player.h"

PlayerState player;
HitBox playerBox = playerStandingBox;

// TODO(play): stub bodies, to be replaced.
void resetPlayerAtProgramStart() { player = PlayerState{}; player.facing = 1; }
void choosePlayerBox() {}
void clearCollisionFlags() {}
void testSolidContact(const Contact&) {}
void readPlayerKeys() {}
void jumpRise() {}
void applyGravity() {}
void drawPlayer() {}
