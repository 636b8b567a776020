#!/usr/bin/env bash
# The demo: the suite's whole round trip on one machine. Builds everything, publishes two versions
# of a sample client (5.1.3.0 and 5.2.0.0), serves them with nginx and runs the service stand-in on
# free loopback ports, lays out a sandbox under demo-out/ and runs install, update 5.2.0.0 and
# uninstall there. With a display you click through the windows yourself; without one (a server,
# CI) the demo runs under Xvfb, clicks the buttons itself and saves a screenshot of every window
# state to demo-out/. Ends with a report of what happened.
#   ./demo.sh                 Chinese interface
#   DEMO_LANG=en_us ./demo.sh English interface
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD
# shellcheck source=tools/packages.sh
. tools/packages.sh
# shellcheck source=tools/nginx.sh
. tools/nginx.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${DEMO_UNDER_XVFB:-}" ]; then
    ensure_packages "${build_packages[@]}" "${update_server_packages[@]}" curl xvfb xauth imagemagick x11-utils xdotool
    # Everything below runs on a virtual screen and drives the windows itself.
    DEMO_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
ensure_packages "${build_packages[@]}" "${update_server_packages[@]}" curl imagemagick x11-utils xdotool
automatic=${DEMO_UNDER_XVFB:-}

echo "== build"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/linux >/dev/null
bin=$top/build/linux

