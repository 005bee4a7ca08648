// The route report and the proof scripts: one line per target, one
// brastor-headless script per reached target.
#include "mapcheck/routes_search.h"

#include <iterator>
#include <sstream>

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

RouteResult RouteSearch::report(const RouteOptions& options, Findings& findings) {
    RouteResult result;
    result.searched = true;
    result.width = mapWidth;
    result.height = mapHeight;
    result.reached.assign(static_cast<std::size_t>(mapWidth) * mapHeight, 0);
    for (int y = 0; y < mapHeight; ++y)
        for (int x = 0; x < mapWidth; ++x) result.reached[y * mapWidth + x] = everReached_[y * gridSize + x];
    labelAreas();
    findings.add(Severity::note, "routes from the start " + cellText(startX_, startY_) + ", enemies left out:");
    const int objectiveFrame = boxFrame_;
    // The search plays the nearest map change first, so a target it did not
    // reach is out of reach only where provenOutOfReach says so.
    const std::string stoppedText =
        "inconclusive: the search stopped after " + std::to_string(changesMade_) + " map change" +
        (changesMade_ == 1 ? "" : "s") +
        (gaveUp_ ? " and " + std::to_string(statesSearched_) + " player states, its budget"
                 : ordersSearched_ ? ", every order of them tried, each made by its fewest-frames route"
                                   : ", trying the nearest first, not every order") +
        (maxFrames_ > 0 ? ", routes of at most " + std::to_string(maxFrames_) + " frames" : "");
    constexpr int sameReasonShown = 10;
    std::map<std::string, int> sameReason;
    auto line = [&](const Target& t, bool error) {
        const std::string name = std::string(kindName(t.kind)) + " " +
                                 (t.kind == Kind::exitBeam ? "column " + std::to_string(t.x) : cellText(t.x, t.y));
        if (t.kind == Kind::exitBeam && options.exitBlocked && !t.reached) {
            findings.add(Severity::note, "not searched: the beam cannot hang until its column is opened (above)", {},
                         name);
            return;
        }
        if (t.reached) {
            std::string words = "reached, " + std::to_string(t.frames) + " frames";
            if (t.kind == Kind::exitBeam)
                words += " (" + std::to_string(t.frames - objectiveFrame) + " after the objective)";
            findings.add(Severity::note, words, {}, name);
            if (keepTrails_) {
                result.trails.push_back(t.trail);
                result.trailNames.push_back(name);
            }
            return;
        }
        const bool proven = provenOutOfReach(t);
        if (proven && t.kind == Kind::exitBeam)
            result.exitProvenOut = true;
        else if (proven)
            result.provenOut.push_back({t.x, t.y});
        const Severity severity = !error ? Severity::warning : proven ? Severity::error : Severity::unresolved;
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
        const bool told = ++sameReason[alike] <= sameReasonShown;
        // The exit's finding is circled where the player starts.
        findings.add(severity, verdict + why + (proven ? "" : ")"), {t.x, t.kind == Kind::exitBeam ? startY_ : t.y},
                     name, told);
    };
    for (const Target& t : targets_)
        if (t.objective) line(t, true);
    for (const Target& t : targets_)
        if (!t.objective && t.kind != Kind::exitBeam) line(t, options.strict);
    if (mission_ == 1 || mission_ == 2) line(targets_.back(), true);
    for (const auto& [what, count] : sameReason)
        if (count > sameReasonShown)
            findings.add(Severity::note, "  and " + std::to_string(count - sameReasonShown) + " more, each " + what);
    if (powerLost_)
        findings.add(Severity::note,
                     "  note: some fewest-frames routes ran out of power in spikes or flow; they were searched again "
                     "by the fewest contacts with them");

    if (!options.scriptDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.scriptDir, ec);
        for (const Target& t : targets_)
            if (t.reached) writeScript(options.scriptDir, options.level, t, mission_, objectiveFrame);
    }
    return result;
}

}  // namespace routesearch


RouteResult checkRoutes(const std::vector<std::uint8_t>& bmp, const RouteOptions& options, Findings& findings) {
    // The search tells only of a route it played that left the one it searched.
    std::ostringstream internal;
    routesearch::RouteSearch search(options.mission, !options.scriptDir.empty() || options.enemySeeds > 0,
                                    options.keepTrails, options.maxFrames, options.maxStates, internal);
    search.load(bmp);
    search.run();
    std::istringstream lines(internal.str());
    for (std::string line; std::getline(lines, line);) findings.add(Severity::note, line);
    search.fitProofToEnemies(bmp, options.enemySeeds);
    RouteResult result = search.report(options, findings);
    search.reportEnemies(bmp, options.enemySeeds, findings);
    return result;
}

RouteResult checkRoutes(const std::string& file, const RouteOptions& options, std::ostream& out) {
    std::ifstream in(pathOfUtf8(file), std::ios::binary);
    const std::vector<std::uint8_t> bmp{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    RouteOptions told = options;
    if (told.level.empty()) told.level = utf8OfPath(std::filesystem::absolute(pathOfUtf8(file)).lexically_normal());
    Findings findings;
    RouteResult result = checkRoutes(bmp, told, findings);
    findings.print(out);
    return result;
}
