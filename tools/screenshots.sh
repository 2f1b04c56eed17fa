#!/usr/bin/env bash
# The module's dialogs on the screen, shown through the real DLL by a small host, and the
# Windows host with each dialog open, cropped into docs/. Runs under an X display with the
# Wine prefix ready (`./run screenshots`).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${QM7140_WIN32_BIN:-build/win32/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shoot() {  # output.png program.exe arguments...
  local out=$1 program=$2; shift 2
  rm -f "$work/stop" "$work/rect"
  (cd "$bin" && exec wine "$program" "$(winepath -w "$work/stop")" "$@") >"$work/rect" </dev/null &
  local host=$!
  for _ in $(seq 300); do
    [ -s "$work/rect" ] && break
    kill -0 "$host" 2>/dev/null || break
    sleep 0.1
  done
  local x y w h
  if ! read -r x y w h < <(tr -d '\r' <"$work/rect"); then
    echo "screenshots: no window for $out" >&2
    kill "$host" 2>/dev/null || true
    return 1
  fi
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
  touch "$work/stop"
  wait "$host"
  echo "== $out (${w}x${h})"
}

# Boost on, threshold T2, delay 125ms.
shoot docs/boost-dialog.png qm7140_showdialog.exe 2 2=0x40 20=0x0A
# Digital input (source mute, 44.1...48kHz, PDM in), SDOUT tag 12 tri-stated, both clocks
# output, data offset 32, V/I data, rising PDM edge on BCLK, shut down and muted.
shoot docs/digital-control.png qm7140_showdialog.exe 0 1=0x06 3=0x25 4=0xC4 5=0xC0 6=32 7=0xC9 17=0x06
# Limiter on, attack 1070 us, hysteresis 1, APT/VBAT 3; release 365 ms/step with the
# integration count; the curve as the dialog starts it.
shoot docs/limiter-dialog.png qm7140_showdialog.exe 1 2=0x04 14=0x5B 15=0x23

# The Windows host with each dialog open: registers set in its grid, a click in the dialog,
# and Digital Control opened from the device's figure, which it highlights.
shoot docs/host-digital-control.png qm7140_hostshot.exe digital 3=0x25 4=0xC4 click=Output
shoot docs/host-limiter.png qm7140_hostshot.exe limiter 14=0x5B 15=0x23 "click=Enable Limiter"
shoot docs/host-boost.png qm7140_hostshot.exe boost 20=0x0A "click=Enable Boost"
# File > Connect... with a bridge picked at 400 kHz.
shoot docs/host-connect.png qm7140_hostshot.exe connect
