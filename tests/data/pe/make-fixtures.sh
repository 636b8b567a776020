#!/usr/bin/env bash
# Makes the PE fixtures of the icon tests: a small mingw-built program with an icon group naming
# the icon images 1 to 7, a string table, a named RCDATA resource and a version resource.
#   client-reloc.exe  the resource section is followed by a relocation section (mingw's default)
#   client-last.exe   the resource section is the file's last section
# Needs g++-mingw-w64-x86-64 and imagemagick. The results are committed; run this only to remake them.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
colours=(red orange yellow green blue purple gray)
sizes=(16 20 24 28 32 40 48)
images=()
for i in "${!sizes[@]}"; do
    convert -size "${sizes[$i]}x${sizes[$i]}" "xc:${colours[$i]}" -alpha set "PNG32:$work/icon$i.png"
    images+=("$work/icon$i.png")
done
convert "${images[@]}" -define icon:format=bmp "$work/fixture.ico"
cp fixture.rc "$work/"
x86_64-w64-mingw32-windres "$work/fixture.rc" -O coff -o "$work/fixture.res"
x86_64-w64-mingw32-gcc -Os -s -o client-reloc.exe fixture.c "$work/fixture.res"
x86_64-w64-mingw32-gcc -Os -s -Wl,--disable-dynamicbase,--disable-reloc-section -o client-last.exe fixture.c "$work/fixture.res"
for exe in client-reloc.exe client-last.exe; do
    echo "$exe: $(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 ~ /^\./ { printf "%s ", $2 }')"
done
