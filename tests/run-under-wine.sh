#!/usr/bin/env bash
# CTest's emulator in the Windows build: runs one Qt Test executable under wine. Qt Test writes its
# log to a file, since wine can lose the standard output of a redirected program; the log is shown
# afterwards and the test's exit code is passed on.
set -u
exe=$1
shift
log=$(mktemp --suffix=.txt)
"${WINE:-/usr/lib/wine/wine64}" "$exe" "$@" -o "Z:${log},txt"
rc=$?
cat "$log"
rm -f "$log"
exit $rc
