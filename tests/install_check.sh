#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a built tree into a temporary prefix and checks the result as a user would meet it:
# the files are in place (the icon at all six sizes), the menu entry and the software-centre
# listing validate, the manual page formats, the menu entry's Exec started in its Path opens the
# Talvenor window with its WM_CLASS, process id and icon set (under Xvfb, read with xprop), and the
# talvenor command starts the program in the data folder, or in the current one when that holds
# texture files.
#
# Usage: tests/install_check.sh BUILD_FOLDER   (relative paths are also tried from the repository)
# Needs: cmake, desktop-file-validate, appstreamcli, man, xvfb-run, xwininfo, xprop. Exits non-zero
# on any failure.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: $0 BUILD_FOLDER}"
[ -d "$build" ] || build="$root/$build"
[ -f "$build/CMakeCache.txt" ] || { echo "install_check: $1 is not a configured build folder" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

echo "== installing $build into a temporary prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
}

echo "== installed files"
app_id=org.talvenor.talvenor
expected=(bin/talvenor
          libexec/talvenor/talvenor
          share/applications/$app_id.desktop
          share/metainfo/$app_id.metainfo.xml
          share/icons/hicolor/scalable/apps/talvenor.svg
          share/man/man6/talvenor.6.gz
          share/doc/talvenor/copyright
          share/doc/talvenor/changelog.gz)
for i in $(seq 0 11); do expected+=("share/talvenor/${i}textur.dib"); done
for f in "${expected[@]}"; do
    [ -s "$prefix/$f" ] || fail "missing or empty: $f"
done
[ -x "$prefix/bin/talvenor" ] || fail "bin/talvenor is not executable"
[ -x "$prefix/libexec/talvenor/talvenor" ] || fail "libexec/talvenor/talvenor is not executable"

echo "== icons"
for size in 16 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/talvenor.png"
    # The PNG header holds the width and height as big-endian 32-bit numbers at bytes 16 to 23.
    if [ -f "$icon" ]; then
        dims="$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')"
        [ "$dims" = "${size}x${size}" ] || fail "$icon is $dims"
    else
        fail "missing: ${size}x${size} icon"
    fi
done

entry="$prefix/share/applications/$app_id.desktop"
page="$prefix/share/man/man6/talvenor.6.gz"

echo "== software-centre listing"
# AppStream 1.0 wants a homepage address, which the project does not have yet (docs/releasing.md):
# that one hint is lowered to information. Earlier validators know neither the hint nor the
# <developer> element (AppStream 1.0's form), which they name as unknown.
appstream_version="$(appstreamcli --version | sed -nE 's/.*version:? *([0-9.]+).*/\1/p' | head -n 1)"
override=()
[ "${appstream_version%%.*}" -lt 1 ] || override=(--override=url-homepage-missing=info)
appstreamcli validate --pedantic --no-net "${override[@]}" "$prefix/share/metainfo/$app_id.metainfo.xml" \
    >"$work/appstream.txt" 2>&1 || fail "appstreamcli validate exits with an error"
# A clean file gets the line "Validation was successful." and nothing else but those two hints.
if [ "$(grep -Ev '^$|^I: [a-z.]+(:[0-9~]+)?: (url-homepage-missing|unknown-tag developer)$' "$work/appstream.txt" | wc -l)" -ne 1 ] ||
   ! grep -q 'Validation was successful' "$work/appstream.txt"; then
    cat "$work/appstream.txt" >&2
    fail "appstreamcli reports problems"
fi

echo "== desktop entry"
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" >"$work/desktop.txt" 2>&1 || fail "desktop-file-validate $entry"
    if [ -s "$work/desktop.txt" ]; then cat "$work/desktop.txt" >&2; fail "desktop-file-validate reports problems"; fi
    grep -qx 'StartupWMClass=Talvenor' "$entry" || fail "no StartupWMClass=Talvenor in the menu entry"
fi

echo "== manual page"
if [ -f "$page" ]; then
    # --warnings makes groff report every formatting problem on stderr.
    if ! man --warnings -l "$page" >/dev/null 2>"$work/man.err"; then
        fail "man -l exits with an error"
    fi
    if [ -s "$work/man.err" ]; then
        cat "$work/man.err" >&2
        fail "man -l reports problems"
    fi
    MANWIDTH=80 MANPAGER=cat man -l "$page" 2>/dev/null >"$work/man.txt" || true
    for heading in NAME SYNOPSIS DESCRIPTION OPTIONS CONTROLS FILES; do
        grep -q "^$heading" "$work/man.txt" || fail "manual page has no $heading section"
    done
    grep -Eq "^ *talvenor +[^ ]+ +animated 3" "$work/man.txt" || fail "manual page NAME line not as expected"
    grep -q "$prefix/share/talvenor" "$work/man.txt" || fail "manual page does not name the installed texture folder"
fi

