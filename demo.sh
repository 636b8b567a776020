#!/usr/bin/env bash
# The demo: builds the suite and runs the installer in a sandbox under demo-out/, as a user on a
# fresh machine would. Without a display it runs under Xvfb and saves screenshots to demo-out/.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD
# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${build_packages[@]}" xvfb xauth imagemagick x11-utils

echo "== build"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/linux

out=$top/demo-out
sandbox=$out/sandbox
rm -rf "$sandbox"
mkdir -p "$sandbox"/{home/Desktop,home/.local/share/applications,tmp,programs,run,download}
chmod 700 "$sandbox/run"
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/home/.config XDG_DATA_HOME=$sandbox/home/.local/share \
       XDG_CACHE_HOME=$sandbox/home/.cache XDG_RUNTIME_DIR=$sandbox/run TMPDIR=$sandbox/tmp \
       PROGRAMFILES=$sandbox/programs

# The download folder a user starts the installer from: the program with its branding file.
download=$sandbox/download
cp build/linux/src/install/install "$download/"
printf '[info]\r\nexe=Tesmar.exe\r\nname=泰斯玛云渲染\r\nnameEN=Tesmar Render\r\nthird=\r\nmark=demo\r\nlang=zh_cn\r\n' \
    | iconv -f UTF-8 -t GB2312 > "$download/TS.ini"
# No servers of the maker's are reached from the demo: the local services come with the full demo.
printf '[server]\nops=http://127.0.0.1:9\nweb=http://127.0.0.1:9\n' > "$download/service.ini"

if [ -n "${DISPLAY:-}" ]; then
    echo "== install (close its window to end the demo)"
    "$download/install"
else
    echo "== install under Xvfb"
    xvfb-run -a -s "-screen 0 800x600x24" bash -c '
        "$1/install" & pid=$!
        for _ in $(seq 50); do xwininfo -root -tree | grep -q "\"Widget\"" && break; sleep 0.2; done
        sleep 1
        import -window root "$2/install.png"
        kill $pid; wait $pid 2>/dev/null || true' _ "$download" "$out"
    echo "screenshot: demo-out/install.png"
fi
