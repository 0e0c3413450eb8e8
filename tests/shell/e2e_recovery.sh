#!/usr/bin/env bash
# End-to-end crash recovery with the real program on a virtual X display,
# driven through its menus with xdotool and the clipboard with xclip:
#  1. two programs side by side each keep their own autosave copy;
#  2. one is killed (kill -9); the next start offers its copy only, restores
#     it, and the restored cells are what was drawn;
#  3. a clean exit leaves no copy;
#  4. a full disk (RLIMIT_FSIZE, set on the running program) fails an
#     autosave with a status-bar note: the editor goes on and the previous
#     copy stays whole until a later write succeeds;
#  5. a damaged copy is offered as damaged and can be discarded.
# Screenshots of the two recovery dialogs land in the artifact folder.
#
# Usage: e2e_recovery.sh GLYPHWRIGHT_BINARY ARTIFACT_FOLDER
set -euo pipefail

wait_seconds=20

# shellcheck source=tests/shell/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" e2e_recovery
gw_e2e_on_display "$@"
shift
app=$1
artifacts=$2
convert=$(dirname "$app")/gwconvert
mkdir -p "$artifacts"
for tool in xdotool xclip prlimit; do
    command -v "$tool" >/dev/null || fail "'$tool' is missing; scripts/test.sh installs it"
done
[[ -x "$convert" ]] || fail "no gwconvert beside $app"

gw_e2e_private_home
export GW_LOG_MESSAGES=1
recovery=$XDG_STATE_HOME/Glyphwright/recovery
# Autosave one second after an edit (a 4-byte little-endian setting).
mkdir -p "$XDG_CONFIG_HOME/Quillmark"
printf '[GWSet]\nAutosaveSecs=@ByteArray(\\x1\\0\\0\\0)\n' >"$XDG_CONFIG_HOME/Quillmark/Glyphwright.conf"

declare -A pids=()
cleanup() { local pid; for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done; rm -rf "$scratch"; }
trap cleanup EXIT

