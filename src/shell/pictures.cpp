#include "shell/pictures.h"

Image* pictures[pictureSlots];

// TODO(shell): stub bodies, to be replaced.
void createPictures() {}
void loadMissionPictures(const char*) {}
void rollPictureLeft(int) {}
void rollPictureUp(int) {}
void darkenPicture(int) {}
void animatePictures() {}
