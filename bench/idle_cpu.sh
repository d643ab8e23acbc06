#!/usr/bin/env bash
# CPU of the player while it plays and while it rests, against mpv on the same file.
# Usage: bench/idle_cpu.sh [BUILD_DIR]     (default build/default)
# Environment: IDLE_CPU_SECONDS (per row, default 12), IDLE_CPU_SINK_RATE (default 48000),
# IDLE_CPU_THREADS=0 to leave out the per-thread lines, IDLE_CPU_STACKS=1 to print where each
# of the player's threads is while it plays (gdb), to tell apart threads without a name.
#
# Everything runs privately: an X server (Xvfb), a PulseAudio daemon with a null sink, a
# session bus (dbus-run-session) for the player's MPRIS service, and a temporary
# QUILLMERE_HOME. The player is driven with playerctl (and the Rate property over D-Bus); the
# CPU of each process (and of each of its threads) is utime + stime from /proc over the row's
# seconds, and a thread's wake-ups are its voluntary context switches. Every process started
# here is stopped by its PID.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build/default}")"
program="$build/quillmere"
row_seconds="${IDLE_CPU_SECONDS:-12}"
sink_rate="${IDLE_CPU_SINK_RATE:-48000}"
show_threads="${IDLE_CPU_THREADS:-1}"

for tool in Xvfb xdpyinfo xwininfo xdotool pulseaudio pactl dbus-run-session dbus-send \
            playerctl ffmpeg mpv; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
[ -x "$program" ] || { echo "no player at $program (build the quillmere target)" >&2; exit 2; }

# The whole run needs one session bus of its own.
if [ -z "${IDLE_CPU_ON_BUS:-}" ]; then
    exec env IDLE_CPU_ON_BUS=1 dbus-run-session -- "$0" "$@"
fi

work="$(mktemp -d)"
pids=()
cleanup() {
    local status=$?
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

# --- private servers -------------------------------------------------------------------------
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR/pulse" "$work/home"
chmod 700 "$XDG_RUNTIME_DIR"
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native" PULSE_COOKIE="$XDG_RUNTIME_DIR/cookie"
HOME="$XDG_RUNTIME_DIR" pulseaudio --daemonize=no -n --exit-idle-time=-1 \
    --log-target="file:$work/pulse.log" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" \
    -L "module-null-sink sink_name=testsink norewinds=1 rate=$sink_rate channels=2" \
    -L "module-always-sink" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
pactl set-default-sink testsink

export DISPLAY=":$((100 + RANDOM % 800))"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

song="$work/song.mp3"
ffmpeg -v error -f lavfi -i "sine=frequency=220:duration=180:sample_rate=44100" \
    -f lavfi -i "anoisesrc=color=pink:amplitude=0.1:duration=180:sample_rate=44100" \
    -filter_complex "[0][1]amix=inputs=2,pan=stereo|c0=c0|c1=c0" -c:a libmp3lame -b:a 192k "$song"

# --- measuring -------------------------------------------------------------------------------
clk_tck="$(getconf CLK_TCK)"

# One line per thread: tid, ticks (utime + stime), voluntary switches, run time in ns
# (schedstat: exact, where the ticks are sampled 100 times a second), name.
snapshot() {
    local task tid name rest ticks switches ns
    for task in /proc/"$1"/task/*; do
        tid="${task##*/}"
        rest="$(cat "$task/stat" 2>/dev/null)" || continue
        name="$(cat "$task/comm" 2>/dev/null | tr ' ' '_')" || continue
        rest="${rest##*) }" # fields from the state on (the name may hold spaces)
        ticks="$(awk '{print $12 + $13}' <<<"$rest")"
        switches="$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null)"
        ns="$(awk '{print $1}' "$task/schedstat" 2>/dev/null)"
        echo "$tid $ticks ${switches:-0} ${ns:-0} $name"
    done
}

# measure PID LABEL: the process's CPU in per cent of one core over the row's seconds (from
# the ticks), into $work/LABEL.total; the same from the threads' run times into LABEL.exact,
# and each thread's figures (from its run time) into LABEL.threads.
measure() {
    local pid="$1" label="$2"
    snapshot "$pid" >"$work/before"
    local start end
    start="$(date +%s.%N)"
    sleep "$row_seconds"
    snapshot "$pid" >"$work/after"
    end="$(date +%s.%N)"
    awk -v hz="$clk_tck" -v t0="$start" -v t1="$end" -v out="$work/$label.threads" \
        -v exact="$work/$label.exact" '
        NR == FNR { ticks[$1] = $2; sw[$1] = $3; ns[$1] = $4; next }
        {
            secs = t1 - t0
            cpu = ($2 - ($1 in ticks ? ticks[$1] : 0)) * 100 / hz / secs
            run = ($4 - ($1 in ns ? ns[$1] : 0)) / 1e7 / secs
            wakes = ($3 - ($1 in sw ? sw[$1] : 0)) / secs
            total += cpu
            runs += run
            printf "%s %s %.2f %.1f\n", $1, $5, run, wakes > out
        }
        END { printf "%.2f\n", total; printf "%.2f\n", runs > exact }' \
        "$work/before" "$work/after" >"$work/$label.total"
}

