# Sourced by the scripts that work Tarnwick through real X input: its own virtual X server, the
# program on it with a simulated colour camera, and the pointer and keys an operator would use.
# Controls are found from the dialogs' layouts in dialog units, scaled by the main dialog's size.
# With no window manager on the server every window opens at the screen's top-left and has no frame.

# Each waiting step gives up after this many seconds.
XS_WAIT_SECONDS=20

# The dialogs' layouts (dialog units): the main dialog's size, its controls, the tab control's tabs,
# and the choices on the pages that the runs click.
XS_DLG_CX=255
XS_DLG_CY=474
XS_START=(7 57 77 25)
XS_EXIT=(171 440 77 25)
XS_TAB=(7 98)
XS_FOLDER_SELECT=(173 33 75 14)
XS_SAVE_IMAGE=(171 57 77 25)
XS_LINE_SCAN=(82 19 51 10)
XS_FPS_INPUT=(143 153 58 10)
XS_FPS_ENTRY=(143 188 40 14)
XS_NAMING_MANUAL=(15 258 36 14)
# A page sits this many pixels right of and below the tab control's corner, under the tabs.
XS_PAGE_DX=3
XS_PAGE_DY=26

# XS_SHOT=file.png: a screenshot of the whole screen when a run fails.
xs_note() { echo "$(basename "$0"): $*" >&2; }
xs_fail()
{
    xs_note "FAILED: $*"
    [ -z "${XS_SHOT:-}" ] || import -window root "$XS_SHOT" || true
    if [ -s "${XS_DIR:-/nonexistent}/tarnwick.err" ]; then
        xs_note "the program's standard error:"
        sed 's/^/    /' "$XS_DIR/tarnwick.err" >&2
    fi
    exit 1
}

# Exits with 77 (a skip for CTest) when a tool is missing.
xs_require()
{
    local tool
    for tool in Xvfb xdotool "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            xs_note "SKIPPED: $tool is not installed (scripts/setup.sh installs it)"
            exit 77
        fi
    done
}

# Polls a command until it succeeds; fails the run with the message after XS_WAIT_SECONDS.
xs_wait()
{
    local what="$1"
    shift
    local i
    for ((i = 0; i < XS_WAIT_SECONDS * 10; ++i)); do
        "$@" && return 0
        sleep 0.1
    done
    xs_fail "waited ${XS_WAIT_SECONDS} s for $what"
}

xs_cleanup()
{
    set +e
    if [ -n "${XS_PROGRAM_PID:-}" ] && kill -0 "$XS_PROGRAM_PID" 2>/dev/null; then
        kill "$XS_PROGRAM_PID" 2>/dev/null
        wait "$XS_PROGRAM_PID" 2>/dev/null
    fi
    if [ -n "${XS_XVFB_PID:-}" ]; then
        kill "$XS_XVFB_PID" 2>/dev/null
        wait "$XS_XVFB_PID" 2>/dev/null
    fi
    [ -n "${XS_DIR:-}" ] && rm -rf "$XS_DIR"
}

# Starts a virtual X server on the first free display number and points DISPLAY at it; makes the
# temporary folder XS_DIR, removed at exit with everything started here. The server must not reset
# when its last client leaves: an xdotool search ending while the program connects would have the
# program's connection closed in the reset, and the program end for want of a display.
xs_start_server()
{
    XS_DIR="$(mktemp -d)"
    trap xs_cleanup EXIT
    Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$XS_DIR/display" >"$XS_DIR/xvfb.log" 2>&1 &
    XS_XVFB_PID=$!
    xs_wait "the X server to start" grep -qs . "$XS_DIR/display"
    export DISPLAY=":$(head -n1 "$XS_DIR/display")"
    unset WAYLAND_DISPLAY
}

xs_main_window()
{
    XS_MAIN="$(xdotool search --onlyvisible --name '^Tarnwick ' 2>/dev/null | head -n1 || true)"
    [ -n "$XS_MAIN" ]
}

