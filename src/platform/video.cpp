// Frame buffer, drawing state, pictures and drawing operations.
#include "platform/backend.h"
#include "platform/platform.h"

// TODO(video): stub bodies, to be replaced.
int setScreenMode(int, int, int) { return 0; }
ScreenSize screenSize() { return {screenWidth, screenHeight, 32}; }
void lockScreen() {}
void unlockScreen() {}
std::uint32_t* framePixels() { static std::uint32_t fb[screenWidth * screenHeight]; return fb; }
void presentScreen() {}
Image* createImage(int, int, Colour) { return nullptr; }
void drawImage(double, double, const Image*, DrawMode, int) {}
void drawLine(double, double, double, double) {}
void drawBox(double, double, double, double) {}
void fillBox(double, double, double, double) {}
void drawText(double, double, std::string_view) {}
void setColours(std::optional<Colour>, std::optional<Colour>) {}
void clearScreen() {}
int roundPosition(double v) { return v > 0 ? int(v + 0.5) : int(v - 0.5); }
int screenLockCount() { return 0; }
