#!/usr/bin/env bash
# The demo: the suite's whole round trip on one machine (tools/roundtrip.sh). Builds everything,
# publishes two versions of a sample client, serves them with nginx next to the service stand-in,
# and runs install, update 5.2.0.0 and uninstall in a sandbox under demo-out/. With a display you
# click through the windows yourself; without one (a server, CI) it runs under Xvfb, clicks the
# buttons itself and saves a screenshot of every window state to demo-out/. Ends with a report.
#   ./demo.sh                   Chinese interface
#   DEMO_LANG=en_us ./demo.sh   English interface
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD
# shellcheck source=tools/packages.sh
. tools/packages.sh
ensure_packages "${build_packages[@]}" "${roundtrip_packages[@]}"

echo "== build"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/linux >/dev/null

export ROUNDTRIP_LANG=${DEMO_LANG:-zh_cn}
if [ -n "${DISPLAY:-}" ]; then
    ROUNDTRIP_MANUAL=1 tools/roundtrip.sh build/linux "$top/demo-out"
else
    xvfb-run -a -s "-screen 0 1024x768x24" tools/roundtrip.sh build/linux "$top/demo-out"
fi
