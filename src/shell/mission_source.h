// Where the missions come from: the game's own folders or a level under test.
// The frame loop and the text screens both ask it.
#pragma once

#include <string>

// Where the missions come from. Without one (the game itself) each mission
// reads its folder level<N>\ and the missions follow each other from a title
// screen. With one (a level under test) its one map is played again and
// again under one mission's rules, starting at its briefing; its texts and
// pictures come from its own folder where that has them.
struct MissionSource {
    int rules = 1;           // the mission whose rules, and stock pictures, apply
    std::string mapFile;     // the map picture, as the game names files or an absolute path
    std::string folder;      // the level's folder ending in a separator, "" for none
    // The game's own flow instead, from the title screen through both
    // missions, each on this map (for scripts written for that flow).
    bool fromTitle = false;
};
// The source stays the caller's and must outlive the game loop; nullptr: the game's own missions.
void setMissionSource(const MissionSource* source);
const MissionSource* missionSource();
