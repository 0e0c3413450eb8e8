#!/usr/bin/env bash
# Installs what building the Debian package needs, builds Glyphwright
# (Release, in build-package/) and makes the package there with cpack; prints
# the package's path. Install it with: sudo apt install ./build-package/glyphwright_*.deb
set -euo pipefail
# shellcheck source=scripts/packages.sh
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

gw_install_packages "${GW_BUILD_PACKAGES[@]}" dpkg-dev
# Debian's hardening flags (stack protector, fortified functions, full RELRO).
gw_configure build-package -DCMAKE_BUILD_TYPE=Release -DGW_BUILD_TESTS=OFF -DGW_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now"
cmake --build "$GW_ROOT/build-package" --parallel "$(nproc)"
(cd "$GW_ROOT/build-package" && cpack -G DEB >/dev/null)
ls "$GW_ROOT"/build-package/glyphwright_*.deb
