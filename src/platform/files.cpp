// Reading the game's data files by their backslash names.
#include "platform/platform.h"

// TODO(files): stub bodies, to be replaced.
void setDataFolder(const char*) {}
const char* dataFolder() { return "."; }
int openTextFile(GameFile&, const char*) { return 1; }
int openBinaryFile(GameFile&, const char*) { return 1; }
std::string readLine(GameFile&) { return {}; }
bool atEnd(GameFile&) { return true; }
void readBytes(GameFile&, int, void*) {}
void closeFile(GameFile&) {}
int readBytesCounted(GameFile&, int, void*) { return 0; }
bool seekFile(GameFile&, std::int64_t) { return false; }
std::int64_t fileSize(GameFile&) { return 0; }
