#include "headless/script.h"

#include <array>

#include "platform/platform.h"

bool parseDecimal(std::string_view text, std::int64_t limit, std::int64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > limit) return false;
    }
    value = v;
    return true;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits a line into blank-separated words. A word starting with '#' where a
// command or nothing more is expected begins a comment; that is decided by the
// caller, which knows how many arguments the command takes.
std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) ++i;
        std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The word as an error message shows it: control and non-ASCII bytes as '?',
// so a message stays one printable line whatever the script holds.
std::string quoted(std::string_view word) {
    std::string out = "'";
    for (char c : word) out += c > ' ' && c < 127 ? c : '?';
    return out + "'";
}

struct OpName {
    std::string_view name;
    ScriptOp op;
};
constexpr std::array<OpName, 6> opNames{{{"wait", ScriptOp::wait},
                                         {"hold", ScriptOp::hold},
                                         {"release", ScriptOp::release},
                                         {"type", ScriptOp::type},
                                         {"capture", ScriptOp::capture},
                                         {"quit", ScriptOp::quit}}};

// Reads one non-empty, non-comment line. Returns an empty string on success,
// otherwise the reason.
std::string parseCommand(const std::vector<std::string_view>& words, ScriptCommand& command) {
    const std::string_view name = words[0];
    bool known = false;
    for (const auto& entry : opNames) {
        if (entry.name == name) {
            command.op = entry.op;
            known = true;
        }
    }
    if (!known) return "unknown command " + quoted(name);

    const std::size_t wanted = command.op == ScriptOp::quit ? 0 : 1;
    if (words.size() < wanted + 1) {
        switch (command.op) {
            case ScriptOp::wait: return "'wait' needs a number of ticks";
            case ScriptOp::hold:
            case ScriptOp::release: return quoted(name) + " needs a key";
            case ScriptOp::type: return "'type' needs a character";
            default: return "'capture' needs a file name";
        }
    }
    if (words.size() > wanted + 1 && words[wanted + 1][0] != '#')
        return "unexpected " + quoted(words[wanted + 1]) + " after " + quoted(name);

    if (wanted == 0) return {};
    const std::string_view arg = words[1];
    switch (command.op) {
        case ScriptOp::wait:
            if (!parseDecimal(arg, scriptWaitLimit, command.value))
                return "bad number " + quoted(arg) + " (ticks: a whole number from 0)";
            break;
        case ScriptOp::hold:
        case ScriptOp::release:
            command.value = scriptKeyCode(arg);
            if (command.value < 0) return "unknown key " + quoted(arg);
            break;
        case ScriptOp::type:
            if (arg == "space") {
                command.value = ' ';
            } else if (arg.size() == 1 && arg[0] > ' ' && arg[0] < 127) {
                command.value = static_cast<unsigned char>(arg[0]);
            } else {
                return "bad character " + quoted(arg) + " (one printable character or 'space')";
            }
            break;
        case ScriptOp::capture: command.file = std::string(arg); break;
        case ScriptOp::quit: break;
    }
    return {};
}

}  // namespace

namespace {
struct KeyName {
    std::string_view name;
    int code;
};
constexpr KeyName keyNames[scriptNamedKeyCount] = {
    {"escape", scan::escape}, {"z", scan::z},       {"x", scan::x},       {"space", scan::space},
    {"up", scan::up},         {"down", scan::down}, {"left", scan::left}, {"right", scan::right}};
}  // namespace

int scriptNamedKey(int index) { return keyNames[index].code; }

std::string_view scriptKeyName(int code) {
    for (const auto& k : keyNames)
        if (k.code == code) return k.name;
    return {};
}

int scriptKeyCode(std::string_view word) {
    for (const auto& k : keyNames)
        if (k.name == word) return k.code;
    std::int64_t code = 0;
    if (parseDecimal(word, 127, code)) return static_cast<int>(code);
    return -1;
}

bool parseScript(std::string_view text, Script& script, ScriptError& error) {
    script.commands.clear();
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;

        const auto words = splitWords(line);
        if (words.empty() || words[0][0] == '#') continue;
        ScriptCommand command{ScriptOp::quit, lineNumber, 0, {}};
        std::string reason = parseCommand(words, command);
        if (!reason.empty()) {
            error.line = lineNumber;
            error.message = std::move(reason);
            return false;
        }
        script.commands.push_back(std::move(command));
    }
    return true;
}
