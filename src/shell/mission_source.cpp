#include "shell/mission_source.h"

namespace {
const MissionSource* source = nullptr;
}  // namespace

void setMissionSource(const MissionSource* s) { source = s; }
const MissionSource* missionSource() { return source; }
