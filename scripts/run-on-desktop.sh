#!/usr/bin/env bash
# Runs a command on a virtual desktop: a private Xvfb display (1280x1024,
# 24-bit) with the openbox window manager, and SDL's disk audio driver in
# place of a sound card (its output file given by SDL_DISKAUDIOFILE, or
# ./disk-audio.raw). Used by the test command for the window and sound card
# suites; the command's exit status is returned.
# Usage: run-on-desktop.sh <command> [args...]
set -euo pipefail
if [ $# -eq 0 ]; then echo "usage: $0 <command> [args...]" >&2; exit 2; fi
inner=$(cat <<'INNER'
set -u
openbox >/dev/null 2>&1 &
wm=$!
# The window manager is up once it owns the screen's selection. On a busy
# machine that can take seconds; the suites need it (focus, full screen),
# so they do not start without it.
wm_up=0
for _ in $(seq 1 600); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then wm_up=1; break; fi
  sleep 0.05
done
if [ "$wm_up" -ne 1 ]; then
  echo "run-on-desktop: the window manager did not start within 30 s" >&2
  kill "$wm" 2>/dev/null || true
  exit 1
fi
status=0
"$@" || status=$?
kill "$wm" 2>/dev/null || true
wait "$wm" 2>/dev/null || true
exit $status
INNER
)
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-disk}
export SDL_DISKAUDIOFILE=${SDL_DISKAUDIOFILE:-$PWD/disk-audio.raw}
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" bash "$@"
