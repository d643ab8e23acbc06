#!/usr/bin/env bash
# Draws the skin and writes PNG previews of every window's four state images (up, down,
# on-up, on-down, cropped to what the window shows) and a 2x sheet per window.
# Usage: scripts/skin-preview.sh [OUTDIR]     (default: build/default/skin-preview)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/default/skin-preview}"
cmake --preset default >/dev/null
cmake --build --preset default --target skingen
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen build/default/tools/skingen/skingen "$out/Skin" --preview "$out"
echo "PNG previews in $out"
