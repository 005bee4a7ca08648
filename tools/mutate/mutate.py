#!/usr/bin/env python3
"""Mutation runner: applies each fault of mutants.py to a source tree, rebuilds
incrementally, runs the fast tests (stopping at the first failure), records
killed or survived and restores the file.

  tools/mutate/mutate.py [--tree DIR] [--build DIR] [--only ID,ID] [--seed S --count N] [--out FILE]

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
SLOW_SCRIPTS = {"soak", "window_xvfb", "install_package", "mapcheck", "hostile_maps"}
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


def first_failure(tree, build_dir):
    for name, argv in fast_tests(tree, build_dir):
        try:
            r = subprocess.run(argv, cwd=build_dir / "tests", capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            return name + "(timeout)"
        if r.returncode not in (0, 77):
            return name
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", default=str(pathlib.Path(__file__).resolve().parents[2]))
    ap.add_argument("--build", default=None)
    ap.add_argument("--only", default="")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=0)
    ap.add_argument("--out", default=None)
    a = ap.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # restores the file on the way out
    tree = pathlib.Path(a.tree).resolve()
    build_dir = pathlib.Path(a.build or tree / "build").resolve()
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
