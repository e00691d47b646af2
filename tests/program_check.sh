#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program itself, started as a user starts it, with the stock texture files and with three
# hostile ones in their place: a named pipe nobody writes to, a one-row image and an image wider
# than any driver's largest texture. Each time it must open its window, draw (a capture that holds
# a frame, then one that differs from it), print nothing with freeglut's -gldebug (no GL error,
# and in a sanitizer build no leak or error report) and end with status 0 on Escape. Every wait is
# for a condition, with a bound generous enough for a sanitizer build on a busy machine.
#
# Usage: tests/program_check.sh BUILD_FOLDER   (run under an X server, e.g. xvfb-run)
# Needs: xdotool, xwd, ImageMagick's convert. Exits non-zero on any failure.
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/talvenor-program.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# A 24-bit bottom-up bitmap of the given size, every byte 0x40.
bitmap() {  # file width height
    python3 - "$@" <<'EOF'
import struct, sys
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
stride = (3 * width + 3) & ~3
pixels = b"\x40" * (stride * height)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
header = struct.pack("<HIHHI", 0x4D42, 14 + 40 + len(pixels), 0, 0, 54)
open(path, "wb").write(header + info + pixels)
EOF
}

failures=0
check() {  # name, then a command that damages the texture files in the current folder
    local name="$1"; shift
    local dir="$work/$name"
    mkdir -p "$dir"
    cp "$build"/*textur.dib "$dir/"
    (cd "$dir" && "$@")

    (cd "$dir" && exec "$build/talvenor" -gldebug) >"$dir/out.txt" 2>&1 &
    local pid=$! id="" status=0 first="" drawn="" deadline=$((SECONDS + 120))
    while [ -z "$id" ] && [ "$SECONDS" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null; do
        id="$(xdotool search --onlyvisible --name '^Talvenor$' 2>/dev/null | head -n 1)"
        [ -n "$id" ] || sleep 0.1
    done
    if [ -n "$id" ]; then
        # Frames are drawn back to back and everything moves every frame: two captures of a
        # drawn picture differ. The first one counted already holds a frame (more than one
        # colour): a capture of the still empty window would differ from the first frame even if
        # no second one ever came.
        deadline=$((SECONDS + 120))
        while [ -z "$drawn" ] && [ "$SECONDS" -lt "$deadline" ]; do
            xwd -silent -id "$id" >"$dir/capture.xwd" 2>/dev/null || { sleep 0.1; continue; }
            if [ -z "$first" ]; then
                [ "$(convert "xwd:$dir/capture.xwd" -format %k info: 2>/dev/null)" -gt 1 ] 2>/dev/null &&
                    first="$(md5sum <"$dir/capture.xwd")"
            elif [ "$(md5sum <"$dir/capture.xwd")" != "$first" ]; then
                drawn=yes
            fi
            [ -n "$drawn" ] || sleep 0.1
        done
        xdotool key --window "$id" Escape 2>/dev/null  # its key release finds the window gone
    fi
    deadline=$((SECONDS + 60))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        echo "program check, $name: still running 60 s after Escape"
    fi
    wait "$pid" || status=$?

    local problems=()
    [ -n "$id" ] || problems+=("no window")
    [ -n "$id" ] && [ -z "$first" ] && problems+=("no frame drawn within 120 s")
    [ -n "$first" ] && [ -z "$drawn" ] && problems+=("the window did not change: no second frame within 120 s")
    [ "$status" -eq 0 ] || problems+=("exit status $status")
    [ -s "$dir/out.txt" ] && problems+=("printed: $(head -c 2000 "$dir/out.txt")")
    if [ ${#problems[@]} -eq 0 ]; then
        echo "program check, $name: window, frames, Escape, status 0, nothing printed"
    else
        echo "program check, $name: $(IFS=";"; echo "${problems[*]}")"
        failures=$((failures + 1))
    fi
}

pipeAsSky() { rm 8textur.dib && mkfifo 8textur.dib; }
oneRowBuilding() { rm 0textur.dib && bitmap 0textur.dib 64 1; }
tooWideGround() { rm 1textur.dib && bitmap 1textur.dib 16388 2; }

check stock-textures true
check pipe-as-sky pipeAsSky
check one-row-building oneRowBuilding
check too-wide-ground tooWideGround
[ "$failures" -eq 0 ]
