#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarnwick in the current directory
# (the settings file and the files named by time go there). It needs a display; see README.
set -euo pipefail
here="$(pwd)"
root="$(cd "$(dirname "$0")/.." && pwd)"
(cd "$root" && bash scripts/setup.sh && bash scripts/build.sh default)
cd "$here"
exec "$root/build/default/console/tarnwick" "$@"
