#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the release files that scripts/package made in BUILD_FOLDER, as a distribution takes them.
#
#   tests/package_check.sh deb BUILD_FOLDER      lintian --pedantic finds nothing at all in the .deb
#                                                (no error, warning, info or pedantic tag), and the
#                                                package holds the games layout
#   tests/package_check.sh source BUILD_FOLDER   the tarball holds exactly the files git tracks, and
#                                                unpacked it configures, builds (Release) and passes
#                                                its test suite under Xvfb
#
# Needs: lintian, dpkg-deb, git, tar, xz, cmake, xvfb-run. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:?usage: $0 deb|source BUILD_FOLDER}"
build="${2:?usage: $0 deb|source BUILD_FOLDER}"
[ -d "$build" ] || build="$root/$build"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

case "$mode" in
deb)
    deb="$(ls "$build"/talvenor_*.deb 2>/dev/null | head -n 1)"
    [ -f "$deb" ] || { echo "FAIL: no talvenor_*.deb in $build (run scripts/package)" >&2; exit 1; }
    echo "== lintian --pedantic $(basename "$deb")"
    # Root is warned about on stderr; tags go to stdout.
    lintian --pedantic --display-info --display-experimental --tag-display-limit 0 "$deb" \
        >"$work/lintian.txt" 2>"$work/lintian.err" || true
    grep -v 'running with root privileges' "$work/lintian.err" >&2 || true
    if [ -s "$work/lintian.txt" ]; then
        cat "$work/lintian.txt" >&2
        echo "FAIL: lintian reports $(wc -l <"$work/lintian.txt") tag(s)" >&2
        exit 1
    fi
    dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents.txt"
    for f in /usr/games/talvenor /usr/libexec/talvenor/talvenor /usr/share/games/talvenor/11textur.dib \
             /usr/share/doc/talvenor/copyright /usr/share/doc/talvenor/changelog.gz \
             /usr/share/man/man6/talvenor.6.gz /usr/share/metainfo/org.talvenor.talvenor.metainfo.xml \
             /usr/share/applications/org.talvenor.talvenor.desktop; do
        grep -qx "$f" "$work/contents.txt" || { echo "FAIL: the package has no $f" >&2; exit 1; }
    done
    echo "lintian: no tags; $(grep -cv '/$' "$work/contents.txt") files, $(stat -c %s "$deb") bytes"
    ;;
source)
    tarball="$(ls "$build"/talvenor-*.tar.xz 2>/dev/null | head -n 1)"
    [ -f "$tarball" ] || { echo "FAIL: no talvenor-*.tar.xz in $build (run scripts/package)" >&2; exit 1; }
    name="$(basename "$tarball" .tar.xz)"
    echo "== $name.tar.xz holds the tracked files"
    tar -tJf "$tarball" | grep -v '/$' | sed "s|^$name/||" | sort >"$work/packed.txt"
    git -C "$root" ls-files | sort >"$work/tracked.txt"
    if ! diff "$work/tracked.txt" "$work/packed.txt" >"$work/diff.txt"; then
        sed 's/^</  tracked, not packed:/; s/^>/  packed, not tracked:/' "$work/diff.txt" | grep '^  ' >&2
        echo "FAIL: the tarball does not hold exactly the tracked files" >&2
        exit 1
    fi
    echo "  $(wc -l <"$work/packed.txt") files, $(stat -c %s "$tarball") bytes"

    echo "== building $name from the tarball and running its suite"
    tar -xJf "$tarball" -C "$work"
    cmake -S "$work/$name" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 \
        || { cat "$work/configure.log" >&2; echo "FAIL: configure" >&2; exit 1; }
    cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 \
        || { tail -n 40 "$work/build.log" >&2; echo "FAIL: build" >&2; exit 1; }
    LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
        ctest --test-dir "$work/build" -j"$(nproc)" --timeout 600 --output-on-failure >"$work/ctest.log" 2>&1 \
        || { tail -n 60 "$work/ctest.log" >&2; echo "FAIL: the suite from the tarball" >&2; exit 1; }
    grep -E 'tests passed' "$work/ctest.log" | sed 's/^/  /'
    ;;
*)
    echo "usage: $0 deb|source BUILD_FOLDER" >&2
    exit 2
    ;;
esac
