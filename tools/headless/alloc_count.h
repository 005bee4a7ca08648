// Counts the heap allocations (operator new) that brastor-headless makes
// during play frames, for the soak test: the frame loop must allocate nothing.
#pragma once

#include <cstdint>

#include "shell/game.h"

struct AllocationCounts {
    std::int64_t playAllocations;    // made inside watched play frames
    std::int64_t framesWatched;      // play frames whose allocations were counted
    std::int64_t firstFrame;         // frame of the first play allocation, -1 if none
    std::int64_t screenAllocations;  // made by frames that showed the objective's text box
};

// Starts watching: from the next play frame on, allocations are counted.
void allocationCountingStart();
// Fed every game event by the runner's event hook, before it acts on it. A
// watched frame runs from one frame's end to the next; the briefing, the
// endings and the title screen in between are not play and are not counted.
void allocationCountingEvent(GameEvent event);
AllocationCounts allocationCounts();
