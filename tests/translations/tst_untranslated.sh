#!/usr/bin/env bash
# The check for texts outside the translation system finds a bare Chinese literal, passes one
# that goes through it or says why not, and fails when it finds no Chinese text at all.
set -uo pipefail
check="$1/tests/translations/untranslated.py"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
expect() { # expect STATUS FOLDER WHAT
    python3 "$check" "$2" >"$work/out" 2>&1
    local status=$?
    if [ "$status" -ne "$1" ]; then
        echo "FAIL: $3: exit $status, not $1"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}
write() { mkdir -p "$(dirname "$1")" && printf '%s\n' "$2" >"$1"; }

write "$work/bare/a.cpp" 'QString a() { return QString::fromUtf8("串口未打开"); }'
expect 1 "$work/bare" "a bare literal"
write "$work/joined/a.cpp" 'const char *a = QT_TRANSLATE_NOOP("A", "第一行"
                                  "第二行");
QString b() { return QString::fromUtf8("中" "文"); }'
expect 1 "$work/joined" "the second of two texts, itself joined"
write "$work/through/a.h" 'QString a() { return QCoreApplication::translate("A", "串口"
    "未打开"); }
QString b() { return QString::fromUtf8("宋体"); } // untranslated: a font name
// 注释里的中文不算
QString c() { return QStringLiteral("plain"); }'
expect 0 "$work/through" "texts through translate(), a reason and a comment"
write "$work/none/a.cpp" 'int a() { return 1; }'
expect 2 "$work/none" "a folder without Chinese"
expect 0 "$1/src" "the panel's own sources"
exit $((failures > 0))
