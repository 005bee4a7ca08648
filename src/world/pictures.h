// The 101 numbered picture slots. A map cell's tile code is the slot drawn for it.
#pragma once

#include "platform/platform.h"

constexpr int pictureSlots = 101;
extern Image* pictures[pictureSlots];

void createPictures();
void loadMissionPictures(const char* levelFolder);
void rollPictureLeft(int slot);
void rollPictureUp(int slot);
void darkenPicture(int slot);
// The per-frame rolls of the spikes, the flow and the exit beam.
void animatePictures();
