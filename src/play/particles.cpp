#include "play/particles.h"

Particle particles[particleCount];

// TODO(play): stub bodies, to be replaced.
void spawnExplosion(std::int32_t, std::int32_t) {}
void updateParticles(std::int32_t, std::int32_t) {}
void bounceFirstParticle(std::int32_t, std::int32_t) {}
