#include "bench_references.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "bench_record.h"

extern const std::uint8_t fontGlyphs[256][16];

namespace {

struct PictureSurfaces {
    SDL_Surface* plain;
    SDL_Surface* keyed;
    SDL_Surface* blended;
};

std::map<const Image*, PictureSurfaces> surfaces;
SDL_Surface* glyphSurfaces[256];
SDL_Surface* sdlScreen = nullptr;
SDL_Surface* darkStrip = nullptr;
std::uint32_t* floorScreen = nullptr;
std::uint32_t* sdlPixels = nullptr;

SDL_Surface* wrapImage(const Image* image) {
    return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(imageRow(image, 0)), image->width,
                                              image->height, 32, image->pitch, SDL_PIXELFORMAT_ARGB8888);
}

Uint32 keyOf(SDL_Surface* s) { return SDL_MapRGB(s->format, 255, 0, 255); }

}  // namespace

void prepareReferences() {
    if (!sdlScreen) {
        sdlPixels = static_cast<std::uint32_t*>(std::aligned_alloc(64, screenWidth * screenHeight * 4));
        floorScreen = static_cast<std::uint32_t*>(std::aligned_alloc(64, screenWidth * screenHeight * 4));
        sdlScreen = SDL_CreateRGBSurfaceWithFormatFrom(sdlPixels, screenWidth, screenHeight, 32,
                                                       screenWidth * 4, SDL_PIXELFORMAT_ARGB8888);
        darkStrip = SDL_CreateRGBSurfaceWithFormat(0, screenWidth, 24, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(darkStrip, nullptr, SDL_MapRGBA(darkStrip->format, 0, 0, 0, 255));
        SDL_SetSurfaceBlendMode(darkStrip, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(darkStrip, 128);
        for (int c = 0; c < 256; ++c) {
            SDL_Surface* g = SDL_CreateRGBSurfaceWithFormat(0, 8, 16, 32, SDL_PIXELFORMAT_ARGB8888);
            auto* px = static_cast<std::uint32_t*>(g->pixels);
            for (int r = 0; r < 16; ++r)
                for (int b = 0; b < 8; ++b)
                    px[r * (g->pitch / 4) + b] = (fontGlyphs[c][r] >> b & 1) ? 0xFFFFFFFFu : maskColour;
            SDL_SetColorKey(g, SDL_TRUE, keyOf(g));
            glyphSurfaces[c] = g;
        }
    }
    for (int i = 0; i < drawOpCount; ++i) {
        const DrawOp& op = drawOps[i];
        if (op.kind != OpKind::image || !op.image || surfaces.count(op.image)) continue;
        PictureSurfaces s{wrapImage(op.image), wrapImage(op.image), wrapImage(op.image)};
        SDL_SetSurfaceBlendMode(s.plain, SDL_BLENDMODE_NONE);
        SDL_SetSurfaceBlendMode(s.keyed, SDL_BLENDMODE_NONE);
        SDL_SetColorKey(s.keyed, SDL_TRUE, keyOf(s.keyed));
        SDL_SetSurfaceBlendMode(s.blended, SDL_BLENDMODE_BLEND);
        SDL_SetColorKey(s.blended, SDL_TRUE, keyOf(s.blended));
        surfaces[op.image] = s;
    }
}

void drawWithSdl() {
    for (int i = 0; i < drawOpCount; ++i) {
        const DrawOp& op = drawOps[i];
        switch (op.kind) {
        case OpKind::clear:
            SDL_FillRect(sdlScreen, nullptr, op.colour);
            break;
        case OpKind::fill: {
            SDL_Rect r{op.x, op.y, op.w, op.h};
            SDL_FillRect(sdlScreen, &r, op.colour);
            break;
        }
        case OpKind::darkenStrip:
            SDL_BlitSurface(darkStrip, nullptr, sdlScreen, nullptr);
            break;
        case OpKind::text:
            for (int k = 0; k < op.textLength; ++k) {
                SDL_Surface* g = glyphSurfaces[static_cast<std::uint8_t>(op.text[k])];
                SDL_SetSurfaceColorMod(g, op.colour >> 16 & 0xFF, op.colour >> 8 & 0xFF, op.colour & 0xFF);
                SDL_Rect r{op.x + 8 * k, op.y, 8, 16};
                SDL_BlitSurface(g, nullptr, sdlScreen, &r);
            }
            break;
        case OpKind::image: {
            if (!op.image) break;
            const PictureSurfaces& s = surfaces[op.image];
            SDL_Rect r{op.x, op.y, op.image->width, op.image->height};
            if (op.mode == DrawMode::opaque) {
                SDL_BlitSurface(s.plain, nullptr, sdlScreen, &r);
            } else if (op.mode == DrawMode::transparent) {
                SDL_BlitSurface(s.keyed, nullptr, sdlScreen, &r);
            } else if (op.opacity > 0) {
                SDL_SetSurfaceAlphaMod(s.blended, static_cast<Uint8>(std::min(op.opacity, 255)));
                SDL_BlitSurface(s.blended, nullptr, sdlScreen, &r);
            }
            break;
        }
        }
    }
}

namespace {
long long floorRows = 0;
}

void drawMemoryFloor() {
    long long rows = 0;
    std::fill_n(floorScreen, screenWidth * screenHeight, 0xFF000000u);
    for (int i = 0; i < drawOpCount; ++i) {
        const DrawOp& op = drawOps[i];
        if (op.kind != OpKind::image || !op.image) continue;
        const int x0 = std::max(0, op.x), x1 = std::min(screenWidth, op.x + op.image->width);
        const int y0 = std::max(0, op.y), y1 = std::min(screenHeight, op.y + op.image->height);
        if (x0 >= x1 || y0 >= y1) continue;
        for (int y = y0; y < y1; ++y)
            std::memcpy(floorScreen + y * screenWidth + x0, imageRow(op.image, y - op.y) + (x0 - op.x),
                        static_cast<std::size_t>(x1 - x0) * 4);
        rows += y1 - y0;
    }
    floorRows = rows;
    asm volatile("" : : "r"(floorScreen) : "memory");
}

long long floorRowCount() { return floorRows; }
