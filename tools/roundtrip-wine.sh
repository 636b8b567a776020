#!/usr/bin/env bash
# The round trip with the Windows programs, under wine: the standard edition installed from a
# published "files.zip", updated to 5.2.0.0 and uninstalled, then a partner build with "TS.ico"
# installed and uninstalled. The programs run in a wine prefix of their own in OUT, driven through
# their windows with xdotool; nginx and the service stand-in run on the Linux side on 127.0.0.1.
# After each step it checks what a Windows user would find: the registry, the prefix's folders,
# the shortcuts, the client's icon resources, what the servers received, and at the end the
# clean-up script "C:\ClearQLV.bat" run by wine's cmd. Exit code 1 when any check failed.
#   tools/roundtrip-wine.sh LINUX-BUILD WIN64-BUILD OUT     (needs an X display)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/roundtrip-lib.sh
. "$here/roundtrip-lib.sh"
bin=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
mkdir -p "$3"
out=$(cd "$3" && pwd)

rm -rf "$out"/prefix "$out"/home "$out"/publish "$out"/nginx "$out"/release "$out"/*.png "$out"/*.txt "$out"/*.log \
       "$out"/services.jsonl
mkdir -p "$out/home/Desktop"

# A prefix of its own, its user folders inside OUT.
export HOME=$out/home WINEPREFIX=$out/prefix WINEDEBUG=-all WINE=${WINE:-/usr/lib/wine/wine64}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;tasklist.exe=n"
unset QT_QPA_PLATFORM
wineserver=$(dirname "$WINE")/wineserver
start_services "$bin" "$out"
trap 'stop_services; "$wineserver" -k 2>/dev/null || true' EXIT
echo "== wine prefix"
mkdir -p "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1
"$WINE" wineboot --init </dev/null >/dev/null 2>&1
c_drive=$WINEPREFIX/drive_c
# Wine 8's tasklist prints nothing; the client check needs one that answers.
cp "$win/tests/wine/tasklist.exe" "$c_drive/windows/system32/tasklist.exe"
profile=$c_drive/users/$(whoami)

publish_versions "$bin" "$out" "$win/tools/sampleclient/sample-client.exe" "$win/src/uninstall/uninstall.exe" \
    "$win/src/update/update.exe"

# --- Windows helpers ------------------------------------------------------------------------------
unix_path() { local p=${1//\\//}; echo "$c_drive${p#[Cc]:}"; }
reg_value() { # KEY NAME: the data of a registry value, empty when absent
    "$WINE" reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' \
        | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" || true
}
reg_is() { [ "$(reg_value "$1" "$2")" = "$3" ]; }
reg_gone() { ! "$WINE" reg query "$1" </dev/null >/dev/null 2>&1; }
lnk_points_at() { grep -aqF -- "$2" "$1"; } # a shell link names its target's path in its text
icon_images() { wrestool -l --type=3 "$1" 2>/dev/null | grep -c 'language=1033' || true; }
# largest_image ICO: the bytes of the icon file's largest image, as its directory places them.
largest_image() {
    local count i size offset largest=0 at=0
    count=$(od -An -t u2 -j 4 -N 2 "$1" | tr -d ' ')
    for ((i = 0; i < count; i++)); do
        size=$(od -An -t u4 -j $((6 + 16 * i + 8)) -N 4 "$1" | tr -d ' ')
        offset=$(od -An -t u4 -j $((6 + 16 * i + 12)) -N 4 "$1" | tr -d ' ')
        if [ "$size" -gt "$largest" ]; then largest=$size; at=$offset; fi
    done
    tail -c +$((at + 1)) "$1" | head -c "$largest"
}
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TesmarQLV'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Havrel\TesmarQLV\Settings'

# download NAME THIRD: what a user downloads, in C:\download-NAME.
download() {
    local folder=$c_drive/download-$1
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$win/src/install/install.exe" "$out/publish/packages/5.1.3.0/files.zip" "$folder/"
    write_branding "$folder/TS.ini" 泰斯玛云渲染 "$2" zh_cn
    printf '[server]\r\nbs=%s\r\nops=%s\r\nweb=%s\r\n' "$service" "$service" "$UPDATE_SERVER" > "$folder/service.ini"
    # The companion's installer, started when its option is left checked: a sample program that
    # notes its start in the same log.
    cp "$win/tools/sampleclient/sample-client.exe" "$folder/Vantoosetup.exe"
    [ -n "$2" ] && cp "$here/../resources/TS-KD.ico" "$folder/TS.ico"
    return 0
}

# install NAME SHOT-PREFIX: runs the installer of C:\download-NAME and clicks through it; sets
# install_dir (Windows path).
install() {
    "$WINE" "C:\\download-$1\\install.exe" </dev/null >"$out/install-$1.log" 2>&1 &
    local pid=$! w
    w=$(window_of)
    shot "$w" "$2-install-1-start"
    click "$w" 293 293                   # install
    wait_for 180 bash -c "'$WINE' reg query '$uninstall_key' /v DisplayVersion </dev/null 2>/dev/null | grep -q 5.1.3.0"
    sleep 2
    shot "$w" "$2-install-2-finished"
    click "$w" 293 293                   # start the client
    wait_for 60 ended $pid || true
    install_dir=$(reg_value "$uninstall_key" installDir)
    echo "   installed into $install_dir"
}

# uninstall DIR SHOT-PREFIX SURVEY: runs the uninstaller of DIR (Windows path), answering the
# survey when there is one.
uninstall() {
    "$WINE" "$1\\uninstall.exe" </dev/null >"$out/uninstall-$2.log" 2>&1 &
    local pid=$! w
    w=$(window_of)
    sleep 2
    shot "$w" "$2-uninstall-1-confirm"
    click "$w" 208 263                   # uninstall
    if [ "$3" = survey ]; then
        sleep 1
        click "$w" 111 91                # the first reason
        click "$w" 291 91                # the second reason
        shot "$w" "$2-uninstall-2-survey"
        # Once only: the removal runs in the window's own thread, so the window answers only when it
        # is done, and a second click could reach the button before it is gone.
        click "$w" 483 343 1             # uninstall now
    fi
    wait_for 120 reg_gone "$uninstall_key"
    sleep 2
    shot "$w" "$2-uninstall-3-finished"
    click "$w" 288 313                   # finish: the clean-up script starts
    wait_for 60 ended $pid || true
}

echo "== standard edition: install 5.1.3.0"
download standard ""
install standard standard
dir=$(unix_path "$install_dir")
product=$(dirname "$dir")
expect "the installation folder is C:\\Program Files\\...\\TesmarQLV\\5.1.3.0.*" \
    bash -c "[[ '$install_dir' == 'C:\\Program Files\\'*'\\TesmarQLV\\5.1.3.0.'* ]]"
expect "it holds the published 5.1.3.0 files" bash -c "for f in \$(cd '$out/release/5.1.3.0' && find . -type f); do cmp -s '$out/release/5.1.3.0/'\$f '$dir/'\$f || exit 1; done"
expect "uninstall entry: version" reg_is "$uninstall_key" DisplayVersion 5.1.3.0
expect "uninstall entry: uninstaller" reg_is "$uninstall_key" UninstallString "$install_dir\\uninstall.exe"
expect "autostart value" reg_is "$run_key" Tesmar.exe "$install_dir\\Tesmar.exe RegAutoRun"
expect "product settings: InstallDir" reg_is "$settings_key" InstallDir "$install_dir"
expect "product settings: info" bash -c "[ -n \"\$(\"\$0\" reg query '$settings_key' /v info </dev/null 2>/dev/null | grep -a exe)\" ]" "$WINE"
expect "desktop shortcut to the client" lnk_points_at "$profile/Desktop/泰斯玛云渲染.lnk" "$install_dir\\Tesmar.exe"
expect "installation report received" recorded '"kind":"installation report"'
expect "the report carries the processor (WMI)" recorded '"cpu":"['
expect "the client was started through explorer" wait_for 30 bash -c "[ \"\$(grep -c 'started version 5.1.3.0 from ${install_dir//\\//}' '$profile/sample-client.log')\" = 1 ]"
expect "the companion's installer was started" grep -qF "from C:/download-standard" "$profile/sample-client.log"

echo "== standard edition: update 5.2.0.0"
: > "$out/nginx/access.log"
"$WINE" "$install_dir\\update.exe" 5.2.0.0 </dev/null >"$out/update.log" 2>&1 &
pid=$!
w=$(window_of)
wait_for 180 reg_is "$uninstall_key" DisplayVersion 5.2.0.0
sleep 2
shot "$w" standard-update-1-finished
click "$w" 293 333                       # finish: start the client from the new folder
wait_for 60 ended $pid || true
new_install_dir=$(reg_value "$uninstall_key" installDir)
new_dir=$(unix_path "$new_install_dir")
echo "   updated into $new_install_dir"
expect "the new folder lies beside the old one" [ "$(dirname "$new_dir")" = "$product" ]
expect "it holds the published 5.2.0.0 files" bash -c "for f in \$(cd '$out/release/5.2.0.0' && find . -type f); do cmp -s '$out/release/5.2.0.0/'\$f '$new_dir/'\$f || exit 1; done"
expect "only the 3 changed files were downloaded" [ "$(downloads)" = 3 ]
expect "autostart value points at the new folder" reg_is "$run_key" Tesmar.exe "$new_install_dir\\Tesmar.exe RegAutoRun"
expect "desktop shortcut points at the new client" lnk_points_at "$profile/Desktop/泰斯玛云渲染.lnk" "$new_install_dir\\Tesmar.exe"
expect "the client was started from the new folder" wait_for 30 bash -c "grep -qF 'started version 5.2.0.0 from ${new_install_dir//\\//}' '$profile/sample-client.log'"

echo "== standard edition: uninstall"
uninstall "$new_install_dir" standard survey
wait_for 30 gone "$product" || true
expect "C:\\ClearQLV.bat removed the product folder, old version included" gone "$product"
expect "the clean-up script removed itself" gone "$c_drive/ClearQLV.bat"
expect "the uninstall entry is gone" reg_gone "$uninstall_key"
expect "the product settings are gone" reg_gone 'HKCU\Software\Havrel\TesmarQLV'
expect "the autostart value is gone" bash -c "[ -z \"\$(\"\$0\" reg query '$run_key' /v Tesmar.exe </dev/null 2>/dev/null | grep Tesmar)\" ]" "$WINE"
expect "the desktop shortcut is gone" gone "$profile/Desktop/泰斯玛云渲染.lnk"
expect "the survey answer names the two reasons" recorded '"answer":{"rows":[{"id":101},{"id":102}]}'

echo "== partner edition with TS.ico: install and uninstall"
download partner Vantoo
install partner partner
dir=$(unix_path "$install_dir")
wrestool -l "$dir/Tesmar.exe" > "$out/partner-client-resources.txt" 2>&1 || true
expect "the client carries icon images 1 to 7" [ "$(icon_images "$dir/Tesmar.exe")" = 7 ]
expect "image 7 is the largest image of TS.ico, byte for byte" \
    cmp -s <(wrestool -x --raw --type=3 --name=7 "$dir/Tesmar.exe") <(largest_image "$here/../resources/TS-KD.ico")
expect "and its version information still" bash -c "wrestool -l --type=16 '$dir/Tesmar.exe' | grep -q version"
expect "TS.ico lies in the installation" cmp -s "$here/../resources/TS-KD.ico" "$dir/TS.ico"
expect "the partner client starts" wait_for 30 bash -c "grep -qF 'started version 5.1.3.0 from ${install_dir//\\//}' '$profile/sample-client.log'"
answers=$(grep -c '"kind":"survey answer"' "$out/services.jsonl" || true)
uninstall "$install_dir" partner none
wait_for 30 gone "$(dirname "$dir")" || true
expect "the partner installation is gone" gone "$(dirname "$dir")"
expect "a partner build sends no survey answer" [ "$(grep -c '"kind":"survey answer"' "$out/services.jsonl" || true)" = "$answers" ]

{
    echo "Windows round trip under wine"
    echo "Client starts:"
    sed 's/^/  /' "$profile/sample-client.log"
    echo "Servers received:"
    sed 's/^/  /' "$out/services.jsonl"
} > "$out/report.txt"
cat "$out/report.txt"
finish_checks
