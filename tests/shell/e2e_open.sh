#!/usr/bin/env bash
# End-to-end open: runs the real program on a virtual X display with a
# drawing named on the command line and checks that the drawing replaces the
# blank one (screenshot open.png); then runs it with a file of another type
# and checks that "Wrong type file!" is shown over the blank drawing
# (screenshot wrong_type.png).
#
# Usage: e2e_open.sh GLYPHWRIGHT_BINARY ARTIFACT_FOLDER
set -euo pipefail

wait_seconds=20

# shellcheck source=tests/shell/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" e2e_open
gw_e2e_on_display "$@"
shift
app=$1
artifacts=$2
mkdir -p "$artifacts"

gw_e2e_private_home
# Every message box text is also written to stderr.
export GW_LOG_MESSAGES=1

pid=
cleanup()
{
    if [[ -n "$pid" ]]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

u32() # little-endian 32-bit number as printf escapes
{
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
        $((($1 >> 16) & 255)) $((($1 >> 24) & 255))
}

# A 3-frame drawing of 12 rows by 30 columns. Each frame is a box of '#' in
# red with the frame's letter inside in blue; the last frame (C) is shown.
write_drawing()
{
    local rows=12 cols=30 frames=3 f r c ch colour cell
    {
        printf 'GWHEADER'
        printf "$(u32 $frames)$(u32 $cols)$(u32 $rows)"
        for ((f = 0; f < frames; f++)); do
            local letter
            letter=$(printf "\\x$(printf '%02x' $((65 + f)))")
            for ((r = 0; r < rows; r++)); do
                for ((c = 0; c < cols; c++)); do
                    if ((r == 0 || r == rows - 1 || c == 0 || c == cols - 1)); then
                        ch='#' colour=255
                    elif ((r > 2 && r < rows - 3 && c > 4 && c < cols - 5)); then
                        ch=$letter colour=$((255 << 16))
                    else
                        ch=' ' colour=65793
                    fi
                    cell="$(u32 $colour)$(u32 $((c * 8)))$(u32 $((r * 16)))"
                    printf "$cell"
                    printf '%s\0\0\0' "$ch"
                done
            done
        done
    } >"$1"
}

show_state()
{
    echo "--- top-level windows on $DISPLAY:" >&2
    xwininfo -root -tree 2>&1 | grep -i glyphwright >&2 || true
    echo "--- program output ($1):" >&2
    cat "$1" >&2 || true
}

# Starts the program with a file and waits until a window named $2 is viewable.
run_until_window()
{
    local file=$1 title=$2 log=$3
    "$app" "$file" >"$log" 2>&1 &
    pid=$!
    local deadline=$((SECONDS + wait_seconds))
    until xwininfo -name "$title" 2>/dev/null | grep -q 'Map State: IsViewable'; do
        if ! kill -0 "$pid" 2>/dev/null; then
            show_state "$log"
            fail "the program exited before a window named '$title' appeared"
        fi
        if ((SECONDS >= deadline)); then
            show_state "$log"
            fail "no mapped window named '$title' within ${wait_seconds} s"
        fi
        sleep 0.2
    done
    sleep 1 # the first paint
}

stop_program()
{
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
}

# 1. A drawing named on the command line replaces the blank one.
drawing=$scratch/boxes.gwp
write_drawing "$drawing"
[[ $(stat -c %s "$drawing") -eq $((20 + 3 * 12 * 30 * 16)) ]] || fail "test drawing has the wrong size"
log=$artifacts/open.log
run_until_window "$drawing" "boxes - Glyphwright" "$log"
import -window root "$artifacts/open.png" || fail "screenshot failed"
grep -q 'glyphwright message:' "$log" && { show_state "$log"; fail "a message was shown"; }
stop_program

# 2. A file of another type: the message, and the blank drawing stays.
wrong=$scratch/notes.gwp
printf 'GWHEADEX this is not a drawing\n' >"$wrong"
log=$artifacts/wrong_type.log
run_until_window "$wrong" "Untitled - Glyphwright" "$log"
deadline=$((SECONDS + wait_seconds))
until grep -qx 'glyphwright message: Wrong type file!' "$log"; do
    ((SECONDS < deadline)) || { show_state "$log"; fail "no 'Wrong type file!' message"; }
    sleep 0.2
done
# The message box itself: a viewable window of the program captioned
# "Glyphwright" (Qt also keeps a hidden helper window of that name).
message_box_shown()
{
    local id
    for id in $(xwininfo -root -tree | awk '/"Glyphwright": \("glyphwright"/ { print $1 }'); do
        xwininfo -id "$id" | grep -q 'Map State: IsViewable' && return 0
    done
    return 1
}
deadline=$((SECONDS + wait_seconds))
until message_box_shown; do
    ((SECONDS < deadline)) || { show_state "$log"; fail "no message box window"; }
    sleep 0.2
done
sleep 0.5
import -window root "$artifacts/wrong_type.png" || fail "screenshot failed"
xwininfo -name "Untitled - Glyphwright" >/dev/null 2>&1 || fail "the blank drawing's window is gone"
stop_program

echo "e2e_open: drawing opened from the command line; wrong type refused; screenshots in $artifacts"