# Starts COMMAND (shell words) in FOLDER under Xvfb as a user would, waits for the Talvenor window,
# and keeps what xwininfo and xprop say about it and the folder its process runs in, in OUT.*.
# The window has its name from the moment it exists; its class, process id and icon are set right
# after, in requests of their own (the icon in several), so xprop is read until it shows all of
# them and two readings in a row agree. Whatever is still missing after the bound is reported by
# the checks below.
cat >"$work/launch.sh" <<'EOF'
set -u
cd "$1"
eval "words=($2)"
out="$3"
"${words[@]}" >"$out.log" 2>&1 &
started=$!
complete() {
    grep -q '^WM_CLASS(STRING) = ' "$out.xprop.new" && grep -q '^_NET_WM_PID(CARDINAL) = [0-9]' "$out.xprop.new" || return 1
    for size in 16 32 48 64 128; do grep -q "Icon ($size x $size):" "$out.xprop.new" || return 1; done
}
deadline=$((SECONDS + 120))
id=""
while [ -z "$id" ] && [ "$SECONDS" -lt "$deadline" ] && kill -0 "$started" 2>/dev/null; do
    xwininfo -name Talvenor >"$out.xwininfo" 2>/dev/null && id="$(awk '/Window id:/ { print $4 }' "$out.xwininfo")"
    [ -n "$id" ] || sleep 0.1
done
if [ -z "$id" ]; then
    kill "$started" 2>/dev/null
    wait "$started" 2>/dev/null
    exit 1
fi
deadline=$((SECONDS + 60))
: >"$out.xprop"
while [ "$SECONDS" -lt "$deadline" ]; do
    xprop -id "$id" WM_CLASS _NET_WM_PID _NET_WM_ICON >"$out.xprop.new" 2>&1
    complete && cmp -s "$out.xprop" "$out.xprop.new" && break
    mv "$out.xprop.new" "$out.xprop"
    sleep 0.1
done
[ -f "$out.xprop.new" ] && mv "$out.xprop.new" "$out.xprop"
pid="$(sed -n 's/^_NET_WM_PID(CARDINAL) = //p' "$out.xprop")"
readlink "/proc/${pid:-0}/cwd" >"$out.cwd" 2>/dev/null
kill "${pid:-$started}" "$started" 2>/dev/null
wait "$started" 2>/dev/null
exit 0
EOF
start_and_look() {  # folder, command, name of the outputs
    if ! LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
            timeout 240 bash "$work/launch.sh" "$1" "$2" "$work/$3"; then
        cat "$work/$3.log" >&2 || true
        fail "$3: no window named Talvenor appeared within 120 seconds"
        return 1
    fi
}

echo "== menu entry starts the program, and the window names itself"
if [ -f "$entry" ]; then
    exec_line="$(sed -n 's/^Exec=//p' "$entry" | head -n 1)"
    path_line="$(sed -n 's/^Path=//p' "$entry" | head -n 1)"
    [ "$path_line" = "$prefix/share/talvenor" ] || fail "Path=$path_line, expected $prefix/share/talvenor"
    [ -n "$exec_line" ] || fail "no Exec= line"
    exec_line="${exec_line//%[a-zA-Z]/}"  # field codes expand to nothing without files

    if [ -n "$exec_line" ] && [ -d "$path_line" ] && start_and_look "$path_line" "$exec_line" menu; then
        grep -q "Width: 800" "$work/menu.xwininfo" || fail "the Talvenor window is not 800 wide"
        [ "$(cat "$work/menu.cwd")" = "$path_line" ] || fail "the program did not run in $path_line"
        grep -qx 'WM_CLASS(STRING) = "talvenor", "Talvenor"' "$work/menu.xprop" || fail "WM_CLASS is not talvenor, Talvenor"
        grep -q '^_NET_WM_PID(CARDINAL) = [0-9]' "$work/menu.xprop" || fail "no _NET_WM_PID"
        for size in 16 32 48 64 128; do
            grep -q "Icon ($size x $size):" "$work/menu.xprop" || fail "_NET_WM_ICON has no $size x $size icon"
        done
        grep -E '^(WM_CLASS|_NET_WM_PID)|Icon \(' "$work/menu.xprop" | sed 's/^[[:space:]]*/  xprop: /'
    fi
fi

echo "== the talvenor command picks the folder with the texture files"
mkdir -p "$work/empty" "$work/own textures"
cp "$prefix/share/talvenor/8textur.dib" "$work/own textures/"
if start_and_look "$work/empty" "\"$prefix/bin/talvenor\"" empty; then
    [ "$(cat "$work/empty.cwd")" = "$prefix/share/talvenor" ] \
        || fail "started in a folder without texture files, it ran in $(cat "$work/empty.cwd")"
    echo "  from a folder without texture files it ran in $(cat "$work/empty.cwd")"
fi
if start_and_look "$work/own textures" "\"$prefix/bin/talvenor\"" own; then
    [ "$(cat "$work/own.cwd")" = "$work/own textures" ] \
        || fail "started in a folder with 8textur.dib, it ran in $(cat "$work/own.cwd")"
    echo "  from a folder holding 8textur.dib it ran in $(cat "$work/own.cwd")"
fi

if [ "$failures" -ne 0 ]; then
    echo "install check: $failures failure(s)" >&2
    exit 1
fi
echo "install check: all passed"