log_of() { echo "$artifacts/recovery_$1.log"; }
show_state()
{
    { echo "--- windows:"; xwininfo -root -tree 2>&1 | grep -i -e glyphwright -e recover
      echo "--- recovery folder:"; ls -la "$recovery"; } >&2 || true
    local file name
    for file in "$recovery"/*.gwp; do
        [[ -e "$file" ]] && { echo "--- text of $file:" >&2; drawn "$file" >&2 || true; }
    done
    for name in "${!pids[@]}"; do echo "--- output of program $name:" >&2; cat "$(log_of "$name")" >&2 || true; done
}
# check MESSAGE COMMAND...: fails with MESSAGE unless COMMAND succeeds.
check() { local what=$1; shift; "$@" || { show_state; fail "$what"; }; }
# wait_until DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_until()
{
    local what=$1 deadline=$((SECONDS + wait_seconds))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || { show_state; fail "timed out waiting for $what"; }
        sleep 0.2
    done
}

# window_of NAME TITLE: the id of program NAME's viewable window TITLE.
window_of() { xdotool search --all --onlyvisible --pid "${pids[$1]}" --name "^$2\$" 2>/dev/null | head -1; }
has_window() { [[ -n "$(window_of "$1" "$2")" ]]; }
# start NAME TITLE: starts a program and waits for its window TITLE.
start() { "$app" >"$(log_of "$1")" 2>&1 & pids[$1]=$!; wait_until "program $1's window '$2'" has_window "$1" "$2"; }
focus() { local w; w=$(window_of "$1" "$2"); xdotool windowraise "$w" windowfocus --sync "$w"; sleep 0.3; }

# menu NAME KEY ITEM_KEYS...: opens a menu of program NAME with KEY, waits
# for its popup, and chooses with ITEM_KEYS.
shown_windows() { xdotool search --all --onlyvisible --pid "${pids[$1]}" --name '' 2>/dev/null | wc -l; }
shown_more() { (($(shown_windows "$1") > $2)); }
shown_at_most() { (($(shown_windows "$1") <= $2)); }
menu()
{
    local name=$1 key=$2
    shift 2
    menu_base=$(shown_windows "$name")
    xdotool key "$key"
    wait_until "program $name's menu" shown_more "$name" "$menu_base"
    xdotool key "$@"
}

# paste NAME TEXT [edited]: puts TEXT on the clipboard, pastes it into
# program NAME's drawing with Edit > Paste Clipboard and drops the block with
# Escape. The menu opens on its first enabled item: Paste Clipboard in a
# fresh drawing; once the drawing is edited, Undo, with Paste Clipboard the
# next enabled one (nothing is ever selected or undone here).
paste()
{
    printf '%b' "$2" | xclip -selection clipboard -i
    focus "$1" "Untitled - Glyphwright"
    if [[ ${3:-} == edited ]]; then menu "$1" alt+e Down Return; else menu "$1" alt+e Return; fi
    wait_until "program $1's menu to close" shown_at_most "$1" "$menu_base"
    xdotool key Escape
}

# The files of program NAME's session, and its copy.
copies_of() { compgen -G "$recovery/session-${pids[$1]}.*" || true; }
copy_of() { compgen -G "$recovery/session-${pids[$1]}.*.gwp" || true; }
gone() { [[ -z "$(copies_of "$1")" ]]; }
# drawn FILE: the non-blank lines of the drawing's text, trailing blanks cut.
drawn() { "$convert" text "$1" "$scratch/frame.txt" >/dev/null 2>&1 && sed 's/\r$//; s/ *$//; /^$/d' "$scratch/frame.txt"; }
copy_holds() # NAME TEXT: the session has one copy, holding TEXT
{
    local file
    file=$(copy_of "$1")
    [[ -n "$file" && $(wc -l <<<"$file") -eq 1 ]] && [[ "$(drawn "$file" 2>/dev/null)" == "$(printf '%b' "$2")" ]]
}
exited() { ! kill -0 "${pids[$1]}" 2>/dev/null; }
crash() { kill -9 "${pids[$1]}"; wait "${pids[$1]}" 2>/dev/null || true; }
logged() { grep -qF "$2" "$(log_of "$1")"; }
count_logged() { grep -c "$2" "$(log_of "$1")"; }

# 1. Two programs side by side, each with its own copy.
start a "Untitled - Glyphwright"
start b "Untitled - Glyphwright"
paste a 'ALPHA\nONE'
paste b 'BRAVO\nTWO'
wait_until "program a's copy" copy_holds a 'ALPHA\nONE'
wait_until "program b's copy" copy_holds b 'BRAVO\nTWO'

# 2. Program a is lost; the next start offers its copy (b's session is
# running, so its copy is not offered) and restores it.
crash a
start c "Recover Drawings"
import -window root "$artifacts/recovery_dialog.png" || fail "screenshot failed"
check "program c did not offer exactly a's copy" \
    test "$(count_logged c 'glyphwright recovery offer:')/$(count_logged c 'recovery offer: Untitled$')" = 1/1
focus c "Recover Drawings"
xdotool key alt+r
wait_until "the restored drawing's window" has_window c "Untitled - Glyphwright"
# The restored drawing is this session's now: c writes its own copy of the
# cells it holds, and a's copy goes.
wait_until "program c's copy of the restored cells" copy_holds c 'ALPHA\nONE'
wait_until "program a's copy to go" gone a
check "program b's copy changed" copy_holds b 'BRAVO\nTWO'

# 3. A clean exit (File > Exit, the menu's last item), answering No to the
# save prompt, leaves no copy.
focus c "Untitled - Glyphwright"
menu c alt+f Up Return
wait_until "the save prompt" logged c 'message: Save changes to Untitled?'
wait_until "the prompt's window" has_window c Glyphwright
focus c Glyphwright
xdotool key alt+n
wait_until "program c to exit" exited c
check "program c did not exit with status 0" wait "${pids[c]}"
check "program c's clean exit left its session files" gone c

# 4. A full disk for program b: the copy (38 KB) no longer fits in 4 KB.
prlimit --pid "${pids[b]}" --fsize=4096:
paste b 'CHARL' edited
wait_until "program b's failure note" logged b 'glyphwright status: Autosave failed'
check "the failed autosave harmed the previous copy" copy_holds b 'BRAVO\nTWO'
check "the failed autosave showed a message box" test "$(count_logged b 'glyphwright message:')" = 0
check "the failure was noted more than once" test "$(count_logged b 'glyphwright status: Autosave failed')" = 1
# Room again: the editor went on working, and the next edit is saved.
prlimit --pid "${pids[b]}" --fsize=unlimited:
paste b 'DELTA' edited
wait_until "program b's copy after the disk has room" copy_holds b 'DELTA\nTWO'
check "stray files in the recovery folder" test "$(find "$recovery" -type f | wc -l)" = 3

# 5. Program b is lost and its copy damaged: offered as damaged, not
# restorable, and discarded.
crash b
truncate -s 1000 "$(copy_of b)"
start d "Recover Drawings"
check "the damaged copy was not offered as damaged" logged d 'recovery offer: Untitled (damaged)'
import -window root "$artifacts/recovery_damaged.png" || fail "screenshot failed"
focus d "Recover Drawings"
xdotool key alt+r
sleep 0.5
check "a damaged copy was restored" has_window d "Recover Drawings"
xdotool key alt+d
wait_until "the dialog to close" has_window d "Untitled - Glyphwright"
wait_until "program b's copy to go" gone b
focus d "Untitled - Glyphwright"
menu d alt+f Up Return
wait_until "program d to exit" exited d
check "files left in the recovery folder" test -z "$(find "$recovery" -type f)"

echo "e2e_recovery: copies kept apart, restored after kill -9, removed on exit, kept through a full disk; damaged copy discarded"
