// Reading BMP pictures into images and writing the screen as a BMP.
#include "platform/platform.h"

// TODO(bmp): stub bodies, to be replaced.
int loadPicture(const char*, Image*) { return statusOpenFailed; }
int saveScreen(const char*) { return statusOpenFailed; }
