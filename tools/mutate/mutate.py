#!/usr/bin/env python3
"""Mutation runner: applies each fault of mutants.py to a source tree, rebuilds
incrementally, runs the fast tests (stopping at the first failure), records
killed or survived and restores the file.

  tools/mutate/mutate.py [--tree DIR] [--build DIR] [--only ID,ID] [--seed S --count N] [--out FILE]
  tools/mutate/mutate.py --generated [--count N (300)] [--seed S] [--out FILE.tsv] [--tree DIR] [--build DIR]

  tools/mutate/mutate.py --generated --rerun BEFORE.tsv [--out AFTER.tsv]
  tools/mutate/mutate.py --generated --table RUN.tsv

--generated draws its faults from generate.py's operators instead (a seeded
sample spread over the files by size) and writes one TSV row per fault and a
score table by folder: killed / (sample - equivalent - not building). Faults
judged equivalent by hand are listed, with the reason, in equivalent.tsv
beside this file (file, operator, line before, line after, reason); they are
not run again. Each fault rebuilds only what its file feeds (one translation
unit for a .cpp; the unit tests' program first, the rest only when those
pass), and each test stops at three times the unmutated run's time (at least
60 s). --rerun runs an earlier run's survivors, and the faults it never reached,
again on today's tree (after tests were added) and keeps its other rows; --table prints a run's score
table with today's judgements.

A fault names a file, an exact text in it and its replacement; when the text is
not in that file (code moves between files) the rest of src/ is searched, so the
same sample applies to older and newer trees. --seed/--count draw a fixed
random subset of the sample, for a quick look.
"""
import argparse
import os
import pathlib
import random
import signal
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from mutants import MUTANTS  # noqa: E402

# Tests too slow for one run per fault, or blind to game code.
SLOW_SCRIPTS = {"soak", "window_xvfb", "window_stress", "install_package", "mapcheck", "hostile_maps"}
TARGETS = ["brastor_tests", "brastor-headless", "brastor_data"]


def locate(tree, name, original):
    path = tree / name
    if path.is_file() and path.read_text().count(original) == 1:
        return path
    hits = [p for p in sorted((tree / "src").rglob("*")) if p.is_file() and p.suffix in (".cpp", ".h")
            and p.read_text().count(original) == 1]
    return hits[0] if len(hits) == 1 else None


def build(tree, build_dir):
    r = subprocess.run(["cmake", "--build", str(build_dir), "-j2", "--target", *TARGETS],
                       cwd=tree, capture_output=True, text=True)
    return r.returncode == 0, r.stdout[-2000:] + r.stderr[-2000:]


def fast_tests(tree, build_dir):
    """(name, argv) of every fast test, cheapest first."""
    tests = [("unit", [str(build_dir / "tests" / "brastor_tests"), "--gtest_fail_fast", "--gtest_brief=1"])]
    scripts = sorted((tree / "tests" / "scripts").glob("*.sh"))
    for s in scripts:
        if s.stem not in SLOW_SCRIPTS:
            tests.append((s.stem, ["bash", str(s), str(build_dir), str(tree)]))
    return tests


def run_test(argv, cwd, timeout):
    """The test's exit status, or None when it ran past `timeout` (its whole
    process group is stopped then)."""
    p = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
    try:
        return p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        return None


def first_failure(tree, build_dir, tests=None, limits=None):
    for name, argv in tests or fast_tests(tree, build_dir):
        status = run_test(argv, build_dir / "tests", (limits or {}).get(name, 120))
        if status is None:
            return name + "(timeout)"
        if status not in (0, 77):
            return name
    return None


# ---- generated mode

MAPCHECK_TESTS = ["mapcheck", "mapcheck_routes", "hostile_maps"]
# Scripts that cannot see a fault in src/ or tools/mapcheck/: the baked data's
# catalogue (the bake tool links no game code) and the include check (faults
# never touch an #include).
BLIND = {"data_catalogue", "layers"}
EQUIVALENT = pathlib.Path(__file__).resolve().parent / "equivalent.tsv"
COLUMNS = ["id", "status", "killer", "seconds", "folder", "file", "line", "op", "original", "mutated", "reason"]


def mutant_key(m):
    """What a hand judgement is kept under: the file, the operator and the line before and after."""
    return "\t".join([m["file"], m["op"], m["original"], m["mutated"]])


def equivalents():
    """key -> reason, from equivalent.tsv (comment lines start with #)."""
    judged = {}
    if EQUIVALENT.is_file():
        for line in EQUIVALENT.read_text().split("\n"):
            fields = line.split("\t")
            if line.strip() and not line.startswith("#") and len(fields) >= 5:
                judged["\t".join(fields[:4])] = fields[4]
    return judged


