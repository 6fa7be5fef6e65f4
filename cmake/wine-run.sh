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
# Wine's own fonts (fonts-wine: Tahoma, MS Sans Serif, ...), which this Wine does not find by
# itself, in the Windows font folder of the prefix, where a Windows has its fonts: without
# them every Windows font is drawn in some serif font of the host.
windows_fonts=$prefix/drive_c/windows/Fonts
for fonts in "$(dirname "$wine")"/../../share/wine/fonts "$(dirname "$wine")"/../share/wine/fonts; do
    if [ -d "$fonts" ] && [ -d "$prefix/drive_c/windows" ] && [ ! -e "$windows_fonts/tahoma.ttf" ]; then
        mkdir -p "$windows_fonts"
        ln -sf "$(cd "$fonts" && pwd)"/* "$windows_fonts/"
    fi
done
exec "$wine" "$@"
