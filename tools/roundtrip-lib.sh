# Sourced by the round-trip scripts (tools/roundtrip.sh for the Linux programs,
# tools/roundtrip-wine.sh for the Windows programs under wine): the servers, the published
# versions, the window driving and the checks they share.
# shellcheck source=tools/nginx.sh
. "$(dirname "${BASH_SOURCE[0]}")/nginx.sh"

failures=0
expect() { # DESCRIPTION COMMAND...: one expectation, counted when it fails
    local description=$1
    shift
    if "$@"; then
        echo "   ok: $description"
    else
        echo "   FAILED: $description"
        failures=$((failures + 1))
    fi
}
finish_checks() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures checks FAILED"
        exit 1
    fi
    echo "all checks passed"
}

# start_services LINUX-BUILD OUT: nginx on the file store OUT/publish/store and the service
# stand-in, both on free loopback ports; sets UPDATE_SERVER and service. Stopped on exit.
standin_pid=
stop_services() {
    stop_update_server
    if [ -n "$standin_pid" ]; then kill "$standin_pid" 2>/dev/null || true; fi
}
start_services() {
    local bin=$1 out=$2
    echo "== services"
    trap stop_services EXIT
    mkdir -p "$out/publish/store"
    start_update_server "$out/publish/store" "$out/nginx"
    rm -f "$out/standin.port"
    "$bin/tools/servicestandin/service-standin" --log "$out/services.jsonl" --port-file "$out/standin.port" >/dev/null &
    standin_pid=$!
    for _ in $(seq 100); do [ -s "$out/standin.port" ] && break; sleep 0.1; done
    service=http://127.0.0.1:$(cat "$out/standin.port")
    echo "   update server (nginx) $UPDATE_SERVER, service stand-in $service"
}

# publish_versions LINUX-BUILD OUT CLIENT UNINSTALLER UPDATER: two versions of the client as the
# maker builds them (the client, the uninstaller and the updater under the file names the
# registry entries carry, data and a plug-in script), published into OUT/publish. 5.2.0.0
# changes two files and adds one.
make_version() {
    local folder=$1 version=$2 client=$3 uninstaller=$4 updater=$5
    mkdir -p "$folder/data" "$folder/plugins"
    cp "$client" "$folder/Tesmar.exe"
    cp "$uninstaller" "$folder/uninstall.exe"
    cp "$updater" "$folder/update.exe"
    echo "$version" > "$folder/version.txt"
    printf '[server]\nbs=%s\nops=%s\nweb=%s\n' "$service" "$service" "$UPDATE_SERVER" > "$folder/service.ini"
    printf 'render presets of %s\n' "$version" > "$folder/data/presets.txt"
    head -c 300000 /dev/zero | tr '\0' 's' > "$folder/data/scene-cache.bin"
    echo "-- Tesmar menu for 3ds Max" > "$folder/plugins/tesmarMenu.ms"
}
publish_versions() {
    local bin=$1 out=$2
    shift 2
    echo "== publish 5.1.3.0 and 5.2.0.0"
    make_version "$out/release/5.1.3.0" 5.1.3.0 "$@"
    make_version "$out/release/5.2.0.0" 5.2.0.0 "$@"
    echo "GPU preset added in 5.2" > "$out/release/5.2.0.0/data/gpu-presets.txt"
    printf '<b>5.2.0.0</b><br/>更快的上传速度 / faster uploads<br/>GPU 渲染预设 / GPU render presets\n' \
        > "$out/release/notes-5.2.0.0.html"
    "$bin/tools/publisher/publish" --source "$out/release/5.1.3.0" --version 5.1.3.0 --out "$out/publish" \
        --prefix "$UPDATE_SERVER" | sed 's/^/   /'
    "$bin/tools/publisher/publish" --source "$out/release/5.2.0.0" --version 5.2.0.0 --out "$out/publish" \
        --prefix "$UPDATE_SERVER" --note "$out/release/notes-5.2.0.0.html" --previous 5.1.3.0 \
        | tee "$out/publish-5.2.0.0.txt" | sed 's/^/   /'
}

# The branding file of a download folder: GB2312, CR LF lines.
write_branding() { # FILE NAME THIRD LANG
    printf '[info]\r\nexe=Tesmar.exe\r\nname=%s\r\nnameEN=Tesmar Render\r\nthird=%s\r\nmark=demo\r\nlang=%s\r\n' "$2" "$3" "$4" \
        | iconv -f UTF-8 -t GB2312 > "$1"
}

# --- driving the windows ------------------------------------------------------------------------
# The program's window: the newest visible top-level window titled as the forms are (one program
# runs at a time, and the title finds the windows of wine's programs as well).
window_of() {
    local id
    for _ in $(seq 600); do
        id=$(xdotool search --onlyvisible --name '^Widget$' 2>/dev/null | tail -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
# The points clicked are the buttons' centres in the windows' forms (the frame adds 3 pixels).
# Nothing for a window that is gone: import would wait for a window to be picked by hand.
window_picture() {
    xwininfo -id "$1" >/dev/null 2>&1 || return 0
    timeout 10 import -window "$1" rgb:- 2>/dev/null | md5sum
}
# click WINDOW X Y [ATTEMPTS]: clicks until the window's picture shows that the click arrived (or
# the window is gone). A window just mapped can miss a click on a loaded machine, so up to
# ATTEMPTS (3) clicks are made. The mouse rests on the point first: a hover look is not an answer.
click() {
    local window=$1 x=$2 y=$3 attempts=${4:-3} before attempt
    xdotool mousemove --window "$window" "$x" "$y"
    sleep 0.3
    before=$(window_picture "$window")
    for ((attempt = 0; attempt < attempts; attempt++)); do
        xdotool click 1
        for _ in $(seq 50); do
            [ "$(window_picture "$window")" != "$before" ] && return 0
            sleep 0.1
        done
    done
    echo "   the window did not answer a click at $x,$y" >&2
}
shot() { # WINDOW NAME
    sleep 0.5
    timeout 10 import -window "$1" "$out/$2.png"
    echo "   screenshot $2.png"
}
wait_for() { # SECONDS COMMAND...: until the command succeeds
    local limit=$1
    shift
    for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
    echo "   gave up waiting for: $*" >&2
    return 1
}
ended() { ! kill -0 "$1" 2>/dev/null; }
recorded() { grep -qF -- "$1" "$out/services.jsonl"; }
same_tree() { diff -r "$1" "$2" >/dev/null; }
gone() { [ ! -e "$1" ] && [ ! -L "$1" ]; }
downloads() { awk '$1 ~ /getVersionStream/ && $2 == 200' "$out/nginx/access.log" | wc -l; }
