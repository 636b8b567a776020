#!/usr/bin/env bash
# The suite's round trip on one machine: publishes two versions of the sample client (5.1.3.0
# and 5.2.0.0), serves them with nginx and runs the service stand-in on free loopback ports, lays
# out a sandbox in OUT and runs install, update 5.2.0.0 and uninstall there. After each step it
# checks what a user would find (registry store, folders, shortcuts, what the servers received)
# and ends with exit code 1 when any of those checks failed. Writes OUT/report.txt.
#   tools/roundtrip.sh BUILD OUT
# BUILD is a Linux build folder of the suite. Needs an X display: ROUNDTRIP_MANUAL=1 leaves the
# clicking to a person, otherwise the script clicks itself (xdotool) and saves a screenshot of
# every window state to OUT. ROUNDTRIP_LANG=en_us runs the English interface.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/roundtrip-lib.sh
. "$here/roundtrip-lib.sh"
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
lang=${ROUNDTRIP_LANG:-zh_cn}
automatic=1
# Real X windows: the clicks go to them (a test command may have asked Qt for "offscreen").
unset QT_QPA_PLATFORM
[ -n "${ROUNDTRIP_MANUAL:-}" ] && automatic=

sandbox=$out/sandbox
publish=$out/publish
rm -rf "$sandbox" "$publish" "$out"/nginx "$out"/release "$out"/*.png "$out"/*.txt "$out"/*.log "$out"/services.jsonl \
       "$out"/standin.port
mkdir -p "$sandbox"/{home/Desktop,home/.local/share/applications,tmp,programs,run,download} "$publish/store"
chmod 700 "$sandbox/run"

start_services "$bin" "$out"
publish_versions "$bin" "$out" "$bin/tools/sampleclient/sample-client" "$bin/src/uninstall/uninstall" "$bin/src/update/update"

# The sandbox: a user's account of its own, nothing of this machine's settings read or changed.
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/home/.config XDG_DATA_HOME=$sandbox/home/.local/share \
       XDG_CACHE_HOME=$sandbox/home/.cache XDG_RUNTIME_DIR=$sandbox/run TMPDIR=$sandbox/tmp \
       PROGRAMFILES=$sandbox/programs
registry=$XDG_CONFIG_HOME/Havrel/registry
name=泰斯玛云渲染
shown=$name
[ "$lang" = en_us ] && shown="Tesmar Render"

# What a user downloads: the installer, its branding and the package.
download=$sandbox/download
cp "$bin/src/install/install" "$download/"
cp "$publish/packages/5.1.3.0/files.zip" "$download/"
write_branding "$download/TS.ini" "$name" "" "$lang"
printf '[server]\nbs=%s\nops=%s\nweb=%s\n' "$service" "$service" "$UPDATE_SERVER" > "$download/service.ini"

# finish_program PID: the program's end. Driven by this script, a program still running a minute
# after its last click has hung; it is stopped so that the checks can say what is missing.
finish_program() {
    if [ -n "$automatic" ] && ! wait_for 60 ended "$1"; then kill "$1" 2>/dev/null || true; fi
    wait "$1" || true
}
# The registry store: one INI file per hive; a value is found by its name and data.
registered() { cat "$registry"/*.ini 2>/dev/null | grep -qF -- "$1"; }
not_registered() { ! registered "$1"; }
link_to() { [ "$(readlink "$1")" = "$2" ]; }
starts() { grep -c "started version $1 from $2" "$HOME/sample-client.log" 2>/dev/null || true; }

echo "== install 5.1.3.0"
"$download/install" > "$out/install.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of)
    shot "$w" install-1-start
    click "$w" 293 293                   # install
    wait_for 120 registered 'DisplayVersion=5.1.3.0'
    sleep 1
    shot "$w" install-2-finished
    click "$w" 293 293                   # start the client
fi
finish_program $pid
install_dir=$(dirname "$(find "$PROGRAMFILES" -name version.txt | head -n 1)")
product=$(dirname "$install_dir")
echo "   installed into ${install_dir#"$out"/}"
expect "the installation folder is a versioned folder in the product folder" \
    bash -c "[[ '$install_dir' == */TesmarQLV/5.1.3.0.* ]]"
expect "it holds exactly the published 5.1.3.0 files" same_tree "$out/release/5.1.3.0" "$install_dir"
expect "uninstall entry: installDir" registered "installDir=$install_dir"
expect "uninstall entry: version" registered "DisplayVersion=5.1.3.0"
expect "uninstall entry: uninstaller" registered "UninstallString=$install_dir/uninstall.exe"
expect "autostart value" registered "Tesmar.exe=$install_dir/Tesmar.exe RegAutoRun"
expect "desktop shortcut to the client" link_to "$HOME/Desktop/$shown.lnk" "$install_dir/Tesmar.exe"
expect "installation report received" recorded '"kind":"installation report"'
expect "the report carries the mark" recorded '"mark":"demo"'
expect "the client was started once from the new installation" [ "$(starts 5.1.3.0 "$install_dir")" = 1 ]

