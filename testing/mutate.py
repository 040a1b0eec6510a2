#!/usr/bin/env python3
"""Mutation analysis of the programs' sources.

Makes one small change at a time to a program source (a comparison, a
boolean operator, an integer constant, a sign, a statement deleted, a
boolean literal), rebuilds, runs ctest and records whether the tests noticed:

  killed          a test failed, or the tests hung past the time limit
  survived        every test passed: either a test is missing, or the change
                  makes no difference anyone can see
  same code       the change compiles to the same object code: it is
                  equivalent, or stands where only another platform compiles
  not compiled    the change does not build (it tells nothing)

The working tree is never written: its files are mirrored into
build/mutate/src (only those that changed since the last run are copied, so
the build in build/mutate/build stays incremental) and the mutants are made
there. Each mutant is undone right after its test run, whatever happens.

Usage:
  testing/mutate.py [FILE ...] [--filter REGEX] [--max N] [--timeout S] [--sanitize]
  testing/mutate.py --list [FILE ...]      only show the mutants

FILE defaults to every program source (not the tests) under versefind/ and
heapsort/. --filter keeps the mutants whose "file:line: text" matches REGEX,
so `--filter 'heap.cpp:(19|23):'` picks two lines and `--filter return` every
line with a return. --sanitize tests in a sanitizer build instead of the
Release one, for the changes that only overrun memory or break a contract.

The survivors, with the original and the mutated line, go to
build/mutate/report.txt. Those judged already, with the reason no test can
catch them (the change is equivalent, or what it changes cannot be seen),
are kept in testing/mutation_survivors.txt and reported apart, so that a run
after a change shows only what is new.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

REPOSITORY = Path(__file__).resolve().parent.parent
WORK = REPOSITORY / "build" / "mutate"
# Each build has a mirror of its own, so a Release run and a sanitizer run
# may go on side by side.
MIRROR = WORK / "src"      # src-sanitize with --sanitize
BUILD = WORK / "build"     # build-sanitize with --sanitize
REPORT = WORK / "report.txt"  # report-sanitize.txt with --sanitize
EXPLAINED = REPOSITORY / "testing" / "mutation_survivors.txt"
BUILD_OPTIONS = ["-DCMAKE_BUILD_TYPE=Release"]  # as the programs ship
PROGRAM_FOLDERS = ("versefind", "heapsort")
TESTS = {}  # test program -> the names of its tests, read once the build is made
# What is not mirrored: build output, history, and nothing the build reads.
NOT_MIRRORED = {"build", ".git", "docs"}


@dataclass
class Mutant:
    path: str       # relative to the repository
    line: int       # 1-based
    kind: str       # what was changed, e.g. "< -> <="
    original: str   # the line as it is
    mutated: str    # the line as the mutant has it
    outcome: str = ""
    explained: str = ""  # why it survives, when testing/mutation_survivors.txt says
    hung: bool = False  # killed because the tests ran past the time limit


# ---- reading a source: which characters are code ---------------------------

def code_masks(lines):
    """For each line, a list telling which characters are code, or None for a
    line that is never mutated (preprocessor, assert). Comments, string and
    character literals are not code: a change there would test nothing."""
    masks = []
    in_block_comment = False
    continued_directive = False
    open_assert_parens = 0
    for text in lines:
        stripped = text.lstrip()
        if continued_directive or stripped.startswith("#"):
            continued_directive = text.rstrip().endswith("\\")
            masks.append(None)
            continue
        mask, in_block_comment = _mask_line(text, in_block_comment)
        code = "".join(c for c, is_code in zip(text, mask) if is_code)
        # An assert checks a contract, it is not behaviour: it and its
        # continuation lines are left alone.
        if open_assert_parens > 0 or re.search(r"\bassert\s*\(", code):
            open_assert_parens = max(0, open_assert_parens + code.count("(") - code.count(")"))
            masks.append(None)
            continue
        masks.append(mask)
    return masks


def _mask_line(text, in_block_comment):
    mask = [False] * len(text)
    i = 0
    while i < len(text):
        if in_block_comment:
            end = text.find("*/", i)
            if end < 0:
                return mask, True
            i, in_block_comment = end + 2, False
        elif text.startswith("//", i):
            break
        elif text.startswith("/*", i):
            in_block_comment = True
            i += 2
        elif text[i] in "\"'":
            i = _literal_end(text, i)
        else:
            mask[i] = True
            i += 1
    return mask, in_block_comment


def _literal_end(text, start):
    """The index just past the string or character literal at `start`. A
    quote after a digit is a digit separator (1'000), not a literal."""
    quote = text[start]
    if quote == "'" and start > 0 and text[start - 1].isalnum():
        return start + 1
    i = start + 1
    while i < len(text) and text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i + 1


# ---- the mutations -----------------------------------------------------------
# Each one yields (start, end, replacement, kind) for a stretch of one line.
# Binary operators are only taken where blanks surround them, as formatted
# code writes them: that keeps template brackets, <<, -> and && of rvalue
# references apart from comparisons and logic.

RELATIONAL = {  # each comparison to its boundary neighbour and its negation
    "<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
    "==": ["!="], "!=": ["=="],
}


def relational(text):
    for m in re.finditer(r"(?<= )(<=|>=|==|!=|<|>)(?= )", text):
        for other in RELATIONAL[m.group(1)]:
            yield m.start(), m.end(), other, f"{m.group(1)} -> {other}"


def boolean(text):
    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", text):
        other = "||" if m.group(1) == "&&" else "&&"
        yield m.start(), m.end(), other, f"{m.group(1)} -> {other}"
    for m in re.finditer(r"(?<![\w)\]])!(?!=)", text):
        yield m.start(), m.end(), "", "! removed"
    for m in re.finditer(r"\b(true|false)\b", text):
        other = "false" if m.group(1) == "true" else "true"
        yield m.start(), m.end(), other, f"{m.group(1)} -> {other}"


def constant(text):
    """Integer constants one more and one less, in their own notation."""
    for m in re.finditer(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])", text):
        digits, suffix = m.group(1), m.group(2)
        base = 16 if digits[:2].lower() == "0x" else 8 if len(digits) > 1 and digits[0] == "0" else 10
        value = int(digits, base)
        for step in (1, -1):
            new = value + step
            if new < 0 and base != 10:
                continue
            written = {16: digits[:2] + format(new, "X"), 8: "0" + format(new, "o"), 10: str(new)}[base]
            yield m.start(), m.end(), written + suffix, f"{digits} -> {written}"


