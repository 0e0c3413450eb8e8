#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench/) and runs them; arguments go
# on to Google Benchmark, e.g. --benchmark_filter=Undo.
set -euo pipefail
# shellcheck source=scripts/packages.sh
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

gw_install_packages "${GW_BUILD_PACKAGES[@]}" "${GW_BENCH_PACKAGES[@]}"
gw_configure build-bench -DCMAKE_BUILD_TYPE=Release -DGW_BUILD_TESTS=OFF -DGW_BUILD_BENCH=ON
cmake --build "$GW_ROOT/build-bench" --target gw_bench --parallel "$(nproc)"

exec "$GW_ROOT/build-bench/bin/gw_bench" "$@"
