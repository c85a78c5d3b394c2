#!/usr/bin/env python3
"""Counts the suite's assertions and its size against the code it tests.

Assertions: uses of GoogleTest's EXPECT_*/ASSERT_* macros in C++ files under tests/, and
self.assert*(...) calls and bare `assert` statements in Python files under tests/.
Lines: non-blank lines of C++ (.h .cpp .cc .hpp) and Python (.py) files; tests/ against the
rest of the tree (bench/, build trees and hidden folders left out).
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, ".."))
CODE = (".h", ".hpp", ".cpp", ".cc", ".py")
SKIP = {"bench", ".git", ".ci"}

CPP_ASSERT = re.compile(r"\b(?:EXPECT|ASSERT)_[A-Z0-9_]+\s*\(")
PY_ASSERT = re.compile(r"\bself\.assert[A-Za-z]*\s*\(|^\s*assert\b")


def files():
    for top, dirs, names in os.walk(ROOT):
        rel = os.path.relpath(top, ROOT)
        first = "" if rel == "." else rel.split(os.sep)[0]
        if first in SKIP or first.startswith("build") or first.startswith("."):
            dirs[:] = []
            continue
        for name in names:
            if name.endswith(CODE):
                yield os.path.join(top, name), first == "tests"


def main():
    lines = {True: 0, False: 0}
    asserts = {"cpp": 0, "py": 0}
    for path, is_test in files():
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        lines[is_test] += sum(1 for line in text.splitlines() if line.strip())
        if not is_test:
            continue
        if path.endswith(".py"):
            asserts["py"] += sum(len(PY_ASSERT.findall(line)) for line in text.splitlines())
        else:
            asserts["cpp"] += len(CPP_ASSERT.findall(text))
    total = asserts["cpp"] + asserts["py"]
    print(f"assertions: cpp {asserts['cpp']} py {asserts['py']} total {total}")
    print(f"lines: tests {lines[True]} code {lines[False]} ratio {lines[True] / lines[False]:.3f}")


if __name__ == "__main__":
    main()
