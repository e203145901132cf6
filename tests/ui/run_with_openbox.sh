#!/usr/bin/env bash
# Runs one program on a fresh Xvfb display managed by openbox; its exit code
# is the program's.
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  # Wait until openbox owns the display, so the window is framed from the start.
  if command -v xprop >/dev/null; then
    for _ in $(seq 200); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
      sleep 0.05
    done
  fi
  set +e
  "$@"
  rc=$?
  kill "$wm" 2>/dev/null
  exit "$rc"' bash "$@"
