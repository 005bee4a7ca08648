// The headless runner's input script: one command a line, read whole and
// checked before the game starts. The reader is a pure function over a text
// buffer (no files, no globals), so it can be driven by a fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ScriptOp : std::uint8_t { wait, hold, release, type, capture, quit };

struct ScriptCommand {
    ScriptOp op;
    int line;             // 1-based line of the script it came from
    std::int64_t value;   // wait: ticks; hold/release: scan code; type: character code
    std::string file;     // capture: the file name as written
};

struct Script {
    std::vector<ScriptCommand> commands;
};

struct ScriptError {
    int line = 0;
    std::string message;  // without the file name and line, e.g. "unknown key 'foo'"
};

constexpr std::int64_t scriptWaitLimit = std::int64_t{1} << 53;

// Reads every line of `text` into `script` (replacing what it held). Returns
// false at the first bad line, with its number and the reason in `error`.
bool parseScript(std::string_view text, Script& script, ScriptError& error);

// The scan code of a key name ("escape", "z", "x", "space", "up", "down",
// "left", "right") or of a decimal number 0..127; -1 for anything else.
int scriptKeyCode(std::string_view word);
// The scan codes that have a name, in the order above, and the name of each.
constexpr int scriptNamedKeyCount = 8;
int scriptNamedKey(int index);
std::string_view scriptKeyName(int code);  // "" for a code without a name

// A plain decimal number 0..limit: digits only, no sign, no spaces (script
// arguments and the tools' command lines alike).
bool parseDecimal(std::string_view text, std::int64_t limit, std::int64_t& value);
