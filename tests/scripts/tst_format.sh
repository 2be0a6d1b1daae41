#!/usr/bin/env bash
# The format check finds the sources in a tree without git (an unpacked archive, a machine
# without git installed), and fails rather than passing when it finds none.
set -uo pipefail
top="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A PATH with everything the script needs but git.
mkdir "$work/bin"
for tool in bash dirname find sort grep clang-format; do
    ln -s "$(command -v "$tool")" "$work/bin/$tool"
done

make_tree() {
    mkdir -p "$1/scripts" "$1/src/link" "$1/tests" "$1/tools/pumpsim" "$1/docs"
    cp "$top/scripts/format" "$1/scripts/"
    cp "$top/.clang-format" "$1/"
    printf 'int one() { return 1; }\n' >"$1/src/link/one.cpp"
    printf '#pragma once\nint two();\n' >"$1/tests/two.h"
    printf 'int three() { return 3; }\n' >"$1/tools/pumpsim/three.cpp"
    printf 'int   notOurs ( ) ;\n' >"$1/docs/example.cpp" # outside the source folders
}

# Without git on the PATH, and with git present in a tree that is no checkout.
for path in "$work/bin" "$PATH"; do
    tree="$work/tree-$RANDOM"
    make_tree "$tree"
    PATH="$path" "$tree/scripts/format" || fail "formatting failed (PATH=$path)"
    output="$(PATH="$path" "$tree/scripts/format" --check 2>&1)"
    status=$?
    [ $status -eq 0 ] || fail "check failed (PATH=$path): $output"
    [[ "$output" == *"3 files checked"* ]] || fail "expected 3 files checked (PATH=$path): $output"
    # A file that is not formatted is caught.
    printf 'int   four ( ) ;\n' >"$tree/src/four.cpp"
    PATH="$path" "$tree/scripts/format" --check >/dev/null 2>&1 &&
        fail "an unformatted file passed the check (PATH=$path)"
done

# A tree with no sources never passes.
mkdir -p "$work/empty/scripts"
cp "$top/scripts/format" "$work/empty/scripts/"
output="$(PATH="$work/bin" "$work/empty/scripts/format" --check 2>&1)" &&
    fail "the check passed on a tree without sources: $output"
[[ "$output" == *"nothing was checked"* ]] || fail "no reason given: $output"

echo "$failures failed"
[ $failures -eq 0 ]
