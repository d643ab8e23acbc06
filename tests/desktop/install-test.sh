#!/usr/bin/env bash
# Installs the build tree into a private DESTDIR, validates the desktop entry and the AppStream
# file, and starts the installed player offscreen with a song that only the installed plug-in
# can decode: it must find its skin and plug-ins from its own prefix, with nothing beside it.
# Usage: install-test.sh BUILD_DIR
set -euo pipefail

build=$1
work=$(mktemp -d)
player_pid=
cleanup() {
    [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr/local >"$work/install.log" || {
    cat "$work/install.log"; fail "cmake --install"; }
prefix=$root/usr/local

for file in bin/quillmere share/applications/quillmere.desktop \
    share/metainfo/io.github.quillmere.Quillmere.metainfo.xml \
    share/icons/hicolor/scalable/apps/quillmere.svg \
    share/icons/hicolor/48x48/apps/quillmere.png share/icons/hicolor/256x256/apps/quillmere.png \
    share/quillmere/Skin/MMPOF1.DAT share/quillmere/help/index.html; do
    [ -s "$prefix/$file" ] || fail "not installed: $file"
done
ls "$prefix"/lib/*/quillmere/plugins/quillmere-plugin-ffmpeg.so >/dev/null 2>&1 ||
    ls "$prefix"/lib/quillmere/plugins/quillmere-plugin-ffmpeg.so >/dev/null 2>&1 ||
    fail "plug-in not installed"
# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 48 256; do
    read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/quillmere.png")
    [ "$w" -eq "$size" ] && [ "$h" -eq "$size" ] || fail "the $size px icon is $w x $h"
done

desktop-file-validate "$prefix/share/applications/quillmere.desktop" || fail "desktop-file-validate"
grep -q '^Exec=quillmere %F$' "$prefix/share/applications/quillmere.desktop" || fail "Exec line"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.quillmere.Quillmere.metainfo.xml" ||
    fail "appstreamcli validate"

# A private home and no system data folders: whatever the player finds comes from its prefix.
mkdir -p "$work/home" "$work/config" "$work/data" "$work/datadirs" "$work/runtime"
chmod 700 "$work/runtime"
song=$work/song.m4a
ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=1" -c:a aac "$song" ||
    fail "cannot make the song"
# Under the sanitizers, their settings go through; Qt Core may leave per-thread data behind
# when a signal ends the player (the suppressions the other player tests use).
sanitizers=()
for variable in ASAN_OPTIONS UBSAN_OPTIONS; do
    [ -n "${!variable:-}" ] && sanitizers+=("$variable=${!variable}")
done
sanitizers+=("LSAN_OPTIONS=suppressions=$(dirname "$0")/../app/lsan-player.supp")
env -i "${sanitizers[@]}" PATH="$PATH" HOME="$work/home" QT_QPA_PLATFORM=offscreen QUILLMERE_AUDIO_OUTPUT=null \
    QUILLMERE_HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_DATA_DIRS="$work/datadirs" XDG_RUNTIME_DIR="$work/runtime" \
    "$prefix/bin/quillmere" "$song" >"$work/player.log" 2>&1 &
player_pid=$!

# The song reaches the default playlist a second after it is in the list.
for _ in $(seq 1 200); do
    grep -qF "$song" "$work/home/DefaultPlayList.txt" 2>/dev/null && break
    kill -0 "$player_pid" 2>/dev/null || { cat "$work/player.log"; fail "the player ended early"; }
    sleep 0.1
done
grep -qF "$song" "$work/home/DefaultPlayList.txt" 2>/dev/null || {
    cat "$work/player.log"; fail "the installed player did not take the song"; }
kill -TERM "$player_pid"
status=0
wait "$player_pid" || status=$?
player_pid=
[ "$status" -eq 0 ] || { cat "$work/player.log"; fail "the player exited with $status"; }
echo "installed tree validated; the installed player took $song"
