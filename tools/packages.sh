# Sourced by the project's scripts: ensure_packages NAME... installs the Debian packages that are
# missing (as root), or prints the exact apt-get line and stops.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:"
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}"
        exit 1
    fi
    echo "== installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building the suite on Linux needs.
build_packages=(cmake ninja-build g++ pkg-config qtbase5-dev libqt5xml5 libquazip1-qt5-dev fonts-wqy-microhei)

# What serving the update protocol with nginx needs (tools/nginx.sh).
update_server_packages=(nginx libnginx-mod-http-set-misc)

# What the round trip of the demo and its test needs besides the build (tools/roundtrip.sh).
roundtrip_packages=("${update_server_packages[@]}" curl xvfb xauth xdotool imagemagick x11-utils)
