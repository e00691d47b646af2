#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks the result as a user would meet it:
# the files are in place, the menu entry validates, the manual page formats, and the menu entry's
# Exec started in its Path opens the Talvenor window (under Xvfb).
#
# Usage: tests/install_check.sh BUILD_FOLDER   (relative paths are also tried from the repository)
# Needs: cmake, desktop-file-validate, man, xvfb-run, xwininfo. Exits non-zero on any failure.
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
expected=(bin/talvenor
          share/applications/talvenor.desktop
          share/icons/hicolor/scalable/apps/talvenor.svg
          share/icons/hicolor/128x128/apps/talvenor.png
          share/man/man6/talvenor.6)
for i in $(seq 0 11); do expected+=("share/talvenor/${i}textur.dib"); done
for f in "${expected[@]}"; do
    [ -s "$prefix/$f" ] || fail "missing or empty: $f"
done
[ -x "$prefix/bin/talvenor" ] || fail "bin/talvenor is not executable"

entry="$prefix/share/applications/talvenor.desktop"
page="$prefix/share/man/man6/talvenor.6"

echo "== desktop entry"
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
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

echo "== menu entry starts the program"
if [ -f "$entry" ]; then
    exec_line="$(sed -n 's/^Exec=//p' "$entry" | head -n 1)"
    path_line="$(sed -n 's/^Path=//p' "$entry" | head -n 1)"
    [ "$path_line" = "$prefix/share/talvenor" ] || fail "Path=$path_line, expected $prefix/share/talvenor"
    [ -n "$exec_line" ] || fail "no Exec= line"
    exec_line="${exec_line//%[a-zA-Z]/}"  # field codes expand to nothing without files

    if [ -n "$exec_line" ] && [ -d "$path_line" ]; then
        # Start it as a menu would (working directory = Path), wait for its window, then end it.
        cat >"$work/launch.sh" <<'EOF'
set -u
cd "$1"
eval "exec_words=($2)"
timeout 30 "${exec_words[@]}" >"$3/program.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    if xwininfo -name Talvenor >"$3/xwininfo.txt" 2>/dev/null; then
        ls -l "/proc/$pid/cwd" >"$3/cwd.txt" 2>/dev/null
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit 1
EOF
        if LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
               bash "$work/launch.sh" "$path_line" "$exec_line" "$work"; then
            grep -q "Width: 800" "$work/xwininfo.txt" || fail "the Talvenor window is not 800 wide"
            grep -q -- "-> $path_line\$" "$work/cwd.txt" || fail "the program did not run in $path_line"
        else
            cat "$work/program.log" >&2 || true
            fail "no window named Talvenor appeared within 10 seconds"
        fi
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "install check: $failures failure(s)" >&2
    exit 1
fi
echo "install check: all passed"