# Starts the program in folder $2 (its settings and timestamp-named files go there) and waits for
# its main dialog; sets XS_MAIN and the dialog's geometry.
xs_start_program()
{
    local program="$1" folder="$2"
    mkdir -p "$XS_DIR/runtime" && chmod 700 "$XS_DIR/runtime"
    (cd "$folder" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$XS_DIR/runtime" \
        TARNWICK_SIM_CAMERAS=color "$program") >"$XS_DIR/tarnwick.out" 2>"$XS_DIR/tarnwick.err" &
    XS_PROGRAM_PID=$!
    xs_wait "the main dialog" xs_main_window
    eval "$(xdotool getwindowgeometry --shell "$XS_MAIN" | sed 's/^/XS_MAIN_/')"
}

# Prints the screen position of the centre of a rectangle given in dialog units, offset by pixels.
xs_point()
{
    awk -v x="$1" -v y="$2" -v cx="$3" -v cy="$4" -v ox="$5" -v oy="$6" \
        -v w="$XS_MAIN_WIDTH" -v h="$XS_MAIN_HEIGHT" -v dcx="$XS_DLG_CX" -v dcy="$XS_DLG_CY" \
        'BEGIN { printf "%d %d\n", ox + (x + cx / 2) * w / dcx + 0.5, oy + (y + cy / 2) * h / dcy + 0.5 }'
}

# Clicks a control of the main dialog, given by its rectangle in dialog units.
xs_click()
{
    xdotool mousemove $(xs_point "$1" "$2" "$3" "$4" "$XS_MAIN_X" "$XS_MAIN_Y") click 1
}

# Clicks a control of the current page.
xs_click_page()
{
    local corner
    corner=($(xs_point "${XS_TAB[0]}" "${XS_TAB[1]}" 0 0 "$XS_MAIN_X" "$XS_MAIN_Y"))
    xdotool mousemove $(xs_point "$1" "$2" "$3" "$4" $((corner[0] + XS_PAGE_DX)) \
        $((corner[1] + XS_PAGE_DY))) click 1
}

# Saves to file $1 a picture of the current page's part above the line-rate entry (page dialog units
# 0 to 220 across, 0 to 150 down), where nothing changes by itself.
xs_page_shot()
{
    local corner from to
    corner=($(xs_point "${XS_TAB[0]}" "${XS_TAB[1]}" 0 0 "$XS_MAIN_X" "$XS_MAIN_Y"))
    from=($(xs_point 0 0 0 0 $((corner[0] + XS_PAGE_DX)) $((corner[1] + XS_PAGE_DY))))
    to=($(xs_point 220 150 0 0 $((corner[0] + XS_PAGE_DX)) $((corner[1] + XS_PAGE_DY))))
    import -window root -crop "$((to[0] - from[0]))x$((to[1] - from[1]))+${from[0]}+${from[1]}" "$1"
}

# Shows page $1 (0 Gain, 1 Shutter, 2 Resolution / FPS, 3 Video REC) with the mouse wheel over
# the tabs: up to the first, then down to the one wanted.
xs_show_page()
{
    local corner
    corner=($(xs_point "${XS_TAB[0]}" "${XS_TAB[1]}" 0 0 "$XS_MAIN_X" "$XS_MAIN_Y"))
    xdotool mousemove $((corner[0] + 10)) $((corner[1] + 8)) click --repeat 4 4
    [ "$1" -gt 0 ] && xdotool click --repeat "$1" 5
    sleep 0.3
}

# Presses a key in the main dialog.
xs_key()
{
    timeout 10 xdotool windowfocus --sync "$XS_MAIN" key "$1"
}

# Waits for the toolkit's save dialog, types the name $1 into it and presses Enter.
xs_save_as()
{
    local id=""
    local i
    for ((i = 0; i < XS_WAIT_SECONDS * 10; ++i)); do
        id="$(xdotool search --onlyvisible --name '^Save As$' 2>/dev/null | head -n1 || true)"
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || xs_fail "waited ${XS_WAIT_SECONDS} s for the save dialog"
    sleep 0.5
    timeout 10 xdotool windowfocus --sync "$id" type --delay 50 "$1"
    timeout 10 xdotool key Return
}

# Waits for a visible window named exactly $1 and moves it to the right of the main dialog, where
# it hides nothing; prints its id.
xs_window_aside()
{
    local id=""
    local i
    for ((i = 0; i < XS_WAIT_SECONDS * 10; ++i)); do
        id="$(xdotool search --onlyvisible --name "^${1//[/\\[}\$" 2>/dev/null | head -n1 || true)"
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || xs_fail "waited ${XS_WAIT_SECONDS} s for the window \"$1\""
    xdotool windowmove "$id" $((XS_MAIN_X + XS_MAIN_WIDTH + 16)) 0
    sleep 0.2
    echo "$id"
}

xs_program_ended() { ! kill -0 "$XS_PROGRAM_PID" 2>/dev/null; }

# Clicks Exit and returns the program's exit code.
xs_exit_program()
{
    xs_click "${XS_EXIT[@]}"
    xs_wait "the program to end after Exit" xs_program_ended
    local rc=0
    wait "$XS_PROGRAM_PID" || rc=$?
    XS_PROGRAM_PID=""
    return "$rc"
}
