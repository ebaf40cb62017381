#!/usr/bin/env bash
# Works the program as an operator does, with real pointer and key events on its own virtual X
# server and a simulated colour camera: Start, line-scan readout on the "Resolution / FPS" page, a
# recording on the "Video REC" page by its keys R and T, Save by S (named by the time), then names
# typed into save dialogs, Enter and Esc in the rate entry, Exit. Then checks the exit code, the
# saved BMP files and the settings written back.
#   usage: scripts/xvfb_operator_run.sh path/to/tarnwick
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
source "${BASH_SOURCE[0]%/*}/xvfb_session.sh"
xs_require
program="$(realpath "${1:?usage: $0 path/to/tarnwick}")"

SENSOR_PIXELS=1284

xs_start_server
work="$XS_DIR/work"
mkdir "$work"
xs_start_program "$program" "$work"

xs_click "${XS_START[@]}"
xs_window_aside "[ 1:1 ]" >/dev/null
xs_show_page 2
xs_click_page "${XS_LINE_SCAN[@]}"
xs_show_page 3
xs_key r
sleep 2
xs_key t
xs_window_aside "[ Fit ]" >/dev/null

bmp_saved()
{
    local f
    f="$(find "$work" -maxdepth 1 -name '*.bmp' | head -n1)"
    [ -n "$f" ] && [ "$(stat -c %s "$f")" -ge 54 ] &&
        [ "$(od -An -tu4 -j2 -N4 "$f" | tr -d ' ')" = "$(stat -c %s "$f")" ]
}
xs_key s
xs_wait "the BMP file" bmp_saved
stamped="$(cd "$work" && ls -- *.bmp)"

# Keys typed into a save dialog are the file's name, not the pages' keys: "rts" on "Video REC"
# neither records nor saves by the time, and "scan.bmp" on "Resolution / FPS" in FPS input leaves
# the rate as it is.
xs_click_page "${XS_NAMING_MANUAL[@]}"
xs_key s
xs_save_as rts
xs_wait "rts.bmp" test -s "$work/rts.bmp"
xs_show_page 2
xs_click_page "${XS_FPS_INPUT[@]}"
# Enter and Esc typed into the rate entry close nothing and press nothing: the page stays as it was.
xs_click_page "${XS_FPS_ENTRY[@]}"
sleep 0.3
xs_page_shot "$XS_DIR/page_before.png"
xs_key Return
xs_key Escape
sleep 0.5
! xs_program_ended && xs_main_window || xs_fail "Enter or Esc in the rate entry closed the main dialog"
xs_page_shot "$XS_DIR/page_after.png"
changed="$(compare -metric AE "$XS_DIR/page_before.png" "$XS_DIR/page_after.png" null: 2>&1 || true)"
[ "$changed" = 0 ] || xs_fail "Enter or Esc in the rate entry changed the page ($changed pixels)"
xs_click "${XS_FOLDER_SELECT[@]}"
xs_click "${XS_SAVE_IMAGE[@]}"
xs_save_as scan.bmp
xs_wait "scan.bmp" test -s "$work/scan.bmp"
sleep 1

rc=0
xs_exit_program || rc=$?
[ "$rc" -eq 0 ] || xs_fail "the program exited with $rc"

# One file named by the time of saving (UTC + 9 hours), a 24-bit picture as tall as the sensor;
# the same picture under the name typed; the live line-scan frame, 8-bit, under its name.
files="$(cd "$work" && ls | tr '\n' ' ')"
[ "$files" = "$stamped Tarnwick.ini rts.bmp scan.bmp " ] || xs_fail "unexpected files: $files"
cmp -s "$work/$stamped" "$work/rts.bmp" || xs_fail "rts.bmp is not the recording saved before"
[ "$(stat -c %s "$work/scan.bmp")" -eq $((1078 + 4 * SENSOR_PIXELS)) ] || xs_fail "scan.bmp: size"
bmp="$stamped"
[[ "$bmp" =~ ^[0-9]{14}\.bmp$ ]] || xs_fail "file name $bmp is not a timestamp"
stamp="${bmp%.bmp}"
named="$(date -u -d "${stamp:0:8} ${stamp:8:2}:${stamp:10:2}:${stamp:12:2}" +%s)"
age=$(($(date -u +%s) + 9 * 3600 - named))
[ "$age" -ge 0 ] && [ "$age" -le 120 ] || xs_fail "file name $bmp is $age s away from the time of saving"

u32() { od -An -tu4 -j"$2" -N4 "$work/$1" | tr -d ' '; }
s32() { od -An -td4 -j"$2" -N4 "$work/$1" | tr -d ' '; }
u16() { od -An -tu2 -j"$2" -N2 "$work/$1" | tr -d ' '; }
size="$(stat -c %s "$work/$bmp")"
width="$(s32 "$bmp" 18)"
height="$(s32 "$bmp" 22)"
[ "$(head -c2 "$work/$bmp")" = "BM" ] || xs_fail "$bmp does not start with BM"
[ "$(u32 "$bmp" 10)" -eq 54 ] && [ "$(u32 "$bmp" 14)" -eq 40 ] || xs_fail "$bmp: header sizes"
[ "$(u16 "$bmp" 28)" -eq 24 ] || xs_fail "$bmp: $(u16 "$bmp" 28) bits a pixel, not 24"
[ "$width" -gt 0 ] || xs_fail "$bmp: no line recorded (width $width)"
[ "${height#-}" -eq "$SENSOR_PIXELS" ] || xs_fail "$bmp: height $height, not $SENSOR_PIXELS"
expected=$((54 + (width * 3 + 3) / 4 * 4 * SENSOR_PIXELS))
[ "$size" -eq "$expected" ] || xs_fail "$bmp: $size bytes, $expected for $width x $height"

# The settings written back at Exit: the recording and file options as the run left them.
ini_value()
{
    awk -F= -v sec="[$1]" -v key="$2" '/^\[/ { in_sec = ($0 == sec) } in_sec && $1 == key { print $2 }' \
        "$work/Tarnwick.ini"
}
for expect in "LineRate Mode 1" "LineRate Fps 1841.62" "RecControl Mode 0" "FileOption Naming 0" \
    "FileOption Format 0" "FileOption Path "; do
    read -r section key value <<<"$expect"
    [ "$(ini_value "$section" "$key")" = "${value:-}" ] ||
        xs_fail "Tarnwick.ini [$section] $key is \"$(ini_value "$section" "$key")\", not \"${value:-}\""
done

echo "operator run passed: $bmp, $width lines recorded, exit code 0"