def read_rows(path):
    """The fault rows of a generated run's TSV."""
    rows = []
    for line in pathlib.Path(path).read_text().split("\n"):
        if not line or line.startswith(("#", "id\t")):
            continue
        fields = line.split("\t") + [""] * len(COLUMNS)
        rows.append(dict(zip(COLUMNS, fields)))
    return rows


def apply_row(tree, m):
    """The file's text with the fault of row m, or None when its line is gone."""
    lines = (tree / m["file"]).read_text().split("\n")
    hits = [i for i, line in enumerate(lines) if line.strip() == m["original"]]
    if not hits:
        return None
    no = min(hits, key=lambda i: abs(i + 1 - int(m["line"])))
    indent = lines[no][:len(lines[no]) - len(lines[no].lstrip())]
    lines[no] = indent + m["mutated"]
    return "\n".join(lines)


def plan_for(tree, build_dir, rel):
    """Stages of (targets to rebuild, tests to run) for a fault in `rel`,
    likeliest killers first: a later stage is built only when the earlier
    tests all pass, so most faults relink one program."""
    everything = [t for t in fast_tests(tree, build_dir) if t[0] not in BLIND]
    scripts = {s.stem: ["bash", str(s), str(build_dir), str(tree)] for s in (tree / "tests" / "scripts").glob("*.sh")}
    if rel.startswith("tools/mapcheck/"):
        return [(["brastor-mapcheck"], [(n, scripts[n]) for n in MAPCHECK_TESTS if n in scripts])]
    # The game's code: the unit tests, then the fast scripts, quickest first
    # (the route check runs the game's movement code through the map checker).
    quick = ["headless_games", "golden", "data_playthrough", "headless_cli", "mapcheck_routes"]
    rest = sorted(everything[1:], key=lambda t: quick.index(t[0]) if t[0] in quick else len(quick))
    return [(["brastor_tests"], everything[:1]), (TARGETS + ["brastor-mapcheck"], rest)]


def build_targets(tree, build_dir, targets):
    r = subprocess.run(["cmake", "--build", str(build_dir), "-j2", "--target", *targets],
                       cwd=tree, capture_output=True, text=True)
    return r.returncode == 0


def score_table(rows):
    """Lines of the score table by folder (and all) from the result rows."""
    folders = sorted({r["folder"] for r in rows}) + ["all"]
    lines = ["folder\tsample\tnot run\tno-build\tequivalent\tkilled\tsurvived\tscore"]
    for f in folders:
        mine = [r for r in rows if f == "all" or r["folder"] == f]
        n = {s: sum(r["status"] == s for r in mine)
             for s in ("no-build", "equivalent", "killed", "survived", "not-found", "not-run")}
        scored = n["killed"] + n["survived"]
        pct = f"{100 * n['killed'] / scored:.1f}%" if scored else "-"
        lines.append(f"{f}\t{len(mine)}\t{n['not-run'] + n['not-found']}\t{n['no-build']}\t{n['equivalent']}\t"
                     f"{n['killed']}\t{n['survived']}\t{n['killed']}/{scored} {pct}")
    return lines


def judge(rows):
    """Marks the rows judged equivalent by hand (a survivor only: a killed fault is not equivalent)."""
    judged = equivalents()
    for r in rows:
        if r["status"] in ("survived", "equivalent", "") and mutant_key(r) in judged:
            r["status"], r["killer"], r["reason"] = "equivalent", "-", judged[mutant_key(r)]
    return rows


