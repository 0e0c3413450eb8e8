#!/usr/bin/env bash
# Fuzzes the ".gwp" reader and the FIGlet font reader with libFuzzer for a
# bounded time, shared between them.
#
# Builds tests/fuzz/gwp_reader_fuzz.cpp, tests/fuzz/figlet_fuzz.cpp and the
# core sources with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/
# (gcc cannot build libFuzzer targets, so this is a build of its own), starts
# each corpus from its seeds (tests/data/fuzz/seeds/, tests/data/fuzz/figlet/
# seeds/), and runs both fuzzers, one after the other. Any input one fails on
# is copied into its crashes folder beside the seeds, where gw_core_tests
# replays it on every run; the script then exits non-zero.
#
# Needs the Debian packages clang and libclang-rt-14-dev.
#
# Environment:
#   GW_FUZZ_SECONDS   how long to fuzz in all, half for each (default 60)
#   GW_FUZZ_BUILD     build folder (default build-fuzz in the repository)
#   CXX_FUZZ          compiler (default clang++)
set -euo pipefail

GW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${GW_FUZZ_BUILD:-$GW_ROOT/build-fuzz}
seconds=${GW_FUZZ_SECONDS:-60}
cxx=${CXX_FUZZ:-clang++}
seeds=$GW_ROOT/tests/data/fuzz/seeds
crashes=$GW_ROOT/tests/data/fuzz/crashes
fig_seeds=$GW_ROOT/tests/data/fuzz/figlet/seeds
fig_crashes=$GW_ROOT/tests/data/fuzz/figlet/crashes

command -v "$cxx" >/dev/null || { echo "run_fuzz.sh: $cxx not found (install clang)" >&2; exit 2; }

mkdir -p "$build/obj"

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I"$GW_ROOT"
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
common=("$GW_ROOT"/core/*.cpp "$GW_ROOT/tests/fuzz/anim_template_stub.cpp")
newest_header=$(ls -t "$GW_ROOT"/core/*.h "$GW_ROOT"/tests/fuzz/*.h | head -n 1)
# Compiles a source, only when it or any header of the core is newer than its
# object, and prints the object's path.
compile() {
    local src=$1 obj
    obj=$build/obj/$(basename "${src%.cpp}").o
    if [[ ! -f "$obj" || "$src" -nt "$obj" || "$newest_header" -nt "$obj" ]]; then
        echo "Compiling $(basename "$src")" >&2
        "$cxx" "${flags[@]}" -c "$src" -o "$obj"
    fi
    echo "$obj"
}
objects=()
for src in "${common[@]}"; do
    obj=$(compile "$src") || exit 1
    objects+=("$obj")
done

# fuzz NAME SECONDS CORPUS SEEDS CRASHES [OPTIONS...]: builds and runs one
# target; any input it fails on goes to CRASHES. Returns non-zero on a failure.
fuzz() {
    local name=$1 secs=$2 corpus=$3 seed_dir=$4 crash_dir=$5
    shift 5
    local fuzzer=$build/$name artifacts=$build/artifacts-$name status=0 obj
    obj=$(compile "$GW_ROOT/tests/fuzz/$name.cpp") || return 1
    echo "Linking $fuzzer"
    "$cxx" "${flags[@]}" "${objects[@]}" "$obj" -o "$fuzzer" || return 1
    mkdir -p "$corpus" "$artifacts"
    rm -f "$artifacts"/*
    cp -n "$seed_dir"/* "$corpus/" 2>/dev/null || true
    "$fuzzer" "$corpus" -max_total_time="$secs" -timeout=30 -artifact_prefix="$artifacts/" \
        -print_final_stats=1 "$@" || status=$?

    local found
    found=("$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*)
    if ((${#found[@]})); then
        mkdir -p "$crash_dir"
        cp "${found[@]}" "$crash_dir/"
        echo "run_fuzz.sh: $name: ${#found[@]} failing input(s) copied to $crash_dir:" >&2
        printf '  %s\n' "${found[@]##*/}" >&2
        return 1
    fi
    if ((status != 0)); then
        echo "run_fuzz.sh: $name exited with status $status" >&2
        return 1
    fi
}

shopt -s nullglob
failed=0
# The store's write-fault handler must be allowed to take SIGSEGV over from
# the sanitizer.
ASAN_OPTIONS=allow_user_segv_handler=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    fuzz gwp_reader_fuzz "$((seconds - seconds / 2))" "$build/corpus" "$seeds" "$crashes" \
    -rss_limit_mb=4096 -max_len=200000 || failed=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    fuzz figlet_fuzz "$((seconds / 2))" "$build/corpus-figlet" "$fig_seeds" "$fig_crashes" \
    -rss_limit_mb=2048 -max_len=65536 || failed=1
((failed == 0)) || exit 1
echo "run_fuzz.sh: no failures in ${seconds}s"
