#!/usr/bin/env bash
# Builds the suite from scratch and runs every test. Installs the Debian packages it needs when
# they are missing (as root); otherwise it names them and stops.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${build_packages[@]}" g++-mingw-w64-x86-64 xvfb xauth

echo "== Windows sources: syntax check with mingw-w64"
# The Windows backend compiles only for Windows; checking it here against the Linux Qt headers
# keeps it from rotting between Windows builds.
cxx_win=x86_64-w64-mingw32-g++-posix
qt_flags=$(pkg-config --cflags Qt5Widgets Qt5Network Qt5Xml)
mapfile -t win_sources < <(find src -name '*_win.cpp' | sort)
for source in "${win_sources[@]}"; do
    echo "   $source"
    # shellcheck disable=SC2086
    "$cxx_win" -std=c++17 -fsyntax-only -Wno-attributes -DQT_MESSAGELOGCONTEXT -DQT_NO_CAST_FROM_BYTEARRAY \
        $qt_flags -Isrc/common -Isrc/platform "$source"
done

echo "== Linux build"
rm -rf build/linux
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/linux

echo "== Linux tests"
cd build/linux
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
cd "$top"
