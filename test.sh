#!/usr/bin/env bash
# Builds the suite from scratch and runs every test. Installs the Debian packages it needs when
# they are missing (as root); otherwise it names them and stops.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${build_packages[@]}" "${roundtrip_packages[@]}" g++-mingw-w64-x86-64 wine64 xz-utils icoutils

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

echo "== Windows build"
# The static Qt + QuaZip kit for mingw-w64 lies in the shared folder beside the checkout.
kit_archive=${WIN64_KIT:-$top/../shared/win64/qt5-mingw-static.tar.xz}
if [ ! -f "$kit_archive" ]; then
    echo "The Windows kit is missing: $kit_archive (set WIN64_KIT to its path)"
    exit 1
fi
rm -rf build/win64 build/qt5-mingw
mkdir -p build
tar -C build -xJf "$kit_archive"
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/build/qt5-mingw/mingw-w64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$top/tests/run-under-wine.sh" >/dev/null
cmake --build build/win64

echo "== Windows tests under wine"
# A throw-away prefix: the tests write the prefix's registry. Wine does not hand QT_* variables
# to Windows programs, so the tests use the real windows platform plugin under Xvfb.
wine_root=$(mktemp -d)
export WINEPREFIX=$wine_root/prefix WINEDEBUG=-all WINE=/usr/lib/wine/wine64
# No Mono or Gecko prompts, no menu entries of the host for the shortcuts the tests make, and the
# working tasklist stand-in instead of wine's stub.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;tasklist.exe=n"
# One wine server for the whole run, started apart from every test's output (processes it starts
# would otherwise inherit a test's pipes and keep CTest waiting).
mkdir -p "$WINEPREFIX"
"$(dirname "$WINE")/wineserver" -p </dev/null >/dev/null 2>&1
"$WINE" wineboot --init </dev/null >/dev/null 2>&1
cp build/win64/tests/wine/tasklist.exe "$WINEPREFIX/drive_c/windows/system32/tasklist.exe"
set +e
# One test at a time: they share the prefix's registry, desktop and programs menu.
(cd build/win64 && xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'ctest --output-on-failure --timeout 900')
rc=$?
"$(dirname "$WINE")/wineserver" -k
rm -rf "$wine_root"

echo "== Windows round trip under wine"
# The Windows programs end to end in a prefix of their own: install, update, uninstall, then a
# partner build, against nginx and the service stand-in of the Linux build.
xvfb-run -a -s "-screen 0 1024x768x24" tools/roundtrip-wine.sh build/linux build/win64 build/win64/roundtrip
roundtrip_rc=$?
set -e
[ $rc -eq 0 ] && rc=$roundtrip_rc
exit $rc
