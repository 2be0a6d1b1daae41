#!/usr/bin/env bash
# The setup program under Wine: a silent install puts the panel under Program Files with its
# Start-menu entry and its Apps & features entry, the installed panel starts and checks a run log
# whose path the ANSI code page cannot hold, and the silent uninstall takes all of it away again.
#
#   tests/windows/setup.sh SETUP_EXE WINE_RUN
set -uo pipefail
export PATH="/usr/lib/wine:$PATH" # wineserver
setup="$1"
wine_run="$2"
prefix="$("$wine_run" --prefix)"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarrowPumpPanel'
installed="$prefix/drive_c/Program Files/Tarrow Pump Panel"
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarrow(QMR4T09)V2.0.lnk"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
panel_pid=""
finish() {
    [ -n "$panel_pid" ] && kill "$panel_pid" 2>/dev/null
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap finish EXIT

"$wine_run" "$setup" /S || fail "the setup program failed"
WINEPREFIX="$prefix" wineserver -w
[ -f "$installed/pumppanel.exe" ] || fail "no pumppanel.exe under Program Files"
[ -f "$installed/platforms/qwindows.dll" ] || fail "no platform plugin"
[ -f "$installed/translations/qtbase_zh_CN.qm" ] || fail "no Qt Chinese translation (translations/qtbase_zh_CN.qm)"
[ -f "$shortcut" ] || fail "no Start-menu entry named after the window caption"
entry="$("$wine_run" reg query "$key" /v DisplayName 2>/dev/null | tr -d '\r')"
[[ "$entry" == *"Tarrow(QMR4T09)V2.0"* ]] || fail "not listed in Apps & features: $entry"

# The installed panel starts and stays up (on Qt's offscreen platform: no display here).
WINEQT_QPA_PLATFORM=offscreen "$wine_run" "$installed/pumppanel.exe" &
panel_pid=$!
sleep 5
kill -0 "$panel_pid" 2>/dev/null || fail "the installed panel did not stay up"
kill "$panel_pid" 2>/dev/null
wait "$panel_pid" 2>/dev/null
panel_pid=""
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true

# --verify-log takes a path with characters outside the ANSI code page (Chinese here), as the
# command line gives them: a run log of two rows, its chain computed here with sha256sum.
logs="$prefix/drive_c/运行记录 测试"
mkdir -p "$logs"
chain=0000000000000000000000000000000000000000000000000000000000000000
{
    printf '\xEF\xBB\xBFtime,elapsed_s,event,current_pressure_mpa,set_pressure_mpa,set_flow_ml_min,run,detail,chain\r\n'
    for fields in '2026-12-10T09:15:02.125+08:00,0.000,opened,,,,,COM1' \
        '2026-12-10T09:15:03.125+08:00,1.000,closed,,,,,end'; do
        chain=$(printf '%s%s' "$chain" "$fields" | sha256sum | cut -d' ' -f1)
        printf '%s,%s\r\n' "$fields" "$chain"
    done
} >"$logs/运行.csv"
verified="$("$wine_run" "$installed/pumppanel.exe" --verify-log 'C:\运行记录 测试\运行.csv' 2>&1)"
status=$?
[ $status -eq 0 ] && [[ "$verified" == *"OK: 2 rows"* ]] ||
    fail "--verify-log on a path with Chinese characters: exit $status, $verified"
verified="$("$wine_run" "$installed/pumppanel.exe" --verify-log 'C:\运行记录 测试' 2>&1)"
[[ "$verified" == *"OK: 2 rows"* ]] || fail "--verify-log on a folder with Chinese characters: $verified"
rm -rf "$logs"

# The uninstaller copies itself away and runs from there; wait for it to finish.
"$wine_run" "$installed/uninstall.exe" /S || fail "the uninstaller failed"
WINEPREFIX="$prefix" wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | head -5 | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
"$wine_run" reg query "$key" >/dev/null 2>&1 && fail "still listed in Apps & features"

echo "setup program: $failures failed"
[ $failures -eq 0 ]
