#!/usr/bin/env bash
# Builds Quillmere if needed and starts the player with the given audio files.
# Usage: scripts/run.sh [FILE...]
#        QUILLMERE_AUDIO_OUTPUT=null scripts/run.sh [FILE...]   (no sound device)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/deps.sh
quillmere_install_missing "${QUILLMERE_BUILD_PACKAGES[@]}"
[ -f build/default/build.ninja ] || cmake --preset default >/dev/null
cmake --build --preset default --target quillmere
# Paths are taken relative to where the user started the script.
cd "$OLDPWD"
exec "$root/build/default/quillmere" "$@"