def arithmetic(text):
    for m in re.finditer(r"(?<= )([-+])(?= )", text):
        left = text[:m.start()].rstrip()[-1:]
        right = text[m.end():].lstrip()[:1]
        if '"' in (left, right):
            continue  # joins strings: a minus would not compile
        other = "-" if m.group(1) == "+" else "+"
        yield m.start(), m.end(), other, f"{m.group(1)} -> {other}"
    for m in re.finditer(r"(\+\+|--|\+=|-=)", text):
        other = {"++": "--", "--": "++", "+=": "-=", "-=": "+="}[m.group(1)]
        yield m.start(), m.end(), other, f"{m.group(1)} -> {other}"


OPERATORS = (relational, boolean, constant, arithmetic)

# Lines that are not a simple statement to delete: control flow is kept
# (deleting a return only breaks the build), and so are declarations.
KEPT_STARTS = re.compile(
    r"(return|break|continue|case|default|using|namespace|typedef|template|"
    r"enum|struct|class|public|private|else|do|goto)\b|[{}]")
DECLARATION = re.compile(
    r"(?!(delete|throw)\b)\w[\w:<>,*&]*(\s+\w[\w:<>,*&]*)*\s+[*&]?\w+\s*(=|\(|\{|;|\[)")


def deletable(code, previous_code):
    """Whether `code` (the code of one line) is a whole simple statement:
    it starts after the previous statement ended and ends on this line."""
    code = code.strip()
    if not code.endswith(";") or code.count("(") != code.count(")"):
        return False
    if previous_code is not None and previous_code.rstrip()[-1:] not in (";", "{", "}", ":"):
        return False  # the body of an if or a loop, or a statement's tail
    return not KEPT_STARTS.match(code) and not DECLARATION.match(code)


