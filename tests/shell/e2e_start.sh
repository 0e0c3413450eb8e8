#!/usr/bin/env bash
# End-to-end start: runs the real program on a virtual X display with a
# private HOME, waits for its main window to be mapped, saves a screenshot of
# the screen and closes the program. Then starts it once more with less
# address space than its page arena would take at most (ulimit -v), which it
# must live with.
#
# Usage: e2e_start.sh GLYPHWRIGHT_BINARY ARTIFACT_FOLDER
set -euo pipefail

title="Untitled - Glyphwright"
wait_seconds=20

# shellcheck source=tests/shell/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" e2e_start
gw_e2e_on_display "$@"
shift
app=$1
artifacts=$2
mkdir -p "$artifacts"
log=$artifacts/start.log
shot=$artifacts/start.png
rm -f "$log" "$shot"

gw_e2e_private_home

"$app" >"$log" 2>&1 &
pid=$!

cleanup()
{
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

show_state()
{
    echo "--- top-level windows on $DISPLAY:" >&2
    xwininfo -root -children 2>&1 | sed -n '/children/,$p' >&2 || true
    echo "--- program output ($log):" >&2
    cat "$log" >&2 || true
}

wait_for_window()
{
    local deadline=$((SECONDS + wait_seconds))
    until xwininfo -name "$title" 2>/dev/null | grep -q 'Map State: IsViewable'; do
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            show_state
            fail "the program exited (status $status) before its window appeared"
        fi
        if ((SECONDS >= deadline)); then
            show_state
            fail "no mapped window named '$title' within ${wait_seconds} s"
        fi
        sleep 0.2
    done
}

wait_for_window
# The window is mapped; give the first paint a moment before the screenshot.
sleep 1
kill -0 "$pid" 2>/dev/null || { show_state; fail "the program exited right after showing its window"; }
import -window root "$shot" || fail "screenshot failed"
[[ -s "$shot" ]] || fail "screenshot $shot is empty"
echo "e2e_start: window '$title' shown; screenshot at $shot"

# 8 GiB of address space: half what the page arena reserves when it can.
kill "$pid"
wait "$pid" 2>/dev/null || true
(ulimit -v 8388608 && exec "$app") >"$log" 2>&1 &
pid=$!
wait_for_window
kill -0 "$pid" 2>/dev/null || { show_state; fail "the program exited under ulimit -v"; }
echo "e2e_start: window '$title' shown under ulimit -v 8388608"