def run_generated(a, tree, build_dir):
    import generate  # noqa: E402 (beside this file)
    if a.table:
        print("\n".join(score_table(judge(read_rows(a.table)))))
        return
    if a.rerun:
        # Again on this tree: the faults the earlier run left alive; the rest as they were.
        rows = read_rows(a.rerun)
        print(f"{len(rows)} faults of {a.rerun}, the survivors run again", flush=True)
    else:
        sample, total = generate.sample(tree, a.count or 300, a.seed)
        rows = [{"id": m["id"], "status": "", "killer": "-", "seconds": "0", "folder": generate.folder_of(m["file"]),
                 "file": m["file"], "line": str(m["line"]), "op": m["op"], "original": m["text"],
                 "mutated": m["mutated"], "reason": ""} for m in sample]
        print(f"{len(rows)} of {total} generated faults, seed {a.seed}", flush=True)
    judge(rows)
    if a.only:
        wanted = set(a.only.split(","))
        rows = [r for r in rows if r["id"] in wanted]
    to_run = [r for r in rows if r["status"] in ("", "survived", "not-run")]

    everything = [t for t in fast_tests(tree, build_dir) if t[0] not in BLIND] + [
        (n, ["bash", str(tree / "tests" / "scripts" / (n + ".sh")), str(build_dir), str(tree)])
        for n in ("mapcheck", "hostile_maps")]
    if not build_targets(tree, build_dir, TARGETS + ["brastor-mapcheck"]):
        sys.exit("the unmutated tree does not build")
    limits = {}
    for name, argv in [] if a.no_baseline else everything:
        start = time.time()
        status = run_test(argv, build_dir / "tests", 600)
        if status not in (0, 77):
            sys.exit(f"the unmutated tree fails {name}")
        limits[name] = max(60, 3 * (time.time() - start))

    out = open(a.out, "w") if a.out else None
    if out:
        print("\t".join(COLUMNS), file=out, flush=True)
    try:
        for m in rows:
            if m in to_run:
                start = time.time()
                path = tree / m["file"]
                text = path.read_text()
                mutated = apply_row(tree, m)
                killer = "-"
                if mutated is None:
                    status = "not-found"
                else:
                    ok = True
                    try:
                        path.write_text(mutated)
                        for targets, tests in plan_for(tree, build_dir, m["file"]):
                            ok = build_targets(tree, build_dir, targets)
                            killer = (first_failure(tree, build_dir, tests, limits) if ok else None) or "-"
                            if not ok or killer != "-":
                                break
                    finally:
                        path.write_text(text)
                    status = "no-build" if not ok else "survived" if killer == "-" else "killed"
                m.update(status=status, killer=killer, seconds=f"{time.time() - start:.0f}")
            row = "\t".join(m[c] for c in COLUMNS)
            print(row, flush=True)
            if out:
                print(row, file=out, flush=True)
    finally:
        build_targets(tree, build_dir, TARGETS + ["brastor-mapcheck"])
    table = score_table(rows)
    print("\n".join(table))
    if out:
        print("\n".join("# " + line for line in table), file=out)
        out.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", default=str(pathlib.Path(__file__).resolve().parents[2]))
    ap.add_argument("--build", default=None)
    ap.add_argument("--only", default="")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=0)
    ap.add_argument("--out", default=None)
    ap.add_argument("--generated", action="store_true")
    ap.add_argument("--rerun", default=None, help="with --generated: a TSV whose survivors run again")
    ap.add_argument("--table", default=None, help="with --generated: only print a TSV's score table")
    ap.add_argument("--no-baseline", action="store_true",
                    help="with --generated: skip the unmutated test run (each test then stops at 120 s)")
    a = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # restores the file on the way out
    tree = pathlib.Path(a.tree).resolve()
    build_dir = pathlib.Path(a.build or tree / "build").resolve()
    if a.generated:
        return run_generated(a, tree, build_dir)
    sample = list(MUTANTS)
    if a.only:
        wanted = set(a.only.split(","))
        sample = [m for m in sample if m[0] in wanted]
    if a.count:
        sample = sorted(random.Random(a.seed).sample(sample, a.count), key=MUTANTS.index)

    ok, log = build(tree, build_dir)
    if not ok or first_failure(tree, build_dir):
        sys.exit("the unmutated tree does not build or pass its fast tests:\n" + log)

    out = open(a.out, "w") if a.out else None
    killed = survived = 0
    try:
        for ident, name, original, replacement, what in sample:
            path = locate(tree, name, original)
            if path is None:
                row = f"{ident}\tnot-found\t-\t{name}: {what}"
            else:
                text = path.read_text()
                start = time.time()
                try:
                    path.write_text(text.replace(original, replacement, 1))
                    ok, log = build(tree, build_dir)
                    killer = first_failure(tree, build_dir) if ok else None
                finally:
                    path.write_text(text)
                status = "no-build" if not ok else "survived" if killer is None else "killed"
                killed += status == "killed"
                survived += status == "survived"
                row = f"{ident}\t{status}\t{killer or '-'}\t{path.relative_to(tree)}: {what} ({time.time() - start:.0f}s)"
            print(row, flush=True)
            if out:
                print(row, file=out, flush=True)
    finally:
        build(tree, build_dir)  # leave the build matching the restored sources
    summary = f"killed {killed} of {killed + survived} (sample {len(sample)})"
    print(summary)
    if out:
        print(summary, file=out)
        out.close()


if __name__ == "__main__":
    main()
