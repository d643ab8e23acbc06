#!/usr/bin/env bash
# Compares "quillmere --render" with the command-line tools a user might pick instead, on one
# 5-minute MP3 at 0.75x speed and +2 semitones. Prints the CPU seconds (user + system) of
# each, the median of RUNS runs, and our ratios to soundstretch and to rubberband -3.
# Our render also decodes the MP3 and runs the six-band equaliser and the reverb; soundstretch
# reads only WAV files, so it is given the song already decoded. For a like-for-like figure our
# render also runs on that WAV with tempo and pitch only, beside soundstretch -speech, whose
# 40/15/8 ms windows are the ones our SoundTouch stretcher uses (its default music windows are
# longer and cheaper, and place notes up to 19 ms off at half speed).
# Usage: bench/compare-render.sh [BUILD_DIR] [RUNS]   (needs soundstretch, rubberband-cli,
#        sox with MP3 support, ffmpeg)
set -euo pipefail
build="${1:-build/default}"
runs="${2:-3}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 5-minute song: a chord that changes every second over a soft noise floor.
ffmpeg -v error -f lavfi -i "aevalsrc='0.2*sin(2*PI*(220+20*floor(t))*t)+0.15*sin(2*PI*330*t)+0.1*sin(2*PI*(440+30*floor(t/2))*t)':s=44100:d=300" \
    -f lavfi -i "anoisesrc=a=0.01:d=300" -filter_complex amix=inputs=2 -ac 2 -c:a libmp3lame -b:a 192k "$work/song.mp3"
ffmpeg -v error -i "$work/song.mp3" "$work/song.wav"

cpu() { # median CPU seconds of a command over $runs runs
    local times=()
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%U %S" -o "$work/t" "$@" >/dev/null 2>&1
        times+=("$(awk '{print $1 + $2}' "$work/t")")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

q=("$build/quillmere" --render "$work/song.mp3" --speed -25 --pitch 2 --eq 2,1,0,0,-1,-2 --reverb 5)
ours_st=$(cpu "${q[@]}" --stretcher soundtouch --output "$work/q-st.wav")
ours_rb=$(cpu "${q[@]}" --stretcher rubberband --output "$work/q-rb.wav")
ours_plain=$(cpu "$build/quillmere" --render "$work/song.wav" --speed -25 --pitch 2 --stretcher soundtouch --output "$work/q-plain.wav")
soundstretch=$(cpu soundstretch "$work/song.wav" "$work/ss.wav" -tempo=-25 -pitch=2)
soundstretch_speech=$(cpu soundstretch "$work/song.wav" "$work/ss2.wav" -tempo=-25 -pitch=2 -speech)
rubberband3=$(cpu rubberband -3 -T 0.75 -p 2 "$work/song.wav" "$work/rb.wav")
soxtempo=$(cpu sox "$work/song.mp3" "$work/sox.wav" tempo 0.75 pitch 200)
ffmpegtempo=$(cpu ffmpeg -v error -y -i "$work/song.mp3" -af "asetrate=49500,aresample=44100,atempo=0.668" "$work/ff.wav")

printf '%-34s %8s\n' "command (5 min MP3, 0.75x, +2 st)" "CPU s"
printf '%-34s %8s\n' "quillmere --render, soundtouch" "$ours_st" "quillmere --render, rubberband" "$ours_rb" \
    "quillmere --render WAV, tempo+pitch" "$ours_plain" \
    "soundstretch (WAV input)" "$soundstretch" "soundstretch -speech (WAV input)" "$soundstretch_speech" \
    "rubberband -3" "$rubberband3" "sox tempo + pitch" "$soxtempo" "ffmpeg asetrate + atempo" "$ffmpegtempo"
awk -v a="$ours_st" -v b="$soundstretch" 'BEGIN {printf "ours (soundtouch) / soundstretch:  %.2f (target 1.5 or less)\n", a / b}'
awk -v a="$ours_plain" -v b="$soundstretch" 'BEGIN {printf "same work (WAV, tempo+pitch) / soundstretch: %.2f\n", a / b}'
awk -v a="$ours_plain" -v b="$soundstretch_speech" 'BEGIN {printf "same work / soundstretch -speech (same windows): %.2f\n", a / b}'
awk -v a="$ours_rb" -v b="$rubberband3" 'BEGIN {printf "ours (rubberband) / rubberband -3: %.2f (target 1.2 or less)\n", a / b}'
