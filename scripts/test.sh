#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, its
# Debian package and every benchmark in smoke mode, then the engine tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# fuzzing run of every reader.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs="$(nproc)"
scripts/build.sh build -DQUILTO_WERROR=ON
ctest --test-dir build --output-on-failure --parallel "$jobs"
# What an installation ships, from the same build.
scripts/check-dist.sh build
# Every benchmark once over tiny data, so that none rots unnoticed.
scripts/bench-smoke.sh build

scripts/build.sh build-asan -DQUILTO_WERROR=ON -DQUILTO_SANITIZE=ON -DQUILTO_BUILD_BENCH=OFF -DQUILTO_BUILD_GUI=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$jobs"

# Every reader's fuzzing harness, 10 s each, over its seeds.
scripts/fuzz-smoke.sh 10
echo "All tests passed."