def mutants_of(path):
    """Every mutant of one file, in line order."""
    lines = (REPOSITORY / path).read_text().split("\n")
    masks = code_masks(lines)
    previous_code = None  # the code of the last line that had any
    for number, (text, mask) in enumerate(zip(lines, masks), start=1):
        if mask is None:
            previous_code = ";"  # a directive or an assert ends whatever was before
            continue
        # Comments and literals blanked out; quotes kept, to tell a literal's place.
        code = "".join(c if is_code or c in "\"'" else " " for c, is_code in zip(text, mask))
        for operator in OPERATORS:
            for start, end, replacement, kind in operator(code):
                if all(mask[start:end]):
                    mutated = text[:start] + replacement + text[end:]
                    yield Mutant(path, number, kind, text, mutated)
        if deletable(code, previous_code):
            yield Mutant(path, number, "statement deleted", text, "")
        if code.strip():
            previous_code = code


# ---- building and testing ---------------------------------------------------

def run(command, cwd, timeout=None):
    """Runs `command` in a session of its own, so that a hang, or Ctrl-C here,
    ends it with everything it started. Returns its status, or None when it
    ran past `timeout`."""
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


def mirror_sources():
    """Makes build/mutate/src hold what the working tree holds, copying only
    the files that differ, so that the build after it stays incremental."""
    wanted = set()
    for folder, subfolders, files in os.walk(REPOSITORY):
        here = Path(folder).relative_to(REPOSITORY)
        if here == Path("."):
            subfolders[:] = [s for s in subfolders if s not in NOT_MIRRORED]
            files = [f for f in files if f not in NOT_MIRRORED]  # a worktree's .git is a file
        for name in files:
            relative = here / name
            wanted.add(relative)
            source, copy = REPOSITORY / relative, MIRROR / relative
            if not copy.exists() or copy.read_bytes() != source.read_bytes():
                copy.parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(source, copy)
    for folder, _, files in os.walk(MIRROR):
        for name in files:
            copy = Path(folder) / name
            if copy.relative_to(MIRROR) not in wanted:
                copy.unlink()


def test_targets(path):
    """The test programs a change to `path` can affect."""
    folder = Path(path).parts[0] if path else ""
    if folder in PROGRAM_FOLDERS:
        return [f"{folder}_tests"]
    return [f"{f}_tests" for f in PROGRAM_FOLDERS]


# Compiler jobs and tests at once: `make mutate` passes its JOBS.
JOBS = os.environ.get("JOBS", "2")


def build(targets):
    command = ["cmake", "--build", str(BUILD), "--parallel", JOBS, "--target", *targets]
    return run(command, REPOSITORY) == 0


