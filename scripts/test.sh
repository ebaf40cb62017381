#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the ordinary build, then the AddressSanitizer
# and UBSan build, then the ThreadSanitizer build (its suppressions for Qt: tests/tsan_suppressions.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
for preset in default asan tsan; do
  echo "== $preset build"
  bash scripts/build.sh "$preset"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$(nproc)" --timeout 300
done
