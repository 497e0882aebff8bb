#!/usr/bin/env bash
# repro.sh: builds the package twice, each time with `make package` in a
# fresh copy of the sources at its own path, the second under another umask,
# time zone and locale, and compares the two .deb files byte for byte. When
# they differ it names the first file that does and keeps both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d /tmp/zintari-repro.XXXXXX)
deb=zintari_1.0.0-1_amd64.deb

# package COPY: the working tree's files (tracked and new) copied to COPY, packed there.
package() {
  mkdir -p "$1"
  git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$1"
  echo "repro: building in $1"
  make -C "$1" package > "$1.log" 2>&1 || { tail -30 "$1.log"; echo "repro: the build in $1 failed"; exit 1; }
}
first=$work/one/zintari
second=$work/second-build/src/zintari-source
(umask 022; TZ=UTC LC_ALL=C package "$first")
(umask 002; TZ=Pacific/Auckland LC_ALL=C.UTF-8 package "$second")

if cmp -s "$first/build/$deb" "$second/build/$deb"; then
  echo "repro: the two packages are identical: $(sha256sum < "$first/build/$deb" | cut -d' ' -f1)"
  rm -rf "$work"
  exit 0
fi
# The first file whose contents differ, else the first difference in the
# listing of the files (owner, mode, time), else in the .deb's ar headers.
for build in "$first" "$second"; do dpkg-deb -R "$build/build/$deb" "$build/unpacked"; done
compare() { diff <("$@" "$first/build/$deb") <("$@" "$second/build/$deb") | grep -m2 '^[<>]' || true; }
difference=$(diff -rq "$first/unpacked" "$second/unpacked" | head -1 || true)
[ -n "$difference" ] || difference=$(compare dpkg-deb -c)
[ -n "$difference" ] || difference=$(compare ar tv)
echo "repro: the two packages differ; first difference:"
echo "${difference:-none in the files, their listing or the ar headers: in the compressed archives}"
echo "repro: both builds are kept in $work"
exit 1
