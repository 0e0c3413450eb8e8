#!/bin/bash
# Checks the bash completion of gwconvert, once on its own and once with
# bash-completion's helpers loaded (when installed), as in a user's shell.
# Usage: completion_test.sh PATH_TO_COMPLETION_SCRIPT
set -euo pipefail

script=$(realpath "${1:?usage: completion_test.sh PATH_TO_COMPLETION_SCRIPT}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch a.gwp b.txt

# Completes the line up to its end, split into words as readline splits it
# ("=" is a word of its own), and checks the sorted offers.
expect() {
    local line=$1 want=$2 got
    COMP_LINE=$line COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *[\ =] ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _gwconvert gwconvert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" || true
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    [[ $got == "$want" ]] || {
        echo "completion_test ($mode): '$line' offered '$got', expected '$want'" >&2
        exit 1
    }
}

run() {
    # The command names, whole and by prefix.
    expect "gwconvert " "animation ansi cast figlet flip gif html image info play png svg text utf8"
    expect "gwconvert an" "animation ansi"
    expect "gwconvert i" "image info"
    expect "gwconvert bogus " ""
    # Each command's own options, less those already given or excluded.
    expect "gwconvert text x.gwp out.txt --" "--frame --help"
    expect "gwconvert gif x.gwp --zoom=1 --once --" "--background --help --interval"
    expect "gwconvert image p.png o.htm --auto --c" "--cell --contrast"
    expect "gwconvert play a.gwp --loop --" "--background --help --interval"
    expect "gwconvert flip x.gwp o.gwp --top-bottom --" "--frame --help --plain"
    # Option values from a fixed list, after a space or "=".
    expect "gwconvert gif x.gwp --zoom " "0 1 2 3 4"
    expect "gwconvert figlet standard Hi --spacing=" "0 1 2 fit smush"
    expect "gwconvert text x.gwp --frame " ""
    # Drawings where a drawing is expected, also past an option's value and
    # "--"; the export's own kind of file for its output.
    expect "gwconvert text " "a.gwp"
    expect "gwconvert png --frame 2 " "a.gwp"
    expect "gwconvert text -- --frame " "b.txt"
    expect "gwconvert text a.gwp " "b.txt"
    expect "gwconvert html a.gwp " ""
    expect "gwconvert text a.gwp b.txt " ""
}

mode=plain
(source "$script" && run)
bc=/usr/share/bash-completion/bash_completion
if [[ -r $bc ]]; then
    mode=bash-completion
    (set +u && source "$bc" && source "$script" && run)
fi
echo "completion_test: ok"