settle() { sleep 2; }

mpris() {
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quillmere \
        /org/mpris/MediaPlayer2 "$@" >/dev/null
}

# --- the player ------------------------------------------------------------------------------
QUILLMERE_HOME="$work/home" QT_QPA_PLATFORM=xcb "$program" "$song" >"$work/player.log" 2>&1 &
player=$!
pids+=("$player")
for _ in $(seq 200); do
    [ "$(playerctl -p quillmere status 2>/dev/null)" = Playing ] && break
    kill -0 "$player" 2>/dev/null || { cat "$work/player.log" >&2; exit 1; }
    sleep 0.1
done
[ "$(playerctl -p quillmere status 2>/dev/null)" = Playing ] ||
    { echo "the player did not start playing" >&2; cat "$work/player.log" >&2; exit 1; }
window=""
for id in $(xdotool search --pid "$player" 2>/dev/null); do
    if xwininfo -id "$id" | grep -q IsViewable; then window="$id"; break; fi
done
[ -n "$window" ] || { echo "no viewable player window" >&2; exit 1; }

settle
measure "$player" playing
if [ "${IDLE_CPU_STACKS:-0}" != 0 ]; then
    gdb -p "$player" -batch -ex "thread apply all bt 6" >"$work/stacks" 2>/dev/null || true
fi
playerctl -p quillmere pause
settle
measure "$player" paused
playerctl -p quillmere stop
settle
measure "$player" stopped
playerctl -p quillmere play
xdotool windowunmap "$window"
settle
measure "$player" unmapped
xdotool windowmap "$window"
mpris org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player \
    string:Rate variant:double:0.75
settle
measure "$player" slow
kill "$player"
wait "$player" 2>/dev/null || true

# --- the yardstick ---------------------------------------------------------------------------
run_mpv() {
    local label="$1"
    shift
    mpv --no-config --no-terminal --no-video --ao=pulse "$@" "$song" &
    local pid=$!
    pids+=("$pid")
    settle
    measure "$pid" "$label"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
run_mpv mpv
run_mpv mpv_slow --af=rubberband --speed=0.75

# --- the table -------------------------------------------------------------------------------
total() { cat "$work/$1.total"; }
printf '\nCPU in %% of one core over %s s per row; sink at %s Hz\n\n' "$row_seconds" "$sink_rate"
printf 'Ticks: utime + stime from /proc/PID/stat; run time: the threads'"'"' schedstat (exact).\n\n'
printf '| State | Quillmere (ticks) | Quillmere (run time) | mpv (ticks) | mpv (run time) | Quillmere / mpv (run time) | Target |\n'
printf '|---|---|---|---|---|---|---|\n'
row() {
    local label="$1" text="$2" yard="$3" target="$4"
    local ours exact ratio="-" yard_ticks="-" yard_exact="-"
    ours="$(total "$label")"
    exact="$(cat "$work/$label.exact")"
    if [ "$yard" != "-" ]; then
        yard_ticks="$(total "$yard")"
        yard_exact="$(cat "$work/$yard.exact")"
        ratio="$(awk -v a="$exact" -v b="$yard_exact" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')"
    fi
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$text" "$ours" "$exact" "$yard_ticks" \
        "$yard_exact" "$ratio" "$target"
}
row playing "playing, window visible" mpv "at most 1.5x mpv"
row paused "paused" "-" "at most 0.3"
row stopped "stopped, song loaded" "-" "at most 0.3"
row unmapped "playing, window unmapped" mpv "at most mpv + 0.5"
row slow "playing at -25 % (Rubber Band)" mpv_slow "no worse than before"

if [ "${IDLE_CPU_STACKS:-0}" != 0 ]; then
    printf '\nWhere the threads were while playing:\n'
    grep -E '^(Thread|#[0-9])' "$work/stacks" | sed 's/ (.*) at / at /' || true
fi
if [ "$show_threads" != 0 ]; then
    # Each thread that used CPU or woke at least once a second: name, id, CPU (run time),
    # wake-ups.
    for label in playing paused stopped unmapped slow mpv mpv_slow; do
        printf '\n%s: thread, CPU %% of a core, wake-ups per second\n' "$label"
        awk '$3 >= 0.05 || $4 >= 1 { printf "  %-18s %7s %6.2f %8.1f\n", $2, $1, $3, $4 }' \
            "$work/$label.threads" | sort -k3 -nr
    done
fi
