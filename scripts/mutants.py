#!/usr/bin/env python3
"""Mutation run: makes one-line changes to the library's sources, one at a time, rebuilds the
library's test suites and runs them; a change that no test notices is a mutant that survived.

Usage: scripts/mutants.py [--count N] [--seed S] [--build DIR] [FILE ...]

Every candidate change is found by the operators below; --count of them are drawn with the
seed. A change that does not compile is not counted. Survivors are printed with their place,
to be read: some change nothing a user could see (an equivalent mutant)."""
import argparse
import random
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
# Every source of util/, store/ and rename/, and the platform files shared by both systems and
# those of Linux.
DEFAULT_FILES = sorted(
    str(path.relative_to(ROOT))
    for folder in ("util", "store", "rename", "platform", "platform/linux")
    for path in (ROOT / folder).glob("*.cpp"))
# (pattern, replacement): each match on a line gives one candidate.
OPERATORS = [
    (r"==", "!="), (r"!=", "=="), (r"(?<![<>])<(?![<=])", "<="), (r"<=", "<"), (r">=", ">"),
    (r"&&", "||"), (r"\|\|", "&&"), (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
    (r" \| O_EXCL", ""), (r" \| O_NOFOLLOW", ""), (r"LOCK_EX", "LOCK_SH"), (r"0644", "0600"),
    (r"0666", "0600"), (r"\+ 1\b", ""), (r"- 1\b", ""), (r"\breturn \{\};", "return LastError();"),
    (r"!(?=[A-Za-z(])", ""),
]
STATEMENT = re.compile(r"^\s*(Sys\(\)\.|native::|[A-Za-z_]+\(|\+\+|--|[a-z_]+\.[A-Za-z_]+\()")


def candidates(path):
    lines = path.read_text().split("\n")
    found = []
    for number, line in enumerate(lines):
        code = line.split("//")[0]
        if not code.strip() or code.lstrip().startswith(("#", "*")):
            continue
        for pattern, replacement in OPERATORS:
            for match in re.finditer(pattern, code):
                mutated = line[:match.start()] + replacement + line[match.end():]
                found.append((path, number, line, mutated))
        # A whole statement left out.
        if STATEMENT.match(code) and code.rstrip().endswith(";"):
            found.append((path, number, line, "/* removed */"))
    return found


def run(command, timeout):
    try:
        return subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--build", default="build/mutants")
    parser.add_argument("files", nargs="*", default=DEFAULT_FILES)
    args = parser.parse_args()
    build = args.build
    subprocess.run(["cmake", "-S", ".", "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DZANTOVEL_APP=ON", "-DZANTOVEL_BENCH=OFF"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    suites = ["name_logic", "rename_pass", "settings", "settings_forms", "activity_log", "text",
              "undo", "window_model", "command_line", "faults", "system_faults", "safety"]
    targets = [f"{suite}_tests" for suite in suites] + ["probe"]
    subprocess.run(["cmake", "--build", build, "--target", *targets], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    pool = [c for f in args.files for c in candidates(ROOT / f)]
    chosen = random.Random(args.seed).sample(pool, min(args.count, len(pool)))
    tests = [[f"{build}/tests/{suite}_tests"] + (["--gtest_filter=-CrashTest.*"] if suite == "faults" else [])
             for suite in suites]
    killed = survived = invalid = 0
    for path, number, line, mutated in chosen:
        original = path.read_text()
        lines = original.split("\n")
        lines[number] = mutated
        path.write_text("\n".join(lines))
        place = f"{path.relative_to(ROOT)}:{number + 1}"
        started = time.time()
        try:
            if run(["cmake", "--build", build, "--target", *targets], 600) != 0:
                invalid += 1
                print(f"does not compile  {place}", flush=True)
                continue
            if any(run(test, 300) != 0 for test in tests):  # a hang counts as noticed
                killed += 1
                outcome = "killed"
            else:
                survived += 1
                outcome = "SURVIVED"
            print(f"{outcome:<17} {place}  {line.strip()}  ->  {mutated.strip()}  "
                  f"({time.time() - started:.0f} s)", flush=True)
        finally:
            path.write_text(original)
    run(["cmake", "--build", build, "--target", *targets], 600)
    total = killed + survived
    print(f"{killed} killed, {survived} survived of {total} mutants "
          f"({100 * killed / max(total, 1):.0f}%); {invalid} did not compile")


if __name__ == "__main__":
    sys.exit(main())