out=$top/demo-out
sandbox=$out/sandbox
publish=$out/publish
rm -rf "$sandbox" "$publish" "$out"/nginx "$out"/release "$out"/*.png "$out"/*.txt "$out"/*.log "$out"/services.jsonl "$out"/standin.port
mkdir -p "$sandbox"/{home/Desktop,home/.local/share/applications,tmp,programs,run,download} "$publish/store"
chmod 700 "$sandbox/run"

echo "== services"
standin_pid=
cleanup() {
    stop_update_server
    [ -n "$standin_pid" ] && kill "$standin_pid" 2>/dev/null || true
}
trap cleanup EXIT
start_update_server "$publish/store" "$out/nginx"
"$bin/tools/servicestandin/service-standin" --log "$out/services.jsonl" --port-file "$out/standin.port" >/dev/null &
standin_pid=$!
for _ in $(seq 50); do [ -s "$out/standin.port" ] && break; sleep 0.1; done
service=http://127.0.0.1:$(cat "$out/standin.port")
echo "   update server (nginx) $UPDATE_SERVER, service stand-in $service"

echo "== publish 5.1.3.0 and 5.2.0.0"
# One version of the client as the maker builds it: the client, the uninstaller and the updater
# (on Linux under the Windows file names the registry entries carry), data and a plug-in script.
make_version() {
    local folder=$1 version=$2
    mkdir -p "$folder/data" "$folder/plugins"
    cp "$bin/tools/sampleclient/sample-client" "$folder/Tesmar.exe"
    cp "$bin/src/uninstall/uninstall" "$folder/uninstall.exe"
    cp "$bin/src/update/update" "$folder/update.exe"
    echo "$version" > "$folder/version.txt"
    printf '[server]\nbs=%s\nops=%s\nweb=%s\n' "$service" "$service" "$UPDATE_SERVER" > "$folder/service.ini"
    printf 'render presets of %s\n' "$version" > "$folder/data/presets.txt"
    head -c 300000 /dev/zero | tr '\0' 's' > "$folder/data/scene-cache.bin"
    echo "-- Tesmar menu for 3ds Max" > "$folder/plugins/tesmarMenu.ms"
}
make_version "$out/release/5.1.3.0" 5.1.3.0
make_version "$out/release/5.2.0.0" 5.2.0.0
echo "GPU preset added in 5.2" > "$out/release/5.2.0.0/data/gpu-presets.txt"
printf '<b>5.2.0.0</b><br/>更快的上传速度 / faster uploads<br/>GPU 渲染预设 / GPU render presets\n' > "$out/release/notes-5.2.0.0.html"
"$bin/tools/publisher/publish" --source "$out/release/5.1.3.0" --version 5.1.3.0 --out "$publish" --prefix "$UPDATE_SERVER" \
    | sed 's/^/   /'
"$bin/tools/publisher/publish" --source "$out/release/5.2.0.0" --version 5.2.0.0 --out "$publish" --prefix "$UPDATE_SERVER" \
    --note "$out/release/notes-5.2.0.0.html" --previous 5.1.3.0 | tee "$out/publish-5.2.0.0.txt" | sed 's/^/   /'

# The sandbox: a user's account of its own, nothing of this machine's settings read or changed.
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/home/.config XDG_DATA_HOME=$sandbox/home/.local/share \
       XDG_CACHE_HOME=$sandbox/home/.cache XDG_RUNTIME_DIR=$sandbox/run TMPDIR=$sandbox/tmp \
       PROGRAMFILES=$sandbox/programs
registry=$XDG_CONFIG_HOME/Havrel/registry

# What a user downloads: the installer, its branding and the package.
download=$sandbox/download
cp "$bin/src/install/install" "$download/"
cp "$publish/packages/5.1.3.0/files.zip" "$download/"
lang=${DEMO_LANG:-zh_cn}
printf '[info]\r\nexe=Tesmar.exe\r\nname=泰斯玛云渲染\r\nnameEN=Tesmar Render\r\nthird=\r\nmark=demo\r\nlang=%s\r\n' "$lang" \
    | iconv -f UTF-8 -t GB2312 > "$download/TS.ini"
printf '[server]\nbs=%s\nops=%s\nweb=%s\n' "$service" "$service" "$UPDATE_SERVER" > "$download/service.ini"

# --- driving the windows (automatic mode) -------------------------------------------------------
window_of() { # PID: the program's visible top-level window
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | tail -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
click() { # WINDOW X Y: a click at a point of the window
    xdotool mousemove --window "$1" "$2" "$3" click 1
}
shot() { # WINDOW NAME
    sleep 0.5
    import -window "$1" "$out/$2.png"
    echo "   screenshot demo-out/$2.png"
}
wait_for() { # SECONDS COMMAND...: until the command succeeds
    local limit=$1
    shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    echo "   gave up waiting for: $*" >&2
    return 1
}
registered() { grep -q "$1" "$registry/HKEY_LOCAL_MACHINE.ini" 2>/dev/null; }
ended() { ! kill -0 "$1" 2>/dev/null; }

echo "== install 5.1.3.0"
"$download/install" > "$out/install.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of $pid)
    shot "$w" install-1-start
    click "$w" 293 293                   # install
    wait_for 120 registered 'DisplayVersion=5.1.3.0'
    sleep 1
    shot "$w" install-2-finished
    click "$w" 293 293                   # start the client
fi
wait $pid || true
install_dir=$(dirname "$(find "$PROGRAMFILES" -name version.txt | head -n 1)")
echo "   installed into ${install_dir#"$out"/}"

echo "== update 5.2.0.0"
"$install_dir/update.exe" 5.2.0.0 > "$out/update.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of $pid)
    wait_for 120 registered 'DisplayVersion=5.2.0.0'
    sleep 1
    shot "$w" update-1-finished
    click "$w" 293 333                   # finish: start the client from the new folder
fi
wait $pid || true
new_dir=$(dirname "$(grep -l 5.2.0.0 $(find "$PROGRAMFILES" -name version.txt) | head -n 1)")
echo "   updated into ${new_dir#"$out"/}"

echo "== uninstall"
"$new_dir/uninstall.exe" > "$out/uninstall.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of $pid)
    sleep 1
    shot "$w" uninstall-1-confirm
    click "$w" 208 263                   # uninstall
    if [ "$lang" != en_us ]; then
        # The survey is asked in Chinese only.
        sleep 0.5
        click "$w" 111 91                # the first reason
        click "$w" 291 91                # the second reason
        shot "$w" uninstall-2-survey
        click "$w" 483 343               # uninstall now
    fi
    wait_for 60 bash -c "! grep -q TesmarQLV '$registry/HKEY_LOCAL_MACHINE.ini'"
    sleep 1
    shot "$w" uninstall-3-finished
    click "$w" 288 313                   # finish
fi
wait $pid || true
# The clean-up script pauses a second before it removes the product folder.
[ -n "$automatic" ] && wait_for 20 bash -c "[ ! -e '$(dirname "$new_dir")' ]" || true

echo "== report"
{
    echo "Installed 5.1.3.0 into ${install_dir#"$out"/}"
    echo "Client starts: $(wc -l < "$HOME/sample-client.log" 2>/dev/null || echo 0)"
    sed 's/^/  /' "$HOME/sample-client.log" 2>/dev/null | sed "s|$out/||g" || true
    echo "Update 5.2.0.0 into ${new_dir#"$out"/}:"
    awk '$1 ~ /getVersionStream/ && $2 == 200 { n++; s += $3 } END { printf "  downloaded %d files, %d bytes\n", n, s }' \
        "$out/nginx/access.log"
    awk '$1 ~ /getVersionStream/ && $2 == 200 { print "    " $1 }' "$out/nginx/access.log"
    echo "  copied from the installation: the other files of $(sed -n 's/^published 5.2.0.0: \([0-9]*\) files.*/\1/p' "$out/publish-5.2.0.0.txt")"
    echo "Uninstallation:"
    if [ -e "$(dirname "$new_dir")" ]; then echo "  product folder still there"; else echo "  product folder removed"; fi
    echo "  shortcuts left: $(find "$HOME/Desktop" "$XDG_DATA_HOME/applications" -mindepth 1 2>/dev/null | wc -l)"
    echo "  registry lines naming the product left: $(cat "$registry"/*.ini 2>/dev/null | grep -c Tesmar || true)"
    echo "Servers received:"
    sed 's/^/  /' "$out/services.jsonl"
} | tee "$out/report.txt"
