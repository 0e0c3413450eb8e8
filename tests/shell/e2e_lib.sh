# Shared by the end-to-end scripts; sourced, with the script's name as $1.
# shellcheck shell=bash

gw_e2e_name=$1

fail()
{
    echo "$gw_e2e_name: FAIL: $*" >&2
    exit 1
}

# gw_e2e_on_display ARGS...: unless already there, runs the calling script
# again on its own virtual X display. The display is kept up between program
# runs (-noreset): a server reset as the last client leaves would refuse the
# next program's connection.
gw_e2e_on_display()
{
    [[ "${1:-}" == --on-display ]] && return 0
    [[ $# -eq 2 ]] || { echo "usage: $0 GLYPHWRIGHT_BINARY ARTIFACT_FOLDER" >&2; exit 2; }
    [[ -x "$1" ]] || fail "no program at $1"
    local tool
    for tool in xvfb-run xauth xwininfo import; do
        command -v "$tool" >/dev/null || fail "'$tool' is missing; scripts/test.sh installs it"
    done
    exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$BASH" "$0" --on-display "$@"
}

# gw_e2e_private_home: a scratch folder for HOME and the XDG folders, so the
# program never touches the user's settings or desktop files.
gw_e2e_private_home()
{
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/gw-$gw_e2e_name.XXXXXX")
    export HOME=$scratch/home
    export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
    export XDG_CACHE_HOME=$scratch/cache XDG_STATE_HOME=$scratch/state
    export XDG_RUNTIME_DIR=$scratch/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" \
        "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
}
