#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything in build/
# with warnings as errors (the benchmarks are built, not run) and runs every
# test. Exits with ctest's status.
set -euo pipefail
# shellcheck source=scripts/packages.sh
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

gw_install_packages "${GW_BUILD_PACKAGES[@]}" "${GW_TEST_PACKAGES[@]}"
# Chromium, Node and playwright-core for the animated page's browser test.
bash "$GW_ROOT/scripts/browser_deps.sh"
gw_configure build -DGW_WERROR=ON -DGW_BUILD_TESTS=ON -DGW_BUILD_BENCH=ON
cmake --build "$GW_ROOT/build" --parallel "$(nproc)"

status=0
# A minute of fuzzing the document, font and picture readers; any input that breaks one is
# kept under tests/data/fuzz/ (crashes/, figlet/crashes/, pictures/crashes/) and replayed by
# the core and ui tests from then on.
# It runs first so that ctest's summary closes the output.
gw_install_packages "${GW_FUZZ_PACKAGES[@]}"
"$GW_ROOT/scripts/run_fuzz.sh" || status=$?

ctest --test-dir "$GW_ROOT/build" --output-on-failure --timeout 600 || status=$?
exit "$status"
