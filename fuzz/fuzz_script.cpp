// The headless runner's script reader on any text: it either names a bad line
// that exists or returns commands whose values the runner can use directly.
#include <cstdlib>
#include <string_view>

#include "headless/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';

    Script script;
    ScriptError error;
    if (!parseScript(text, script, error)) {
        if (error.line < 1 || static_cast<std::size_t>(error.line) > lines || error.message.empty())
            std::abort();
        return 0;
    }
    int lastLine = 0;
    for (const ScriptCommand& c : script.commands) {
        if (c.line <= lastLine || static_cast<std::size_t>(c.line) > lines) std::abort();
        lastLine = c.line;
        switch (c.op) {
            case ScriptOp::wait:
                if (c.value < 0 || c.value > scriptWaitLimit) std::abort();
                break;
            case ScriptOp::hold:
            case ScriptOp::release:
                if (c.value < 0 || c.value > 127) std::abort();
                break;
            case ScriptOp::type:
                if (c.value < 32 || c.value > 126) std::abort();
                break;
            case ScriptOp::capture:
                if (c.file.empty()) std::abort();
                break;
            case ScriptOp::quit: break;
        }
    }
    if (size <= 64) {
        const int code = scriptKeyCode(text);
        if (code < -1 || code > 127) std::abort();
    }
    return 0;
}
