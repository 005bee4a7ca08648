#include "shell/hud.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "play/player.h"
#include "world/catalogue.h"
#include "world/game_state.h"
#include "world/pictures.h"

namespace {

constexpr Colour yellow = 0xFFFFFF00u;
constexpr Colour black = 0xFF000000u;
constexpr Colour messageColour = 0xFFFFFF09u;
constexpr int stripRows = 24;

// Decimal text of `value` in the caller's buffer; nothing is allocated.
std::string_view formatNumber(std::int32_t value, char (&buffer)[12]) {
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, static_cast<std::size_t>(result.ptr - buffer)};
}

}  // namespace

void darkenHudStrip() {
    std::uint32_t* frame = framePixels();
    for (int i = 0; i < stripRows * screenWidth; ++i) frame[i] = (frame[i] >> 1) & 0x7F7F7F7Fu;
}

// Once per play frame inside the screen lock, over the foreground layer.
void drawHud() {
    darkenHudStrip();
    setColours(yellow);
    char number[12];
    drawText(10, 4, "SCORE:");
    drawText(60, 4, formatNumber(game.score, number));
    drawImage(200, 4, pictures[92], DrawMode::transparent);
    drawText(220, 4, formatNumber(player.diamonds, number));
    drawText(320, 4, "POWER:");
    for (int k = 0; k <= 4; ++k) {
        if (k <= player.power) drawImage(400 + 20 * k, 4, pictures[91], DrawMode::opaque);
        else drawImage(400 + 20 * k, 4, pictures[90], DrawMode::transparent);
    }
    for (int k = 0; k <= 3; ++k)
        if (game.doorKeys[k] == 1) drawImage(500 + 20 * k, -4, pictures[tileCode::keyA + k], DrawMode::transparent);
}

void drawMessage(std::string_view message, int y) {
    const int x = (screenWidth - 8 * static_cast<int>(message.size())) / 2;
    setColours(black);
    drawText(x + 1, y + 1, message);
    setColours(messageColour);
    drawText(x, y, message);
}
