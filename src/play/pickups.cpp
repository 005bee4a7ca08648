#include "play/pickups.h"

// TODO(play): stub bodies, to be replaced.
void contactPass() {}
void powerCheck() {}
bool objectiveCheck() { return false; }
