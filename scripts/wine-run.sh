#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: a private 32-bit prefix,
# a virtual X display when none is set, ALSA's default device pointed at the
# null plugin (so sound code finds a device), no Mono/Gecko prompts.
# Usage: wine-run.sh program.exe [arguments...]
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

program=$1; shift
home=${KORVANE_WINE_HOME:-$(dirname "$(readlink -f "$program")")/.wine-home}
mkdir -p "$home"
if [ ! -f "$home/.asoundrc" ]; then
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$home/.asoundrc"
fi

export HOME=$home
export WINEPREFIX=$home/prefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# One prefix set-up at a time, however many tests start together.
exec 9>"$home/.prefix.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
flock -u 9

wine "$program" "$@"
