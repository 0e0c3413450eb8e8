#!/usr/bin/env bash
# Fuzzes the ".gwp" reader with libFuzzer for a bounded time.
#
# Builds tests/fuzz/gwp_reader_fuzz.cpp and the core sources with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/
# (gcc cannot build libFuzzer targets, so this is a build of its own), starts
# the corpus from tests/data/fuzz/seeds/, and runs the fuzzer. Any input it
# fails on is copied into tests/data/fuzz/crashes/, where gw_core_tests
# replays it on every run; the script then exits non-zero.
#
# Needs the Debian packages clang and libclang-rt-14-dev.
#
# Environment:
#   GW_FUZZ_SECONDS   how long to fuzz (default 60)
#   GW_FUZZ_BUILD     build folder (default build-fuzz in the repository)
#   CXX_FUZZ          compiler (default clang++)
set -euo pipefail

GW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${GW_FUZZ_BUILD:-$GW_ROOT/build-fuzz}
seconds=${GW_FUZZ_SECONDS:-60}
cxx=${CXX_FUZZ:-clang++}
seeds=$GW_ROOT/tests/data/fuzz/seeds
crashes=$GW_ROOT/tests/data/fuzz/crashes

command -v "$cxx" >/dev/null || { echo "run_fuzz.sh: $cxx not found (install clang)" >&2; exit 2; }

mkdir -p "$build/obj" "$build/corpus" "$build/artifacts"

# Compile each source only when it, or any header of the core, is newer than
# its object.
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I"$GW_ROOT"
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
sources=("$GW_ROOT"/core/*.cpp "$GW_ROOT/tests/fuzz/anim_template_stub.cpp"
    "$GW_ROOT/tests/fuzz/gwp_reader_fuzz.cpp")
newest_header=$(ls -t "$GW_ROOT"/core/*.h "$GW_ROOT"/tests/fuzz/*.h | head -n 1)
objects=()
for src in "${sources[@]}"; do
    obj=$build/obj/$(basename "${src%.cpp}").o
    objects+=("$obj")
    if [[ ! -f "$obj" || "$src" -nt "$obj" || "$newest_header" -nt "$obj" ]]; then
        echo "Compiling $(basename "$src")"
        "$cxx" "${flags[@]}" -c "$src" -o "$obj"
    fi
done
fuzzer=$build/gwp_reader_fuzz
echo "Linking $fuzzer"
"$cxx" "${flags[@]}" "${objects[@]}" -o "$fuzzer"

rm -f "$build"/artifacts/*
cp -n "$seeds"/* "$build/corpus/" 2>/dev/null || true

# The store's write-fault handler must be allowed to take SIGSEGV over from
# the sanitizer.
status=0
ASAN_OPTIONS=allow_user_segv_handler=1:detect_leaks=1 \
UBSAN_OPTIONS=print_stacktrace=1 \
    "$fuzzer" "$build/corpus" \
    -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=200000 -timeout=30 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1 || status=$?

shopt -s nullglob
found=("$build"/artifacts/crash-* "$build"/artifacts/leak-* "$build"/artifacts/timeout-* \
    "$build"/artifacts/oom-*)
if ((${#found[@]})); then
    mkdir -p "$crashes"
    cp "${found[@]}" "$crashes/"
    echo "run_fuzz.sh: ${#found[@]} failing input(s) copied to $crashes:" >&2
    printf '  %s\n' "${found[@]##*/}" >&2
    exit 1
fi
if ((status != 0)); then
    echo "run_fuzz.sh: the fuzzer exited with status $status" >&2
    exit 1
fi
echo "run_fuzz.sh: no failures in ${seconds}s"
