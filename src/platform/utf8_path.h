// UTF-8 names to host paths and back. On Windows a path holds UTF-16, and one
// made from a plain string would read it in the wrong code page, so every name
// given as UTF-8 text goes through here. Header only: the tools that link no
// game code use it too.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path pathOfUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string utf8OfPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}
