"""Generated mutants: every place in the game's code and the map checker where
one of the operators below applies, and a seeded sample of them spread over the
files by their size.

Operators (comments, strings, character literals and preprocessor lines are
never touched):
  rel    < <=, > >=, == != (either way; < and > only as spaced binary operators)
  const  an integer literal plus or minus one
  logic  && ||
  bool   true false
  index  [0] [1] as a subscript (not in a declaration)
  delete a whole-line statement that is an assignment or a call
  step   a += or -= inside a line (a loop step, a braceless if's body) made += 0

A mutant is known by its file, its operator and its line before and after
(stripped), which stay the same while the line does, wherever it moves; the
hand judgements of mutate.py are kept under that.
"""
import pathlib
import random
import re

# Code the fast tests build and run: the game, the headless backend, the map
# checker. The window and browser backends, the window thread's handshake they
# share and the window program's entry run only in the slow window and browser
# tests, the Windows backend only in the cross build under Wine.
ROOTS = ["src", "tools/mapcheck"]
EXCLUDED = ("src/platform/sdl/", "src/platform/web/", "src/platform/win32/", "src/platform/window_link.",
            "src/shell/main.cpp")

IDENT = re.compile(r"[A-Za-z_]\w*")
INT = re.compile(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])")
KEYWORDS_NOT_CALLS = {"return", "if", "for", "while", "switch", "case", "delete", "new", "throw", "sizeof",
                      "static_assert", "using", "typedef", "goto", "co_return", "else", "do"}


def source_files(tree):
    files = []
    for root in ROOTS:
        for p in sorted((tree / root).rglob("*")):
            rel = p.relative_to(tree).as_posix()
            if p.suffix in (".cpp", ".h") and not rel.startswith(EXCLUDED) and rel not in EXCLUDED:
                files.append(rel)
    return files


