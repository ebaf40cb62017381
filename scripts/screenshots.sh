#!/usr/bin/env bash
# Remakes the README's pictures in docs/: the main dialog on each of its four pages and both viewers,
# taken on a virtual X server with a simulated colour camera streaming.
#   usage: scripts/screenshots.sh [path/to/tarnwick]   (default: the ordinary build, built if missing)
set -euo pipefail
root="$(cd "${BASH_SOURCE[0]%/*}/.." && pwd)"
source "$root/scripts/xvfb_session.sh"
xs_require import convert
program="${1:-$root/build/default/console/tarnwick}"
[ -x "$program" ] || bash "$root/scripts/build.sh" default
program="$(realpath "$program")"
docs="$root/docs"
mkdir -p "$docs"

# Takes a window as it is on the screen into docs/$2.png, scaled by $3 percent, in 256 colours.
shoot()
{
    xdotool windowraise "$1" mousemove 1900 1190
    sleep 0.5
    import -window "$1" "$XS_DIR/shot.png"
    convert "$XS_DIR/shot.png" -resize "$3%" -strip -colors 256 "PNG8:$docs/$2.png"
    echo "docs/$2.png"
}

xs_start_server
mkdir "$XS_DIR/work"
xs_start_program "$program" "$XS_DIR/work"

# Full-frame readout: the live picture, and the frame rate shown after its first two seconds.
xs_click "${XS_START[@]}"
live="$(xs_window_aside "[ 1:1 ]")"
sleep 2.5
shoot "$live" live-viewer 50
xs_show_page 0
shoot "$XS_MAIN" main-gain 100
xs_show_page 1
shoot "$XS_MAIN" main-shutter 100

# Line-scan readout, then a recording of a second and a half composed in the line-scan viewer.
xs_show_page 2
xs_click_page "${XS_LINE_SCAN[@]}"
sleep 2.5
shoot "$XS_MAIN" main-resolution 100
xs_show_page 3
xs_key r
sleep 1.5
xs_key t
line_scan="$(xs_window_aside "[ Fit ]")"
sleep 1
shoot "$line_scan" line-scan-viewer 50
shoot "$XS_MAIN" main-video-rec 100

rc=0
xs_exit_program || rc=$?
[ "$rc" -eq 0 ] || xs_fail "the program exited with $rc"
