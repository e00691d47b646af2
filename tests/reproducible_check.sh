#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds release files twice from the commit HEAD, in two fresh clones at different paths, one
# after the other, and compares them byte for byte. The two builds differ in all a caller may
# bring along:
#
#   first    umask 022, TZ=UTC,                 LC_ALL=C.UTF-8
#   second   umask 002, TZ=Pacific/Kiritimati,  LC_ALL=de_DE.UTF-8 (another collation order, other
#            month and day names; compiled into a private folder with localedef). UTC+14 puts the
#            commit's time on another date wherever it falls in the day. Another USER and LOGNAME,
#            and, where unshare --uts may be used (as root), another host name.
#
# SOURCE_DATE_EPOCH is left to the build scripts (the commit's time). Uncommitted changes are not
# part of what is built.
#
#   tests/reproducible_check.sh package   scripts/package: the .deb and the source tarball
#   tests/reproducible_check.sh release   scripts/release: every release file and SHA256SUMS; then
#                                         sha256sum -c and lintian --pedantic on the second run's
#
# Where a file differs, diffoscope shows where: the first 60 lines of its report are printed and
# the whole report kept in build-reproducible/. Exits non-zero on any difference.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-}"
case "$mode" in
    package) command=(scripts/package) output=build-package files=(-name 'talvenor_*.deb' -o -name 'talvenor-*.tar.xz') ;;
    release) command=(scripts/release) output=build-release files=(-name 'talvenor*' -o -name SHA256SUMS) ;;
    *) echo "usage: $0 package|release" >&2; exit 2 ;;
esac
"$root/scripts/install-deps" release || exit 1
commit="$(git -C "$root" rev-parse HEAD)" || exit 1
reports="$root/build-reproducible"
rm -rf "$reports"
work="$(mktemp -d "${TMPDIR:-/tmp}/talvenor-reproducible.XXXXXX")"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/locales"
localedef -i de_DE -f UTF-8 "$work/locales/de_DE.UTF-8" || { echo "FAIL: localedef de_DE.UTF-8"; exit 1; }

build() {  # name folder umask time-zone locale [command prefix...]
    local name="$1" dir="$2" mask="$3" zone="$4" locale="$5" log="$work/$1.log" t=$SECONDS
    shift 5
    git clone -q --no-checkout "$root" "$dir" && git -C "$dir" checkout -q --detach "$commit" || {
        echo "FAIL: cannot clone $commit into $dir"; return 1; }
    echo "== $name build: ${command[*]} in $dir, umask $mask, TZ=$zone, LC_ALL=$locale, at $(date -u '+%H:%M:%S') UTC"
    if ! (cd "$dir" && umask "$mask" &&
          exec "$@" env -u SOURCE_DATE_EPOCH TZ="$zone" LOCPATH="$work/locales" LC_ALL="$locale" LANG="$locale" \
               "${command[@]}") >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "FAIL: the $name build"
        return 1
    fi
    echo "   took $((SECONDS - t)) s"
}
first="$work/first/talvenor"
second="$work/second-clone/in/another/folder/talvenor"
build first "$first" 022 UTC C.UTF-8 || exit 1
elsewhere=(env USER=talvenor-second LOGNAME=talvenor-second)
if unshare --uts true 2>/dev/null; then
    elsewhere+=(unshare --uts sh -c 'hostname talvenor-second-host && exec "$@"' sh)
    echo "(the second build as USER talvenor-second on the host talvenor-second-host)"
else
    echo "(the second build as USER talvenor-second; the host name stays: unshare --uts is not allowed here)"
fi
build second "$second" 002 Pacific/Kiritimati de_DE.UTF-8 "${elsewhere[@]}" || exit 1

echo "== comparing"
t=$SECONDS
status=0
listing() { (cd "$1/$output" && find . -maxdepth 1 -type f \( "${files[@]}" \) | LC_ALL=C sort); }
if ! diff <(listing "$first") <(listing "$second"); then
    echo "FAIL: the two builds made different files"; status=1
fi
count=0
for name in $(listing "$first"); do
    name="${name#./}"
    a="$first/$output/$name" b="$second/$output/$name"
    [ -f "$b" ] || continue
    count=$((count + 1))
    if cmp -s "$a" "$b"; then
        printf '  same  %-32s %9d bytes  %s\n' "$name" "$(stat -c %s "$a")" "$(sha256sum "$a" | cut -c1-16)"
    else
        echo "  DIFFERS  $name"
        mkdir -p "$reports"
        diffoscope --no-progress --text "$reports/$name.diffoscope.txt" "$a" "$b" >/dev/null 2>&1
        head -n 60 "$reports/$name.diffoscope.txt"
        echo "  (diffoscope's whole report: $reports/$name.diffoscope.txt)"
        status=1
    fi
done
[ "$count" -gt 0 ] || { echo "FAIL: no release files to compare"; status=1; }
echo "   took $((SECONDS - t)) s"

if [ "$mode" = release ]; then
    echo "== sha256sum -c in the second build"
    (cd "$second/$output" && sha256sum -c SHA256SUMS) || status=1
    "$root/tests/package_check.sh" deb "$second/$output" || status=1
fi

[ "$status" -eq 0 ] && echo "reproducible: $count files the same byte for byte" || echo "FAIL: not reproducible"
echo "tests/reproducible_check.sh $mode took $SECONDS s"
exit "$status"
