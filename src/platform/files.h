// Host side of the game's file names (backslash separators, any letter case).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/utf8_path.h"

// The folder data files are read from; "" stands for the working folder.
extern std::string dataFolderPath;

// The host path for a game file name: backslashes become '/', a relative name
// is taken below the data folder, and when that exact path does not exist
// each component is matched without regard to letter case. A name that
// matches nothing comes back in its exact form (opening it then fails).
std::string hostPath(const char* name);

// fopen for a UTF-8 path, whatever the host's narrow code page.
std::FILE* openHostFile(const std::string& utf8Path, const char* mode);
