#!/usr/bin/env bash
# Fuzzes the ".gwp" reader, the FIGlet font reader and the picture reader
# with libFuzzer for a bounded time, shared between them.
#
# Builds tests/fuzz/gwp_reader_fuzz.cpp and tests/fuzz/figlet_fuzz.cpp with
# the core sources, and tests/ui/fuzz/picture_reader_fuzz.cpp (with the ui
# level's tests, as it uses Qt) with the picture reader's sources in ui/
# (against Qt Gui, libjpeg and libpng), with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/
# (gcc cannot build libFuzzer targets, so this is a build of its own), starts
# each corpus from its seeds (tests/data/fuzz/seeds/, tests/data/fuzz/figlet/
# seeds/, tests/data/fuzz/pictures/seeds/), and runs the fuzzers one after
# the other. Any input one fails on is copied into its crashes folder beside
# the seeds (the core tests replay the ".gwp" and FIGlet ones on every run);
# the script then exits non-zero.
#
# Needs the Debian packages clang, libclang-rt-14-dev and pkg-config.
#
# Environment:
#   GW_FUZZ_SECONDS   how long to fuzz in all, a third for each (default 60)
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
pic_seeds=$GW_ROOT/tests/data/fuzz/pictures/seeds
pic_crashes=$GW_ROOT/tests/data/fuzz/pictures/crashes

command -v "$cxx" >/dev/null || { echo "run_fuzz.sh: $cxx not found (install clang)" >&2; exit 2; }

mkdir -p "$build/obj"

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -I"$GW_ROOT"
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
common=("$GW_ROOT"/core/*.cpp "$GW_ROOT/tests/fuzz/anim_template_stub.cpp")
pictures=("$GW_ROOT"/ui/picture_reader*.cpp "$GW_ROOT/ui/picture_file.cpp" "$GW_ROOT/ui/picture_stream.cpp"
    "$GW_ROOT/ui/picture_png_rows.cpp" "$GW_ROOT/ui/picture_row_pipe.cpp")
# Qt's headers and libraries for the picture reader; Qt wants -fPIC.
read -r -a qt_cflags <<<"$(pkg-config --cflags Qt6Gui) -fPIC"
read -r -a qt_libs <<<"$(pkg-config --libs Qt6Gui) -ljpeg -lpng -lz -pthread"
newest_header=$(ls -t "$GW_ROOT"/core/*.h "$GW_ROOT"/ui/picture_*.h "$GW_ROOT"/tests/fuzz/*.h |
    head -n 1)
# compile SOURCE [FLAGS...]: compiles a source, only when it or any header it
# may include is newer than its object, and prints the object's path.
compile() {
    local src=$1 obj
    shift
    obj=$build/obj/$(basename "${src%.cpp}").o
    if [[ ! -f "$obj" || "$src" -nt "$obj" || "$newest_header" -nt "$obj" ]]; then
        echo "Compiling $(basename "$src")" >&2
        "$cxx" "${flags[@]}" "$@" -c "$src" -o "$obj"
    fi
    echo "$obj"
}
objects=()
for src in "${common[@]}"; do
    obj=$(compile "$src") || exit 1
    objects+=("$obj")
done
pic_objects=()
for src in "${pictures[@]}"; do
    obj=$(compile "$src" "${qt_cflags[@]}") || exit 1
    pic_objects+=("$obj")
done

# fuzz NAME SECONDS CORPUS SEEDS CRASHES [OPTIONS...]: builds and runs one
# target, NAME.cpp in src_dir, linked with link_objects and link_libs; any
# input it fails on goes to CRASHES. Returns non-zero on a failure.
fuzz() {
    local name=$1 secs=$2 corpus=$3 seed_dir=$4 crash_dir=$5
    shift 5
    local fuzzer=$build/$name artifacts=$build/artifacts-$name status=0 obj
    obj=$(compile "$src_dir/$name.cpp" "${link_cflags[@]}") || return 1
    echo "Linking $fuzzer"
    "$cxx" "${flags[@]}" "${link_objects[@]}" "$obj" "${link_libs[@]}" -o "$fuzzer" || return 1
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
src_dir=$GW_ROOT/tests/fuzz link_objects=("${objects[@]}") link_cflags=() link_libs=(-lz)
# The store's write-fault handler must be allowed to take SIGSEGV over from
# the sanitizer.
ASAN_OPTIONS=allow_user_segv_handler=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    fuzz gwp_reader_fuzz "$((seconds - 2 * (seconds / 3)))" "$build/corpus" "$seeds" "$crashes" \
    -rss_limit_mb=4096 -max_len=200000 || failed=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    fuzz figlet_fuzz "$((seconds / 3))" "$build/corpus-figlet" "$fig_seeds" "$fig_crashes" \
    -rss_limit_mb=2048 -max_len=65536 || failed=1
src_dir=$GW_ROOT/tests/ui/fuzz link_objects=("${pic_objects[@]}") link_cflags=("${qt_cflags[@]}")
link_libs=("${qt_libs[@]}")
# Qt may keep caches of its own for the life of the process (plugins, colour
# tables): no leak checks. No display: the offscreen platform is enough.
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    fuzz picture_reader_fuzz "$((seconds / 3))" "$build/corpus-pictures" "$pic_seeds" \
    "$pic_crashes" -rss_limit_mb=2048 -max_len=65536 || failed=1
((failed == 0)) || exit 1
echo "run_fuzz.sh: no failures in ${seconds}s"
