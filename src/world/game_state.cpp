#include "world/game_state.h"

GameState game;
