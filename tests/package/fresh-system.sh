#!/usr/bin/env bash
# Installs the panel's .deb on a Debian 12 that has never seen the build and checks that it works
# there: the simulated pump answers, the panel starts, the desktop entry, icons and metainfo are
# where desktops look for them, the end-to-end test passes against the installed pump, and the
# package removes cleanly.
#
#   tests/package/fresh-system.sh DEB_FILE E2E_TEST_PROGRAM
#
# DEB_FILE is build/package/pumppanel_*_amd64.deb, E2E_TEST_PROGRAM the tst_endtoend built here.
# Runs as root, or as a user with sudo. The clean system is a `debootstrap --variant=minbase
# bookworm` tree, made once and never changed afterwards:
#   PUMPPANEL_FRESH_SYSTEM_CACHE      the clean tree (default ~/.cache/pumppanel/bookworm-minbase)
#   PUMPPANEL_FRESH_SYSTEM_APT_CACHE  downloaded packages and package lists, kept between runs
#                                     (default: bookworm-apt beside the clean tree)
#   PUMPPANEL_FRESH_SYSTEM_WORK       where each run copies the tree to (default ${TMPDIR:-/tmp});
#                                     the copy is unmounted and removed when the run ends
# shellcheck disable=SC2016 # what is in single quotes is for the chroot's shell, or dpkg's
set -euo pipefail

mirror=http://deb.debian.org/debian
security_mirror=http://deb.debian.org/debian-security
suite=bookworm

usage() {
    echo "usage: $0 DEB_FILE E2E_TEST_PROGRAM" >&2
    exit 2
}

[ $# -eq 2 ] || usage
[ -f "$1" ] || { echo "$0: no such package: $1" >&2; exit 2; }
[ -x "$2" ] || { echo "$0: not an executable: $2" >&2; exit 2; }
deb=$(realpath -e "$1")
e2e=$(realpath -e "$2")
case "$deb" in *.deb) ;; *) echo "$0: not a .deb: $deb" >&2; exit 2 ;; esac

cache=${PUMPPANEL_FRESH_SYSTEM_CACHE:-$HOME/.cache/pumppanel/bookworm-minbase}
cache=$(realpath -m "$cache")
apt_cache=${PUMPPANEL_FRESH_SYSTEM_APT_CACHE:-$(dirname "$cache")/bookworm-apt}
apt_cache=$(realpath -m "$apt_cache")
work_parent=$(realpath -m "${PUMPPANEL_FRESH_SYSTEM_WORK:-${TMPDIR:-/tmp}}")

# debootstrap, mount and chroot need root: run the whole script as root, with the same caches.
if [ "$(id -u)" -ne 0 ]; then
    exec sudo env PUMPPANEL_FRESH_SYSTEM_CACHE="$cache" \
        PUMPPANEL_FRESH_SYSTEM_APT_CACHE="$apt_cache" PUMPPANEL_FRESH_SYSTEM_WORK="$work_parent" \
        bash "$0" "$deb" "$e2e"
fi

# ---- the host's tools, installed only when missing -------------------------------------------
host_packages=(debootstrap debian-archive-keyring mount util-linux coreutils)
missing=()
for package in "${host_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing on this machine: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# ---- cleaning up, whatever happens -----------------------------------------------------------
work=
partial=
debootstrap_pid=
mounts=()

