#!/bin/bash
# Runs a Windows program of the cross build under Wine, for ctest and the test discovery:
#   wine-run.sh PREFIX WINE WINESERVER PROGRAM [ARGUMENTS...]
# One Wine prefix serves the whole build (its first start creates it, which takes a few
# seconds). Its wineserver is kept for a minute after the last program has ended: a
# wineserver that ended with every program would start anew, with Wine's own services, for
# each of the hundreds of test processes, at seconds each.
prefix=$1
wine=$2
wineserver=$3
shift 3
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$prefix"
# A new wineserver and Wine's services (which the first program starts) outlive the program:
# started here without the caller's output, so nobody waits for them to close it.
if "$wineserver" -p60 </dev/null >/dev/null 2>&1; then
    "$wine" wineboot </dev/null >/dev/null 2>&1
fi
exec "$wine" "$@"
