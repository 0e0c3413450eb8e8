#!/usr/bin/env bash
# Installs what the browser test of the animated page needs: Debian's
# Chromium, Node.js with npm (only when no node command is found) and the
# test's npm packages in tests/browser/node_modules. Does nothing that is
# already in place. Works when run and when sourced.

gw_browser_deps()
{
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || return 1
    local -a sudo=() debs=()

    [[ -x /usr/bin/chromium ]] || debs+=(chromium)
    command -v node >/dev/null 2>&1 || debs+=(nodejs npm)
    if ((${#debs[@]})); then
        if ((EUID != 0)); then
            command -v sudo >/dev/null 2>&1 ||
                { echo "Run as root or install sudo: need ${debs[*]}" >&2; return 1; }
            sudo=(sudo)
        fi
        echo "Installing ${debs[*]}"
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update || return 1
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y \
            --no-install-recommends "${debs[@]}" || return 1
    fi
    command -v npm >/dev/null 2>&1 ||
        { echo "node is installed without npm: install npm for it" >&2; return 1; }

    local dir=$root/tests/browser
    if [[ ! -d "$dir/node_modules" ]]; then
        echo "Installing the npm packages of $dir"
        if [[ -f "$dir/package-lock.json" ]]; then
            npm ci --prefix "$dir" --no-audit --no-fund || return 1
        else
            npm install --prefix "$dir" --no-audit --no-fund || return 1
        fi
    fi
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    gw_browser_deps
else
    gw_browser_deps
fi