def tests_by_program():
    """The names of the tests each test program holds, as ctest knows them."""
    listing = subprocess.run(["ctest", "--test-dir", str(BUILD), "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    programs = {}
    for test in json.loads(listing)["tests"]:
        programs.setdefault(Path(test["command"][0]).name, []).append(test["name"])
    return programs


def run_tests(timeout, targets=None):
    """Runs ctest, only the tests of the test programs `targets` when given:
    "passed", "failed", or "hung" when it ran past `timeout`."""
    command = ["ctest", "--test-dir", str(BUILD), "--parallel", JOBS, "--stop-on-failure"]
    if targets:
        names = [n for t in targets for n in TESTS.get(t, [])]
        command += ["--tests-regex", "^(" + "|".join(re.escape(n) for n in names) + ")$"]
    status = run(command, REPOSITORY, timeout)
    return "hung" if status is None else "passed" if status == 0 else "failed"


def prepare():
    """Mirrors, configures once, builds and checks that the unchanged sources
    pass. Returns the seconds one test run takes."""
    mirror_sources()
    if not (BUILD / "CMakeCache.txt").exists():
        environment = dict(os.environ, CXXFLAGS="")  # a warning is no kill
        subprocess.run(["cmake", "-S", str(MIRROR), "-B", str(BUILD), *BUILD_OPTIONS,
                        "-DBUILD_BENCHMARKS=OFF"],
                       check=True, stdout=subprocess.DEVNULL, env=environment)
    if not build(test_targets("")):
        sys.exit(f"mutate: the unchanged sources do not build (see cmake --build {BUILD})")
    TESTS.update(tests_by_program())
    started = time.monotonic()
    if run_tests(timeout=600) != "passed":
        sys.exit(f"mutate: the unchanged sources fail their tests (see ctest --test-dir {BUILD})")
    return time.monotonic() - started


def object_code(path):
    """The bytes of the object files compiled from `path` (none for a header)."""
    return [o.read_bytes() for o in sorted(BUILD.glob(f"CMakeFiles/*.dir/{path}.o"))]


ORIGINAL_CODE = {}  # path -> its object code unchanged, read before its first mutant


def try_mutant(mutant, timeout):
    """Writes the mutant into the mirror, builds and tests it, and puts the
    original back, whatever happens in between."""
    copy = MIRROR / mutant.path
    original = copy.read_text()
    lines = original.split("\n")
    lines[mutant.line - 1] = mutant.mutated
    ORIGINAL_CODE.setdefault(mutant.path, object_code(mutant.path))
    try:
        copy.write_text("\n".join(lines))
        if not build(test_targets(mutant.path)):
            mutant.outcome = "not compiled"
        elif ORIGINAL_CODE[mutant.path] and object_code(mutant.path) == ORIGINAL_CODE[mutant.path]:
            # Compiled to the very same code: the change is equivalent, or
            # stands in a part compiled only on another platform.
            mutant.outcome = "same code"
        else:
            # The other program's tests cannot notice: its binaries are as they were.
            tests = run_tests(timeout, test_targets(mutant.path))
            mutant.outcome = "survived" if tests == "passed" else "killed"
            if mutant.outcome == "survived":
                key = (mutant.path, shown(mutant.original), shown(mutant.mutated))
                mutant.explained = explained_survivors().get(key, "")
            mutant.hung = tests == "hung"
    finally:
        # Written anew rather than copied with its old time stamp: the build
        # must see it as newer than the mutant's object file.
        copy.write_text(original)


# ---- the summary and the report --------------------------------------------

def explained_survivors():
    """The survivors already judged, from testing/mutation_survivors.txt:
    (file, original line, mutated line) -> why no test can catch it. Each
    entry is a line "FILE: WHY", then one or more pairs of lines "  - ORIGINAL"
    and "  + MUTATED" (stripped, as the report shows them)."""
    reasons = {}
    path = reason = original = None
    lines = EXPLAINED.read_text().splitlines() if EXPLAINED.exists() else []
    for text in lines:
        if not text.strip() or text.startswith("#"):
            continue
        if not text.startswith(" "):
            path, _, reason = text.partition(": ")
        elif text.lstrip().startswith("- "):
            original = text.lstrip()[2:]
        else:
            reasons[(path, original, text.lstrip()[2:])] = reason
    return reasons


def shown(line):
    return line.strip() or "(deleted)"


OUTCOMES = ("killed", "survived", "same code", "not compiled")


def summary(mutants, files):
    rows = [f"{'file':34} {'mutants':>7} {'killed':>7} {'survived':>9} "
            f"{'(explained)':>11} {'same code':>10} {'not compiled':>13}"]
    for path in files:
        mine = [m for m in mutants if m.path == path and m.outcome]
        if not mine:
            continue
        counts = [sum(m.outcome == o for m in mine) for o in OUTCOMES]
        explained = sum(bool(m.explained) for m in mine if m.outcome == "survived")
        rows.append(f"{path:34} {len(mine):7} {counts[0]:7} {counts[1]:9} "
                    f"{explained:11} {counts[2]:10} {counts[3]:13}")
    return "\n".join(rows)


def write_report(mutants, files, header):
    survivors = [m for m in mutants if m.outcome == "survived"]
    new = [m for m in survivors if not m.explained]
    parts = [header, "", summary(mutants, files), "",
             f"Survivors not explained in {EXPLAINED.relative_to(REPOSITORY)} ({len(new)}):"]
    for m in new:
        parts += [f"{m.path}:{m.line}: {m.kind}",
                  f"  - {shown(m.original)}",
                  f"  + {shown(m.mutated)}"]
    parts += ["", f"Survivors explained there ({len(survivors) - len(new)}):"]
    parts += [f"{m.path}:{m.line}: {m.kind}: {m.explained}" for m in survivors if m.explained]
    REPORT.write_text("\n".join(parts) + "\n")


def default_files():
    return sorted(str(p.relative_to(REPOSITORY))
                  for folder in PROGRAM_FOLDERS
                  for p in (REPOSITORY / folder).rglob("*")
                  if p.suffix in (".cpp", ".h") and not p.stem.endswith("_test"))


def parse_arguments():
    parser = argparse.ArgumentParser(
        description="Mutation analysis: small changes to the sources, each rebuilt and tested.")
    parser.add_argument("files", nargs="*", help="sources to mutate (default: every program source)")
    parser.add_argument("--filter", help='keep the mutants whose "file:line: text" matches this regex')
    parser.add_argument("--max", type=int, help="try at most this many mutants")
    parser.add_argument("--timeout", type=float,
                        help="seconds a test run may take before it counts as a hang "
                             "(default: 10 times the unchanged run, at least 20)")
    parser.add_argument("--sanitize", action="store_true",
                        help="test a build with AddressSanitizer and UndefinedBehaviorSanitizer "
                             "(Debug, so asserts are checked too) instead of the Release build")
    parser.add_argument("--list", action="store_true", help="only list the mutants")
    return parser.parse_args()


def main():
    arguments = parse_arguments()
    files = [str(Path(f).resolve().relative_to(REPOSITORY)) for f in arguments.files] \
        or default_files()
    mutants = [m for f in files for m in mutants_of(f)
               if not arguments.filter
               or re.search(arguments.filter, f"{m.path}:{m.line}: {m.original}")]
    mutants = mutants[:arguments.max]
    if arguments.list:
        for m in mutants:
            print(f"{m.path}:{m.line}: {m.kind}: {shown(m.mutated)}")
        return 0

    if arguments.sanitize:
        # A fault that only overruns memory or breaks a contract shows here,
        # as in the sanitizer build the tests also run in.
        global MIRROR, BUILD, REPORT, BUILD_OPTIONS
        MIRROR = WORK / "src-sanitize"
        BUILD = WORK / "build-sanitize"
        REPORT = WORK / "report-sanitize.txt"
        BUILD_OPTIONS = ["-DCMAKE_BUILD_TYPE=Debug", "-DSANITIZE=ON"]
    # A terminating signal unwinds like Ctrl-C, so the mirror is restored.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    WORK.mkdir(parents=True, exist_ok=True)
    baseline = prepare()
    timeout = arguments.timeout or max(20.0, 10 * baseline)
    started = time.monotonic()
    try:
        for number, mutant in enumerate(mutants, start=1):
            mutant_started = time.monotonic()
            try_mutant(mutant, timeout)
            print(f"[{number}/{len(mutants)}] {mutant.outcome:12} "
                  f"{mutant.path}:{mutant.line}: {mutant.kind} "
                  f"({time.monotonic() - mutant_started:.0f} s{', time limit' if mutant.hung else ''})",
                  flush=True)
    except KeyboardInterrupt:
        print("mutate: interrupted; the report covers the mutants tried", file=sys.stderr)
    minutes = (time.monotonic() - started) / 60
    header = (f"Mutation analysis, {time.strftime('%Y-%m-%d %H:%M')}, {BUILD.name}, "
              f"{sum(bool(m.outcome) for m in mutants)} of {len(mutants)} mutants tried "
              f"in {minutes:.1f} minutes (test time limit {timeout:.0f} s)")
    write_report(mutants, files, header)
    print("\n" + summary(mutants, files))
    print(f"\nThe survivors: {REPORT.relative_to(REPOSITORY)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
