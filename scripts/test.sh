#!/usr/bin/env bash
# Builds Quillmere and runs every test: the normal build, then the tests again under
# AddressSanitizer + UndefinedBehaviorSanitizer, then short fuzz runs of the file readers and
# the hand-off decoder.
# Usage: scripts/test.sh            (everything)
#        QUILLMERE_FUZZ_SECONDS=10 scripts/test.sh   (shorter fuzz runs)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillmere_install_missing "${QUILLMERE_BUILD_PACKAGES[@]}" "${QUILLMERE_TEST_PACKAGES[@]}"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.cache/ccache}"
jobs=$(nproc)

step() { printf '\n=== %s\n' "$*"; }

step "code formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror

step "normal build and tests"
cmake --preset default -DQUILLMERE_WERROR=$werror >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

step "address and undefined-behaviour sanitizer build and tests"
cmake --preset asan -DQUILLMERE_WERROR=$werror >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

step "thread sanitizer on the audio back end"
cmake --preset tsan -DQUILLMERE_WERROR=$werror >/dev/null
cmake --build --preset tsan -j "$jobs" --target quillmere_audio_tests test_OfflineRender
ctest --preset tsan -L audio
# The renders that --render and the practice export make, on their one pulling thread.
ctest --preset tsan -R '^test_OfflineRender$'

step "realtime sanitizer on the audio back end"
cmake --preset rtsan -DQUILLMERE_WERROR=$werror >/dev/null
cmake --build --preset rtsan -j "$jobs" --target quillmere_audio_tests
ctest --preset rtsan -L audio

step "fuzzing the playlist and settings readers and the hand-off decoder"
cmake --preset fuzz -DQUILLMERE_WERROR=$werror >/dev/null
cmake --build --preset fuzz -j "$jobs"
scripts/fuzz.sh "${QUILLMERE_FUZZ_SECONDS:-60}"

step "all tests passed"
