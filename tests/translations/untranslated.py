#!/usr/bin/env python3
"""Finds the panel's words that do not go through Qt's translation system.

Every string literal in the sources that holds a Chinese character must be the text of a
QCoreApplication::translate(), tr() or QT_TRANSLATE_NOOP() call (adjacent literals joined, as
the compiler joins them), unless its line says why not with a comment "// untranslated: why"
(font names, words that are part of a file's format). Prints each one found with its place.
Exit status: 0 when there is none, 1 when there are some, 2 when no Chinese text was found at
all (the check would then have checked nothing).
"""
import pathlib
import re
import sys

CHINESE = re.compile(r"[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]")
CALL = re.compile(r"(?:QCoreApplication::translate|\btr|QT_TRANSLATE_NOOP)\s*\(\s*"
                  r"(?:\"[A-Za-z0-9_]+\"\s*,\s*)?$")
TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|R"\((?:.|\n)*?\)"|"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'',
                   re.S)


def literals(text):
    """Yields (line, start, end, literal, line comment) for every string literal."""
    for match in TOKEN.finditer(text):
        token = match.group(0)
        if token.startswith("//") or token.startswith("/*") or token.startswith("'"):
            continue
        line_start = text.rfind("\n", 0, match.start()) + 1
        line_end = text.find("\n", match.end())
        line = text[line_start:line_end if line_end >= 0 else len(text)]
        yield text.count("\n", 0, match.start()) + 1, match.start(), match.end(), token, line


def main(folders):
    checked = 0
    found = []
    for folder in folders:
        for path in sorted(pathlib.Path(folder).rglob("*")):
            if path.suffix not in (".cpp", ".h"):
                continue
            text = path.read_text(encoding="utf-8")
            spans = list(literals(text))
            # A run of adjacent literals is one text; the call opens before its first.
            runs = []
            for span in spans:
                if runs and text[runs[-1][-1][2]:span[1]].strip() == "":
                    runs[-1].append(span)
                else:
                    runs.append([span])
            for run in runs:
                if not any(CHINESE.search(span[3]) for span in run):
                    continue
                checked += 1
                number, start = run[0][0], run[0][1]
                if any("// untranslated:" in span[4] for span in run):
                    continue
                if CALL.search(text[max(0, start - 200):start]):
                    continue
                found.append(f"{path}:{number}: {run[0][3][:60]}")
    for place in found:
        print(place)
    print(f"{checked} Chinese texts in the sources, {len(found)} outside the translation system",
          file=sys.stderr)
    if checked == 0:
        return 2
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["src"]))
