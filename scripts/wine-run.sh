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

die() { echo "wine-run: $*" >&2; exit 1; }
command -v wine >/dev/null && command -v wineboot >/dev/null ||
  die "Wine is not installed (bash scripts/install-deps.sh installs it)"

# One prefix set-up at a time, however many tests start together. A prefix
# is checked once, when made (or first found without the mark of a check):
# its registry and system folder are there and it runs a program. A broken
# one is reported, never used.
ready=$WINEPREFIX/.korvane-prefix-ready
log=$home/wineboot.log
exec 9>"$home/.prefix.lock"
flock 9
if [ ! -f "$ready" ]; then
  if [ ! -e "$WINEPREFIX" ]; then
    if ! wineboot --init >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1; then
      tail -n 20 "$log" >&2 || true
      die "wineboot could not create the Wine prefix $WINEPREFIX (log: $log)"
    fi
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
    die "the Wine prefix $WINEPREFIX lacks its registry or system folder; delete it to have it made again"
  fi
  if ! wine cmd /c exit 0 >>"$log" 2>&1; then
    tail -n 20 "$log" >&2 || true
    die "the Wine prefix $WINEPREFIX cannot run a program; delete it to have it made again (log: $log)"
  fi
  touch "$ready"
fi
flock -u 9
exec 9>&-

wine "$program" "$@"
