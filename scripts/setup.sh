#!/usr/bin/env bash
# Installs what the editor needs, builds it (Release, in build-release/) and
# starts it. Arguments go on to the program: a .gwp path opens that file.
set -euo pipefail
# shellcheck source=scripts/packages.sh
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

gw_install_packages "${GW_BUILD_PACKAGES[@]}" "${GW_RUN_PACKAGES[@]}"
gw_configure build-release -DCMAKE_BUILD_TYPE=Release -DGW_BUILD_TESTS=OFF -DGW_BUILD_BENCH=OFF
cmake --build "$GW_ROOT/build-release" --target glyphwright gwconvert gw_help --parallel "$(nproc)"

# Started from the caller's folder, so relative paths in the arguments hold.
exec "$GW_ROOT/build-release/bin/glyphwright" "$@"
