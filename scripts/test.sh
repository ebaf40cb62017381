#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: the ordinary build,
# then the AddressSanitizer and UBSan build, then the ThreadSanitizer build (its suppressions for
# Qt: tests/tsan_suppressions.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Every C++ file must read as .clang-format says.
unformatted=()
while IFS= read -r -d '' f; do
  clang-format --style=file "$f" | cmp -s - "$f" || unformatted+=("$f")
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (run clang-format -i on them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
export QT_QPA_PLATFORM=offscreen
for preset in default asan tsan; do
  echo "== $preset build"
  bash scripts/build.sh "$preset"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$(nproc)" --timeout 300
done
