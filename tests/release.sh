#!/usr/bin/env bash
# Every file of a release, used as a person would use it, plays level 1 as the Linux build does:
# the Windows zip unzipped into an empty folder, under wine, needing only Windows' own DLLs; the
# source archive built with its ./play; the Debian package, lintian-clean, from an unrelated
# folder, with its desktop entry. The web files are those the browser test plays, and the
# checksums match.
#   tests/release.sh DIST BUILD
set -euo pipefail
dist=$(cd "$1" && pwd) build=$(cd "$2" && pwd) source=$(cd "$(dirname "$0")/.." && pwd)
v=$(sed -n 's/^project(cairn VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT
failed=0
check() { if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1" && failed=1; fi; }
keys=$(cd "$source" && "$build/cairn-check" levels/1.txt |
  sed -n 's/^  solution: \([wasd]*\).*/\1/p')
played=$(cd "$source" && printf %s "$keys" | "$build/cairn")
plays() { [ "$(printf %s "$keys" | "$@" 2>/dev/null | tr -d '\r')" = "$played" ]; }

sums() (cd "$dist" && sha256sum --quiet -c SHA256SUMS &&
  [ "$(ls | grep -vx SHA256SUMS)" = "$(cut -c 67- SHA256SUMS | sort)" ])
check "SHA256SUMS names every file and matches" sums

unzip -q "$dist/cairn-$v-windows.zip" -d windows
dlls() {
  ! x86_64-w64-mingw32-objdump -p "$@" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(kernel32|msvcrt|user32|advapi32|shell32|api-ms-win-[a-z0-9-]+)\.dll$'
}
export WINEPREFIX=$PWD/wine WINEDEBUG=-all
check "Windows: one folder" [ "$(ls windows)" = "cairn-$v-windows" ]
cd "windows/cairn-$v-windows"
check "Windows: only Windows' own DLLs" dlls cairn.exe cairn-check.exe
crlf() { ! grep -qv $'\r$' "$@"; }
check "Windows: texts with CR LF line ends" crlf README.txt LICENSE.txt
check "Windows: plays from its folder" plays wine cairn.exe
wineserver -k 2>/dev/null || true
cd ../..

mkdir source && tar -xzf "$dist/cairn-$v.tar.gz" -C source
check "source: one folder" [ "$(ls source)" = "cairn-$v" ]
check "source: builds and plays with ./play" plays "source/cairn-$v/play"

deb=$dist/cairn_${v}_amd64.deb
dpkg -x "$deb" root && mkdir elsewhere
check "Debian: lintian-clean" eval 'lintian --fail-on error,warning "$deb" 2>/dev/null'
elsewhere() (cd elsewhere && plays ../root/usr/games/cairn)
check "Debian: plays from an unrelated folder" elsewhere
entry=root/usr/share/applications/cairn.desktop
check "Debian: the desktop entry opens a terminal" grep -qx Terminal=true "$entry"
check "Debian: the desktop entry is a game's" grep -qxE 'Categories=(.*;)?Game;.*' "$entry"

unzip -q "$dist/cairn-$v-web.zip" -d web
tested() {
  cmp "$dist/cairn.html" "$source/build-web/cairn.html" &&
    for f in web/*/*; do cmp "$f" "$source/build-web/${f##*/}"; done &&
    [ "$(ls web/*)" = "$(printf "%s\n" cairn.js cairn.wasm index.html xterm.css xterm.js)" ]
}
check "web: the zip and cairn.html as tested" tested
exit $failed