echo "== update 5.2.0.0"
: > "$out/nginx/access.log"
"$install_dir/update.exe" 5.2.0.0 > "$out/update.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of)
    wait_for 120 registered 'DisplayVersion=5.2.0.0'
    sleep 1
    shot "$w" update-1-finished
    click "$w" 293 333                   # finish: start the client from the new folder
fi
finish_program $pid
new_dir=$(dirname "$(grep -lx 5.2.0.0 $(find "$PROGRAMFILES" -name version.txt) | head -n 1)")
echo "   updated into ${new_dir#"$out"/}"
downloads=$(downloads)
expect "the new folder lies beside the old one" [ "$(dirname "$new_dir")" = "$product" ]
expect "it holds exactly the published 5.2.0.0 files" same_tree "$out/release/5.2.0.0" "$new_dir"
expect "only the 3 changed files were downloaded" [ "$downloads" = 3 ]
expect "uninstall entry points at the new folder" registered "installDir=$new_dir"
expect "uninstall entry: version" registered "DisplayVersion=5.2.0.0"
expect "autostart value points at the new folder" registered "Tesmar.exe=$new_dir/Tesmar.exe RegAutoRun"
expect "desktop shortcut points at the new client" link_to "$HOME/Desktop/$shown.lnk" "$new_dir/Tesmar.exe"
expect "the client was started from the new folder" [ "$(starts 5.2.0.0 "$new_dir")" = 1 ]

echo "== uninstall"
"$new_dir/uninstall.exe" > "$out/uninstall.log" 2>&1 &
pid=$!
if [ -n "$automatic" ]; then
    w=$(window_of)
    wait_for 30 recorded '"kind":"reason list"'
    sleep 0.5
    shot "$w" uninstall-1-confirm
    click "$w" 208 263                   # uninstall
    if [ "$lang" != en_us ]; then
        # The survey is asked in Chinese only.
        sleep 0.5
        click "$w" 111 91                # the first reason
        click "$w" 291 91                # the second reason
        shot "$w" uninstall-2-survey
        # Once only: the removal runs in the window's own thread, so the window answers only when it
        # is done, and a second click could reach the button before it is gone.
        click "$w" 483 343 1             # uninstall now
    fi
    wait_for 60 not_registered TesmarQLV
    sleep 1
    shot "$w" uninstall-3-finished
    click "$w" 288 313                   # finish
fi
finish_program $pid
# The clean-up script pauses a second before it removes the product folder and itself.
wait_for 30 gone "$product" || true
expect "the product folder is gone, old version included" gone "$product"
expect "the clean-up script removed itself" gone "$TMPDIR/ClearQLV.sh"
expect "no registry entry of the product is left" not_registered Tesmar
expect "no desktop shortcut is left" gone "$HOME/Desktop/$shown.lnk"
expect "no programs-menu folder is left" gone "$XDG_DATA_HOME/applications/$shown"
if [ "$lang" = en_us ]; then
    expect "the English survey answer is empty" recorded '"answer":{"rows":[]}'
else
    expect "the survey answer names the two reasons" recorded '"answer":{"rows":[{"id":101},{"id":102}]}'
fi

echo "== report"
{
    echo "Installed 5.1.3.0 into ${install_dir#"$out"/}"
    echo "Client starts:"
    sed "s|$out/||g; s/^/  /" "$HOME/sample-client.log" 2>/dev/null || true
    echo "Update 5.2.0.0 into ${new_dir#"$out"/}:"
    awk '$1 ~ /getVersionStream/ && $2 == 200 { n++; s += $3 } END { printf "  downloaded %d files, %d bytes:\n", n, s }' \
        "$out/nginx/access.log"
    awk '$1 ~ /getVersionStream/ && $2 == 200 { print "    " $1 }' "$out/nginx/access.log"
    total=$(sed -n 's/^published 5.2.0.0: \([0-9]*\) files.*/\1/p' "$out/publish-5.2.0.0.txt")
    echo "  copied from the installation: $((total - downloads)) of $total files"
    echo "Uninstallation: product folder, registry entries, shortcuts removed; left in the sandbox:"
    (cd "$sandbox" && find . -mindepth 1 -not -path './download*' -not -path './run*' | sed 's/^/  /')
    echo "Servers received:"
    sed 's/^/  /' "$out/services.jsonl"
} > "$out/report.txt"
cat "$out/report.txt"
finish_checks
