#!/usr/bin/env bash
# Runs the player under a private X server and saves a PNG of its window.
# Usage: scripts/screenshot.sh OUT.png [FILE...]
# The player runs with QUILLMERE_AUDIO_OUTPUT=null and a private QUILLMERE_HOME unless those
# are set. Everything started here is stopped by its process id.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 OUT.png [FILE...]" >&2; exit 2; }
out="$(realpath -m "$1")"
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/deps.sh"
quillmere_install_missing xvfb xauth imagemagick x11-utils fonts-ipafont-gothic
program="$root/build/default/quillmere"
[ -x "$program" ] || cmake --build --preset default --target quillmere

work="$(mktemp -d)"
xpid=""
ppid_player=""
cleanup() {
    local status=$?
    if [ -n "$ppid_player" ]; then kill "$ppid_player" 2>/dev/null; wait "$ppid_player" 2>/dev/null || true; fi
    if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null || true; fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
    QUILLMERE_AUDIO_OUTPUT="${QUILLMERE_AUDIO_OUTPUT:-null}" \
    QUILLMERE_HOME="${QUILLMERE_HOME:-$work/home}" "$program" "$@" >"$work/player.log" 2>&1 &
ppid_player=$!

# The first window found by name is often an unmapped helper: keep the viewable one.
window=""
for _ in $(seq 200); do
    for id in $(xwininfo -display "$display" -root -tree 2>/dev/null |
                awk '/"Quillmere Audio Player"/ {print $1}'); do
        if xwininfo -display "$display" -id "$id" | grep -q "IsViewable"; then
            window="$id"
            break 2
        fi
    done
    kill -0 "$ppid_player" 2>/dev/null || { cat "$work/player.log" >&2; exit 1; }
    sleep 0.05
done
[ -n "$window" ] || { echo "no player window appeared" >&2; cat "$work/player.log" >&2; exit 1; }
sleep "${QUILLMERE_SCREENSHOT_DELAY:-1}" # let the first timer ticks draw position and spectrum
import -display "$display" -window "$window" "$out"
echo "$out"
