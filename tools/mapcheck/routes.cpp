// The route report and the proof scripts: one line per target, one
// brastor-headless script per reached target.
#include "mapcheck/routes_search.h"

#include "platform/utf8_path.h"

namespace routesearch {
namespace {

// The proof of `t`'s route: a brastor-headless script that plays it on the
// level alone, from its briefing, as `brastor-headless --level` and
// `brastor-playtest --replay` play a level.
void writeScript(const std::string& dir, const std::string& level, const Target& t, int mission, int objectiveFrame) {
    std::string name = fileStem(t.kind);
    if (t.kind != Kind::exitBeam) name += "-" + std::to_string(t.x) + "-" + std::to_string(t.y);
    const std::string file = utf8OfPath(pathOfUtf8(dir) / (name + ".keys"));
    std::ofstream out(pathOfUtf8(file));
    out << "# brastor-mapcheck proof: mission " << mission << ", level " << level << "\n";
    out << "# Route to the " << kindName(t.kind);
    if (t.kind != Kind::exitBeam) out << " at " << cellText(t.x, t.y);
    out << ", from the level's briefing, enemies left out.\n";
    out << "# Replay: brastor-headless --mission " << mission << " --level " << level << " --script " << file << "\n";
    out << "# Watch: brastor-playtest --replay " << file << " " << level << "\n";
    if (t.kind == Kind::generator)
        out << "# expect: mission " << mission << " frame " << t.frames << " breaks " << t.x << " " << t.y << "\n";
    else if (t.kind == Kind::exitBeam)
        out << "# expect: mission " << mission << " frame " << t.frames << " exit\n";
    else
        out << "# expect: mission " << mission << " frame " << t.frames << " touches " << t.x << " " << t.y << "\n";
    (void)objectiveFrame;
    // The briefing is the one text box before play.
    out << "wait 5\ntype space\n";
    // From here one tick is one frame: the keys given at a tick act from the
    // next frame on; the objective's text box takes two more ticks.
    long tick = 0, written = 0;
    auto at = [&](long when) {
        if (when > written) out << "wait " << (when - written) << "\n";
        written = std::max(written, when);
    };
    at(1);
    tick = 1;
    std::uint8_t held = 0;
    for (std::size_t f = 0; f < t.keys.size(); ++f) {
        const std::uint8_t k = t.keys[f];
        if (k != held) {
            at(tick);
            for (int i = 0; i < keyCount; ++i) {
                const std::uint8_t bit = static_cast<std::uint8_t>(1 << i);
                if ((k & bit) && !(held & bit)) out << "hold " << keyNames[i] << "\n";
                if (!(k & bit) && (held & bit)) out << "release " << keyNames[i] << "\n";
            }
            held = k;
        }
        if (static_cast<int>(f) + 1 == t.boxFrame) {
            at(tick + 1);
            out << "type space          # the objective's text box\n";
            tick += 2;
        }
        tick += 1;
    }
    // Let go, and quit a little later so that the mission's end is still told.
    at(tick);
    for (int i = 0; i < keyCount; ++i)
        if (held & (1 << i)) out << "release " << keyNames[i] << "\n";
    at(tick + 3);
    out << "quit\n";
}

}  // namespace

RouteResult RouteSearch::report(const RouteOptions& options) {
    RouteResult result;
    result.searched = true;
    result.width = mapWidth;
    result.height = mapHeight;
    result.reached.assign(static_cast<std::size_t>(mapWidth) * mapHeight, 0);
    for (int y = 0; y < mapHeight; ++y)
        for (int x = 0; x < mapWidth; ++x) result.reached[y * mapWidth + x] = everReached_[y * gridSize + x];
    labelAreas();
    out_ << "routes from the start " << cellText(startX_, startY_) << ", enemies left out:\n";
    const int objectiveFrame = boxFrame_;
    // The search plays the nearest map change first, so a target it did not
    // reach is out of reach only where provenOutOfReach says so.
    const std::string stoppedText =
        "inconclusive: the search stopped after " + std::to_string(changesMade_) + " map change" +
        (changesMade_ == 1 ? "" : "s") +
        (gaveUp_ ? " and " + std::to_string(statesSearched_) + " player states, its budget"
                 : ", trying the nearest first, not every order") +
        (maxFrames_ > 0 ? ", routes of at most " + std::to_string(maxFrames_) + " frames" : "");
    constexpr int sameReasonShown = 10;
    std::map<std::string, int> sameReason;
    auto line = [&](const Target& t, bool error) {
        const std::string name = std::string("  ") + kindName(t.kind) + " " +
                                 (t.kind == Kind::exitBeam ? "column " + std::to_string(t.x) : cellText(t.x, t.y));
        if (t.kind == Kind::exitBeam && options.exitBlocked && !t.reached) {
            out_ << name << ": not searched: the beam cannot hang until its column is opened (above)\n";
            return;
        }
        if (t.reached) {
            out_ << name << ": reached, " << t.frames << " frames";
            if (t.kind == Kind::exitBeam) out_ << " (" << (t.frames - objectiveFrame) << " after the objective)";
            out_ << "\n";
            if (keepTrails_) {
                result.trails.push_back(t.trail);
                result.trailNames.push_back(name.substr(2));
            }
            return;
        }
        const bool proven = provenOutOfReach(t);
        if (proven && t.kind == Kind::exitBeam)
            result.exitProvenOut = true;
        else if (proven)
            result.provenOut.push_back({t.x, t.y});
        if (!proven && error)
            ++result.inconclusive;
        else if (error)
            ++result.errors;
        else
            ++result.warnings;
        const std::string why = reason(t);
        const std::string verdict = proven ? "unreachable: " : stoppedText + " (what it saw: ";
        // A map full of one thing out of reach for one reason: the first few tell.
        // Reasons alike but for their numbers count as the same.
        std::string alike = std::string(kindName(t.kind)) + (proven ? ": " : ", inconclusive: ");
        for (char c : why) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                alike += c;
            else if (alike.back() != 'N')
                alike += 'N';
        }
        if (++sameReason[alike] > sameReasonShown) return;
        const int number = options.firstNumber + static_cast<int>(result.findings.size());
        // The exit's finding is circled where the player starts.
        result.findings.push_back(Finding{number, t.x, t.kind == Kind::exitBeam ? startY_ : t.y});
        out_ << name << ": " << (proven ? error ? "error" : "warning" : error ? "unresolved" : "warning") << " [" << number
             << "]: " << verdict << why << (proven ? "\n" : ")\n");
    };
    for (const Target& t : targets_)
        if (t.objective) line(t, true);
    for (const Target& t : targets_)
        if (!t.objective && t.kind != Kind::exitBeam) line(t, options.strict);
    if (mission_ == 1 || mission_ == 2) line(targets_.back(), true);
    for (const auto& [what, count] : sameReason)
        if (count > sameReasonShown)
            out_ << "  and " << (count - sameReasonShown) << " more, each " << what << "\n";
    if (powerLost_)
        out_ << "  note: some fewest-frames routes ran out of power in spikes or flow; they were searched again "
                "keeping off them\n";

    if (!options.scriptDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.scriptDir, ec);
        for (const Target& t : targets_)
            if (t.reached) writeScript(options.scriptDir, options.level, t, mission_, objectiveFrame);
    }
    return result;
}

}  // namespace routesearch


RouteResult checkRoutes(const std::string& file, const RouteOptions& options, std::ostream& out) {
    routesearch::RouteSearch search(options.mission, !options.scriptDir.empty() || options.enemySeeds > 0,
                                    options.keepTrails, options.maxFrames,
                                    options.maxStates, out);
    search.load(file);
    search.run();
    RouteOptions told = options;
    if (told.level.empty()) told.level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(file)).lexically_normal());
    search.fitProofToEnemies(file, options.enemySeeds);
    RouteResult result = search.report(told);
    search.reportEnemies(file, options.enemySeeds, result, told);
    return result;
}