#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz for the given number of seconds each (default 60),
# starting from the seed files in fuzz/corpus/. Fails on any crash, hang or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
export QT_QPA_PLATFORM=offscreen
for target in build/fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    work=$(mktemp -d)
    cp fuzz/corpus/"${name#fuzz_}"/* "$work"/ 2>/dev/null || true
    echo "--- $name for ${seconds}s"
    log="build/fuzz/$name.log"
    status=0
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="build/fuzz/$name-" "$work" >"$log" 2>&1 || status=$?
    tail -n 12 "$log"
    rm -rf "$work"
    [ "$status" -eq 0 ] || { echo "$name failed (status $status); see $log"; exit 1; }
done
