#!/bin/sh
# Runs a test program as an ordinary user ("nobody") where the tests run as root, as in CI, so that
# what root's rights would hide (a folder that takes no new file) is met. The program is copied to a
# fresh folder any user may read, since the build may lie where only root may look (under /root).
# Usage: as_ordinary_user.sh PROGRAM GTEST_FILTER. Exit code 77 (skipped) where there is no need or
# no way: not root, or no setpriv (util-linux) or no user nobody.
set -eu
program=$1 filter=$2
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: these cases already ran as $(id -un)"
  exit 77
fi
if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
  echo "setpriv (util-linux) or the user nobody is missing: the cases of an ordinary user are untested"
  exit 77
fi
# In /tmp, not TMPDIR: that may lie where only root may look too.
dir=$(mktemp -d /tmp/tarnwick_as_user.XXXXXX)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/tmp"
cp "$program" "$dir/"
chown nobody "$dir/tmp"
chmod 755 "$dir" "$dir/$(basename "$program")"
# Sanitizer suppression files are read by the program: copies beside it.
for var in TSAN_OPTIONS LSAN_OPTIONS ASAN_OPTIONS UBSAN_OPTIONS; do
  eval "value=\${$var:-}"
  file=$(printf '%s\n' "$value" | sed -n 's/.*suppressions=\([^ :]*\).*/\1/p')
  if [ -n "$file" ] && [ -r "$file" ]; then
    cp "$file" "$dir/$var.supp"
    chmod 644 "$dir/$var.supp"
    export "$var=$(printf '%s\n' "$value" | sed "s|suppressions=[^ :]*|suppressions=$dir/$var.supp|")"
  fi
done
cd "$dir/tmp"
rc=0
TMPDIR="$dir/tmp" setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups \
  "$dir/$(basename "$program")" "--gtest_filter=$filter" || rc=$?
cd /
exit "$rc"
