#!/usr/bin/env bash
# CTest's emulator in the Windows build: runs one Qt Test executable under wine. Qt Test writes its
# log to a file, since wine can lose the standard output of a redirected program; the log is shown
# afterwards and the test's exit code is passed on. The program's own output goes to a file too:
# a process it leaves behind (wine's services, a tool it started) must not hold CTest's pipe open.
set -u
exe=$1
shift
log=$(mktemp --suffix=.txt)
out=$(mktemp)
"${WINE:-/usr/lib/wine/wine64}" "$exe" "$@" -o "Z:${log},txt" >"$out" 2>&1 </dev/null
rc=$?
cat "$out" "$log"
rm -f "$log" "$out"
exit $rc