# Kills every process whose root directory is DIR or below it: whatever a test left running in
# the chroot. (fuser -k on the mounts would also hit the host's own users of /dev and /proc.)
kill_inside() {
    local dir=$1 link pid target found
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        found=0
        for link in /proc/[0-9]*/root; do
            pid=${link#/proc/}
            pid=${pid%/root}
            target=$(readlink "$link" 2>/dev/null) || continue
            if [ "$target" = "$dir" ] || [[ $target == "$dir"/* ]]; then
                kill -KILL "$pid" 2>/dev/null || true
                found=1
            fi
        done
        [ "$found" -eq 1 ] || return 0
        sleep 0.2
    done
    echo "fresh system: processes still running in $dir" >&2
    return 1
}

# Unmounts everything mounted at DIR or below it, deepest first.
unmount_under() {
    local dir=$1 target
    while read -r target; do
        umount "$target" 2>/dev/null || umount -l "$target" || true
    done < <(findmnt -rn -o TARGET | awk -v dir="$dir" '$0 == dir || index($0, dir "/") == 1' \
        | sort -r)
}

# Whether anything is still mounted at DIR or below it (the ones this run made, and any other).
still_mounted() {
    local dir=$1 target
    for target in "${mounts[@]}"; do
        if [[ $target == "$dir"/* ]] && mountpoint -q "$target" 2>/dev/null; then
            return 0
        fi
    done
    findmnt -rn -o TARGET | awk -v dir="$dir" '$0 == dir || index($0, dir "/") == 1' \
        | grep -q .
}

# Removes DIR only when nothing is mounted below it: the apt cache is bind-mounted into the tree
# and rm would go straight through into it.
remove_tree() {
    local dir=$1
    [ -n "$dir" ] && [ -e "$dir" ] || return 0
    kill_inside "$dir" || true
    unmount_under "$dir"
    if still_mounted "$dir"; then
        echo "fresh system: still mounted below $dir, left in place:" >&2
        findmnt -rn -o TARGET | grep -F "$dir" >&2 || true
        return 1
    fi
    rm -rf --one-file-system "$dir"
}

# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
    local status=$? ok=0
    set +e
    if [ -n "$debootstrap_pid" ]; then
        # It unmounts what it mounted in the tree when it stops.
        kill -TERM "$debootstrap_pid" 2>/dev/null
        wait "$debootstrap_pid" 2>/dev/null
    fi
    remove_tree "$work" || ok=1
    remove_tree "$partial" || ok=1
    if [ "$ok" -ne 0 ] && [ "$status" -eq 0 ]; then
        status=1
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$apt_cache/archives/partial" "$apt_cache/lists/partial" "$apt_cache/debootstrap"
mkdir -p "$(dirname "$cache")" "$work_parent"

# One run at a time shares the caches.
exec 9>"$apt_cache/run.lock"
if ! flock -n 9; then
    echo "Waiting for another run that uses $apt_cache ..."
    flock 9
fi

# ---- the clean tree, made once ---------------------------------------------------------------
if [ -e "$cache" ] && [ ! -x "$cache/usr/bin/apt-get" ]; then
    echo "fresh system: $cache is not a debootstrap tree; remove it and run again" >&2
    exit 1
fi
if [ ! -e "$cache" ]; then
    echo "Making the clean $suite tree in $cache (once) ..."
    partial=$cache.partial
    remove_tree "$partial"
    # Waited for in the background, like in_chroot below, so that an interrupt stops it.
    debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
        --cache-dir="$apt_cache/debootstrap" "$suite" "$partial" "$mirror" 9>&- &
    debootstrap_pid=$!
    if ! wait "$debootstrap_pid"; then
        debootstrap_pid=
        echo "fresh system: debootstrap fails" >&2
        exit 1
    fi
    debootstrap_pid=
    # The packages are kept in the cache folder; the tree needs no copy of its own.
    find "$partial/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -delete
    unmount_under "$partial"
    mv "$partial" "$cache"
    partial=
fi

# ---- this run's copy of it -------------------------------------------------------------------
work=$(mktemp -d "$work_parent/pumppanel-fresh.XXXXXX")
root=$work/root
echo "Copying the clean tree to $root ..."
cp -a "$cache" "$root"

mount_in() {
    mount "$@"
    mounts+=("${*: -1}")
}
mount_in -t proc -o nosuid,nodev,noexec proc "$root/proc"
mount_in -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
mount_in --bind /dev "$root/dev"
# openpty: the pump's pseudo-terminal comes from /dev/ptmx and shows up in /dev/pts.
mount_in --bind /dev/pts "$root/dev/pts"
mount_in -t tmpfs -o nosuid,nodev,mode=1777 tmpfs "$root/dev/shm"
mount_in --bind "$apt_cache/archives" "$root/var/cache/apt/archives"
mount_in --bind "$apt_cache/lists" "$root/var/lib/apt/lists"

rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security_mirror $suite-security main
EOF
cat >"$root/etc/apt/apt.conf.d/90pumppanel-fresh-system" <<'EOF'
// The downloads stay in the bind-mounted cache for the next run.
Binary::apt::APT::Keep-Downloaded-Packages "true";
APT::Keep-Downloaded-Packages "true";
Acquire::Retries "3";
EOF
# No services start in the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

# Runs a command in the chroot. In the background and waited for, so that an interrupt is taken
# at once rather than when the command ends; the cleanup then stops it.
in_chroot() {
    chroot "$root" /usr/bin/env -i \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive "$@" 9>&- &
    wait $!
}

# ---- the checks ------------------------------------------------------------------------------
passed=0
failed=0
pass() {
    echo "PASS: $*"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
indent() {
    sed 's/^/    /'
}
finish() {
    echo "fresh system: $passed passed, $failed failed"
    if [ "$failed" -eq 0 ]; then
        exit 0
    fi
    exit 1
}

echo "apt-get update in the chroot ..."
if ! in_chroot apt-get update -q; then
    echo "fresh system: apt-get update fails in the chroot" >&2
    exit 1
fi

log=$work/log
deb_name=$(basename "$deb")
cp "$deb" "$root/tmp/$deb_name"
chmod 644 "$root/tmp/$deb_name"
in_chroot dpkg-query -W -f='${Package}\n' | sort >"$work/before"
echo "Installing $deb_name and what it depends on ..."
# Without recommends: what the package depends on must be enough for the panel to run.
if in_chroot apt-get install -y -q --no-install-recommends "/tmp/$deb_name" >"$log" 2>&1; then
    in_chroot dpkg-query -W -f='${Package}\n' | sort >"$work/after"
    brought=$(comm -13 "$work/before" "$work/after" | { grep -vx pumppanel || true; } | tr '\n' ' ')
    pass "$deb_name installs on a clean $suite with its dependencies" \
        "($(wc -w <<<"$brought") packages brought in)"
    fold -s -w 96 <<<"$brought" | indent
else
    fail "$deb_name does not install on a clean $suite:"
    indent <"$log"
    finish
fi

# a. The simulated pump runs and tells how to use it.
if output=$(in_chroot timeout 20 pumppanel-pumpsim --help 2>&1); then
    if grep -q 'Usage: pumppanel-pumpsim' <<<"$output"; then
        pass "pumppanel-pumpsim --help prints its usage"
    else
        fail "pumppanel-pumpsim --help exits 0 but prints no usage:"
        indent <<<"$output"
    fi
else
    fail "pumppanel-pumpsim --help exits with status $?:"
    indent <<<"$output"
fi

# a2. The installed panel answers its own options without opening a window. The version is the
# package's, up to its Debian revision.
version=$(dpkg-deb -f "$deb" Version)
version=${version%%-*}
if output=$(in_chroot timeout 20 pumppanel --version 2>&1) && [ "$output" = "pumppanel $version" ]; then
    pass "pumppanel --version prints \"pumppanel $version\""
else
    fail "pumppanel --version does not print \"pumppanel $version\":"
    indent <<<"$output"
fi
if output=$(in_chroot timeout 20 pumppanel --verify-log /etc/hostname 2>&1); then
    fail "pumppanel --verify-log takes a file that is not a run log:"
    indent <<<"$output"
elif [ $? -eq 2 ]; then
    pass "pumppanel --verify-log refuses a file that is not a run log, with exit status 2"
else
    fail "pumppanel --verify-log on a file that is not a run log: not exit status 2"
    indent <<<"$output"
fi

# b. The installed panel starts and keeps running until it is told to stop.
if output=$(in_chroot /bin/bash -c '
    QT_QPA_PLATFORM=offscreen pumppanel >/tmp/pumppanel.out 2>&1 &
    pid=$!
    sleep 3
    if kill -0 "$pid" 2>/dev/null && ! grep -q "^State:[[:space:]]*Z" "/proc/$pid/status"; then
        kill -TERM "$pid"
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            echo "(it did not stop on SIGTERM within 5 seconds)"
            kill -KILL "$pid"
        fi
        wait "$pid"
        exit 0
    fi
    wait "$pid"
    echo "pumppanel exited with status $? within 3 seconds:"
    cat /tmp/pumppanel.out
    exit 1' 2>&1); then
    pass "pumppanel starts on the offscreen platform and runs for 3 seconds"
    [ -z "$output" ] || indent <<<"$output"
else
    fail "pumppanel does not keep running:"
    indent <<<"$output"
fi

# b2. Qt's own buttons and dialogs read in Chinese: the package brings Qt's translations, and
# the panel found them when it started.
if [ -f "$root/usr/share/qt6/translations/qtbase_zh_CN.qm" ] &&
    ! grep -q 'qtbase_zh_CN.qm) was not found' "$root/tmp/pumppanel.out" 2>/dev/null; then
    pass "Qt's Chinese translation is installed with the package and loaded by the panel"
else
    fail "Qt's Chinese translation is missing, or the panel did not find it:"
    indent <"$root/tmp/pumppanel.out" 2>/dev/null || true
fi

# c. The desktop entry, metainfo and icons are where freedesktop.org's conventions put them.
shopt -s nullglob
desktops=("$root"/usr/share/applications/*.desktop)
metainfos=("$root"/usr/share/metainfo/*.metainfo.xml)
pngs=("$root"/usr/share/icons/hicolor/48x48/apps/*.png)
svgs=("$root"/usr/share/icons/hicolor/scalable/apps/*.svg)
shopt -u nullglob
owned=$(in_chroot dpkg-query -L pumppanel)
desktop_id=
if [ ${#desktops[@]} -ne 1 ]; then
    fail "expected one desktop entry in /usr/share/applications, found ${#desktops[@]}:" \
        "${desktops[*]#"$root"}"
else
    desktop=${desktops[0]#"$root"}
    desktop_id=$(basename "$desktop")
    exec_line=$(grep -m1 '^Exec=' "${desktops[0]}" || true)
    command=${exec_line#Exec=}
    command=${command%% *}
    icon=$(grep -m1 '^Icon=' "${desktops[0]}" || true)
    icon=${icon#Icon=}
    if ! grep -qxF "$desktop" <<<"$owned"; then
        fail "$desktop is not the package's"
    elif [ "$(basename "$command")" != pumppanel ]; then
        fail "$desktop: Exec= does not start pumppanel: '$exec_line'"
    elif [[ $command == /* ]] && [ ! -x "$root$command" ]; then
        fail "$desktop: Exec= names $command, which is not there"
    elif [ -z "$icon" ] || [ ! -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] ||
        [ ! -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ]; then
        fail "$desktop: Icon='$icon' is not among the installed hicolor icons (48x48 png, svg)"
    else
        pass "desktop entry $desktop runs '${exec_line#Exec=}', icon $icon"
    fi
fi
if [ ${#metainfos[@]} -eq 0 ]; then
    fail "no /usr/share/metainfo/*.metainfo.xml"
else
    for metainfo in "${metainfos[@]}"; do
        name=${metainfo#"$root"}
        if ! grep -qxF "$name" <<<"$owned"; then
            fail "$name is not the package's"
        elif ! grep -q '<component' "$metainfo"; then
            fail "$name has no <component>"
        elif [ -n "$desktop_id" ] &&
            ! grep -q "<launchable type=\"desktop-id\">$desktop_id</launchable>" "$metainfo"; then
            fail "$name does not name $desktop_id as its launchable"
        else
            pass "metainfo $name"
        fi
    done
fi
# A PNG starts with its 8-byte signature and the IHDR chunk: width and height at bytes 16 and 20.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4 "x" \
        $5*16777216 + $6*65536 + $7*256 + $8 }'
}
if [ ${#pngs[@]} -eq 0 ]; then
    fail "no /usr/share/icons/hicolor/48x48/apps/*.png"
else
    for png in "${pngs[@]}"; do
        name=${png#"$root"}
        if [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" != 89504e470d0a1a0a ]; then
            fail "$name is not a PNG"
        elif [ "$(png_size "$png")" != 48x48 ]; then
            fail "$name is $(png_size "$png"), not 48x48"
        else
            pass "icon $name (48x48 PNG)"
        fi
    done
fi
if [ ${#svgs[@]} -eq 0 ]; then
    fail "no /usr/share/icons/hicolor/scalable/apps/*.svg"
else
    for svg in "${svgs[@]}"; do
        name=${svg#"$root"}
        if grep -q '<svg' "$svg"; then
            pass "icon $name (SVG)"
        else
            fail "$name has no <svg> element"
        fi
    done
fi

# d. The panel's code against the installed simulated pump. The test program needs Qt Test, which
# the package rightly does not depend on: installed only now, after the checks above.
echo "Installing libqt6test6 for the end-to-end test ..."
if ! in_chroot apt-get install -y -q --no-install-recommends libqt6test6 >"$log" 2>&1; then
    indent <"$log"
    fail "libqt6test6 does not install"
else
    mkdir -p "$root/opt/pumppanel-test"
    cp "$e2e" "$root/opt/pumppanel-test/"
    program=/opt/pumppanel-test/$(basename "$e2e")
    unresolved=$(in_chroot ldd "$program" 2>&1 | grep 'not found' || true)
    if [ -n "$unresolved" ]; then
        fail "$(basename "$e2e") needs libraries the chroot does not have:"
        indent <<<"$unresolved"
    else
        # There is no build tree in the chroot: the simulated pump the test was built with is not
        # there, only the installed one.
        if in_chroot env PUMPPANEL_PUMPSIM=/usr/bin/pumppanel-pumpsim QT_QPA_PLATFORM=offscreen \
            timeout -k 10 600 "$program" -platform offscreen >"$log" 2>&1; then
            status=0
        else
            status=$?
        fi
        totals=$(grep -E '^Totals: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n1 || true)
        ran=$(sed -E 's/^Totals: ([0-9]+) passed.*/\1/' <<<"$totals")
        if [ "$status" -eq 0 ] && [ -n "$totals" ] && [ "${ran:-0}" -gt 0 ]; then
            pass "$(basename "$e2e") against /usr/bin/pumppanel-pumpsim: $totals"
        else
            fail "$(basename "$e2e") against /usr/bin/pumppanel-pumpsim (status $status):"
            tail -n 60 "$log" | indent
        fi
    fi
fi

# e. The package system knows the package, and removing it takes its files away.
if in_chroot dpkg -s pumppanel 2>/dev/null | grep -qx 'Status: install ok installed'; then
    pass "dpkg -s pumppanel: install ok installed"
else
    fail "dpkg -s pumppanel does not show it installed:"
    in_chroot dpkg -s pumppanel 2>&1 | indent || true
fi
conffiles=$(in_chroot dpkg-query -W -f='${Conffiles}\n' pumppanel | awk 'NF { print $1 }')
if in_chroot apt-get remove -y -q pumppanel >"$log" 2>&1; then
    left=()
    while read -r file; do
        # Directories may be shared with other packages, and configuration files stay until the
        # package is purged; everything else must go.
        if [ -e "$root$file" ] && [ ! -d "$root$file" ] && ! grep -qxF "$file" <<<"$conffiles"
        then
            left+=("$file")
        fi
    done <<<"$owned"
    if [ -e "$root/usr/bin/pumppanel" ]; then
        fail "apt-get remove pumppanel leaves /usr/bin/pumppanel"
    elif [ ${#left[@]} -gt 0 ]; then
        fail "apt-get remove pumppanel leaves ${left[*]}"
    elif in_chroot dpkg -s pumppanel 2>/dev/null | grep -qx 'Status: install ok installed'; then
        fail "dpkg still shows pumppanel installed after apt-get remove"
    else
        pass "apt-get remove pumppanel removes /usr/bin/pumppanel and the package's other files"
    fi
else
    fail "apt-get remove -y pumppanel fails:"
    indent <"$log"
fi

finish