def mask_code(text):
    """The text with comments, string and character literals blanked (same
    length, newlines kept), so operators are looked for in code only."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out[i:j] = " " * (j - i)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out[i:j] = ["\n" if ch == "\n" else " " for ch in text[i:j]]
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out[i + 1:j - 1] = " " * max(0, j - 1 - (i + 1))
            i = j
        else:
            i += 1
    return "".join(out)


def declared_sizes(masked):
    """name -> declared size of the one-dimensional tables with a literal size."""
    sizes = {}
    for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\[(\d+)\]\s*(=|;|\{)", masked):
        sizes.setdefault(m.group(1), int(m.group(2)))
    return sizes


def statement_kind(code):
    """'assign' or 'call' when the stripped line is one whole such statement."""
    s = code.strip()
    if not s.endswith(";") or s.count(";") != 1 or s.startswith(("}", "{")):
        return None
    body = s[:-1].strip()
    depth = 0
    for ch in body:
        depth += ch in "([{"
        depth -= ch in ")]}"
        if depth < 0:
            return None
    if depth:
        return None
    first = IDENT.match(body.lstrip("*+-(") )
    if first and first.group(0) in KEYWORDS_NOT_CALLS:
        return None
    if re.match(r"^(\+\+|--)\s*[A-Za-z_]", body) or re.match(r"^[A-Za-z_][\w.\->\[\]]*\s*(\+\+|--)$", body):
        return "assign"
    lhs = r"\(?\*?[A-Za-z_]\w*(\s*(\.|->|::)\s*[A-Za-z_]\w*|\s*\[[^\]]*\]|\))*"
    if re.match(r"^" + lhs + r"\s*(=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=)(?!=)", body):
        return "assign"
    if re.match(r"^(::)?[A-Za-z_][\w:]*(<[^;]*>)?(\s*(\.|->)\s*[A-Za-z_]\w*)*\(.*\)$", body):
        return "call"
    return None


def expression_end(code, start):
    """Index just past the expression that starts at `start`: up to a ; , ) or
    ] at depth zero."""
    depth = 0
    for i in range(start, len(code)):
        ch = code[i]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            if depth == 0:
                return i
            depth -= 1
        elif ch in ";," and depth == 0:
            return i
    return len(code)


def line_mutants(code, sizes):
    """(operator, start, end, replacement) for one masked line of code."""
    found = []
    for m in re.finditer(r"(?<=\s)(<=|>=|<|>)(?=\s)", code):
        flip = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[m.group(1)]
        found.append(("rel", m.start(), m.end(), flip))
    for m in re.finditer(r"==|!=", code):
        found.append(("rel", m.start(), m.end(), "!=" if m.group(0) == "==" else "=="))
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        found.append(("logic", m.start(), m.end(), "||" if m.group(1) == "&&" else "&&"))
    for m in re.finditer(r"\b(true|false)\b", code):
        found.append(("bool", m.start(), m.end(), "false" if m.group(1) == "true" else "true"))
    for m in re.finditer(r"([A-Za-z_]\w*|\]|\))\s*\[([01])\]", code):
        name = m.group(1)
        if name in sizes and sizes[name] < 2:
            continue
        before = code[:m.start()].rstrip()
        # A declaration (a type before the name) or a lambda's capture list.
        if re.search(r"(\b(int|char|bool|auto|float|double|short|long|u?int\d+_t|std::\w+|[A-Z]\w*)\s*&?\*?)$", before) \
                and m.group(1) not in ("]", ")"):
            continue
        idx = m.start(2)
        found.append(("index", idx, idx + 1, "1" if m.group(2) == "0" else "0"))
    for m in INT.finditer(code):
        text, suffix = m.group(1), m.group(2)
        if text.startswith(("0x", "0X")):
            value, fmt = int(text, 16), lambda v: hex(v) if v >= 0 else None
        else:
            if len(text) > 1 and text.startswith("0"):
                continue  # octal: not used in this code
            value, fmt = int(text), str
        for delta in (1, -1):
            new = fmt(value + delta)
            if new is None:
                continue
            # A negative literal would change how the expression parses.
            if value + delta < 0:
                new = "(" + new + ")"
            found.append(("const", m.start(), m.end(), new + suffix))
    kind = statement_kind(code)
    if kind:
        s = len(code) - len(code.lstrip())
        found.append(("delete", s, len(code.rstrip()), "{}"))
    elif "+=" in code or "-=" in code:
        for m in re.finditer(r"(\+=|-=)", code):
            end = expression_end(code, m.end())
            found.append(("step", m.end(), end, " 0"))
    return found


def candidates(tree):
    """Every mutant of the tree: dicts with file, line (1-based), text (the
    stripped line), op, nth, start/end (in the line), replacement, mutated."""
    out = []
    for rel in source_files(tree):
        text = (tree / rel).read_text()
        masked = mask_code(text)
        sizes = declared_sizes(masked)
        lines, mlines = text.split("\n"), masked.split("\n")
        for no, (line, code) in enumerate(zip(lines, mlines), 1):
            if code.lstrip().startswith("#") or not code.strip():
                continue
            seen = {}
            for op, s, e, rep in sorted(line_mutants(code, sizes), key=lambda t: (t[1], t[0], t[3])):
                nth = seen.get((op, rep), 0)
                seen[(op, rep)] = nth + 1
                mutated = line[:s] + rep + line[e:]
                if mutated == line:
                    continue
                indent = len(line) - len(line.lstrip())
                out.append({"file": rel, "line": no, "text": line.strip(), "op": op, "nth": nth,
                            "start": s - indent, "end": e - indent, "replacement": rep, "mutated": mutated.strip()})
    return out


def folder_of(rel):
    parts = rel.split("/")
    return "/".join(parts[:2])


def sample(tree, count, seed):
    """`count` mutants drawn with `seed`, spread over the files by their size in
    lines: each file gets its share (largest remainders first), a file with
    fewer mutants than its share passes the rest on."""
    every = candidates(tree)
    by_file = {}
    for m in every:
        by_file.setdefault(m["file"], []).append(m)
    size = {f: len((tree / f).read_text().split("\n")) for f in by_file}
    rng = random.Random(seed)
    quota = {f: 0 for f in by_file}
    left = min(count, len(every))
    while left > 0:
        open_files = [f for f in by_file if quota[f] < len(by_file[f])]
        total = sum(size[f] for f in open_files)
        shares = {f: left * size[f] / total for f in open_files}
        add = {f: min(int(shares[f]), len(by_file[f]) - quota[f]) for f in open_files}
        given = sum(add.values())
        for f in sorted(open_files, key=lambda f: (-(shares[f] - int(shares[f])), f)):
            if given >= left:
                break
            if quota[f] + add[f] < len(by_file[f]):
                add[f] += 1
                given += 1
        for f in open_files:
            quota[f] += add[f]
        left -= given
    chosen = []
    for f in sorted(by_file):
        chosen += sorted(rng.sample(by_file[f], quota[f]), key=lambda m: (m["line"], m["start"], m["replacement"]))
    for i, m in enumerate(chosen, 1):
        m["id"] = f"g{i:03d}"
    return chosen, len(every)
