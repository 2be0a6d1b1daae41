#!/usr/bin/env bash
# The Windows panel against the simulated pump: the pump runs here on a pseudo-terminal, Wine's
# COM1 leads to it, and the cross-built test program opens COM1 with the answer 1. Run twice:
# with Wine's D: drive mapped to a temporary folder, and with no D: drive at all.
#
#   tests/windows/endtoend_com.sh PUMPSIM TEST_PROGRAM WINE_RUN
set -euo pipefail
export PATH="/usr/lib/wine:$PATH" # wineserver
pumpsim="$1"
program="$2"
wine_run="$3"

work="$(mktemp -d)"
pump_pid=""
prefix="$("$wine_run" --prefix)"
finish() {
    [ -n "$pump_pid" ] && kill "$pump_pid" 2>/dev/null && wait "$pump_pid" 2>/dev/null
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -f "$prefix/dosdevices/d:"
    rm -rf "$work"
}
trap finish EXIT

"$pumpsim" --link "$work/pump" --log "$work/pump.log" &
pump_pid=$!
for _ in $(seq 50); do
    [ -e "$work/pump" ] && break
    sleep 0.1
done
[ -e "$work/pump" ] || { echo "the simulated pump did not start"; exit 1; }

# The wineserver reads Wine's devices when it starts: it is restarted after every change.
restart_wine() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}

# What lasts is the registry value: dosdevices/com1 is made anew from it whenever the
# wineserver starts.
restart_wine
"$wine_run" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$work/pump" /f >/dev/null 2>&1
mkdir "$work/d"
ln -sfn "$work/d" "$prefix/dosdevices/d:"
restart_wine

status=0
echo "--- with a D: drive"
PUMPPANEL_D_DRIVE=mapped "$wine_run" "$program" -platform offscreen || status=1
if ! grep -q 'recv Q00R0000Y' "$work/pump.log" || ! grep -q 'recv Q00P01.5Y' "$work/pump.log"; then
    echo "FAIL: the pump did not receive the run and setpoint frames"
    status=1
fi
[ -s "$work/d/mytext.txt" ] || { echo "FAIL: no record file on the D: drive"; status=1; }

rm -f "$prefix/dosdevices/d:"
restart_wine
echo "--- without a D: drive"
PUMPPANEL_D_DRIVE=absent "$wine_run" "$program" -platform offscreen recordFile || status=1

echo "--- the pump goes away and comes back"
kill "$pump_pid" 2>/dev/null && wait "$pump_pid" 2>/dev/null || true
# The pump hangs up 4 s after it starts; COM1 then leads nowhere for 4 s, and back to the pump,
# started again at its link.
(
    child=""
    trap '[ -n "$child" ] && kill "$child" 2>/dev/null; exit 0' TERM
    "$pumpsim" --link "$work/pump" --log "$work/pump2.log" --hang-up-after 4 &
    child=$!
    wait "$child"
    ln -sfn "$work/nowhere" "$prefix/dosdevices/com1"
    sleep 4 &
    child=$!
    wait "$child"
    ln -sfn "$work/pump" "$prefix/dosdevices/com1"
    "$pumpsim" --link "$work/pump" --log "$work/pump2.log" &
    child=$!
    wait "$child"
) &
pump_pid=$!
for _ in $(seq 50); do
    [ -e "$work/pump" ] && break
    sleep 0.1
done
PUMPPANEL_D_DRIVE=absent PUMPPANEL_PUMP=comes-back "$wine_run" "$program" -platform offscreen \
    reconnectsByItself >"$work/reconnect.out" 2>&1 || status=1
cat "$work/reconnect.out"
grep -q '^PASS   : TestEndToEndCom::reconnectsByItself()' "$work/reconnect.out" || {
    echo "FAIL: the reconnect case did not pass"
    status=1
}
exit $status
