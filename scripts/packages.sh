# shellcheck shell=bash disable=SC2034
# Package lists and helpers shared by the scripts in this folder; sourced.

# To configure and build the editor; libjpeg-turbo and libpng decode the
# image conversion's pictures, giflib writes the animated GIF export.
GW_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev libgl-dev libjpeg62-turbo-dev
    libpng-dev libgif-dev zlib1g-dev libdeflate-dev)
# To run it: the monospace font the canvas draws with, the FIGlet fonts the
# FIGlet import lists, and Qt's plugins for more picture formats (TIFF, WebP,
# ...) for the image conversion.
GW_RUN_PACKAGES=(fonts-dejavu-core figlet qt6-image-formats-plugins)
# To build and run the tests and to build the benchmarks: GoogleTest and Google
# Benchmark, figlet and toilet with its fonts to check FIGlet and TOIlet
# lettering against, a virtual X display for the end-to-end tests, xwininfo to find the
# program's window there, ImageMagick's import for the screenshots, and
# xdotool and xclip to drive the program through its menus and clipboard;
# the validators of the desktop files, manual pages and bash completion, and
# dpkg-dev (dpkg-shlibdeps for cpack) and lintian for the Debian package;
# nlohmann-json3-dev to read the terminal recording's JSON lines.
GW_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core figlet
    toilet toilet-fonts qt6-image-formats-plugins
    x11-utils imagemagick xdotool xclip
    desktop-file-utils appstream libxml2-utils groff-base bash-completion dpkg-dev lintian
    nlohmann-json3-dev)
# The image benchmark compares gwconvert with jp2a, the FIGlet ones with
# figlet, the GIF export with ImageMagick's convert.
GW_BENCH_PACKAGES=(libbenchmark-dev jp2a figlet imagemagick)
# To fuzz the readers: clang with libFuzzer and the sanitizers, and pkg-config to find
# Qt for the picture reader's target.
GW_FUZZ_PACKAGES=(clang libclang-rt-14-dev pkg-config)

GW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# gw_install_packages PACKAGE...: installs those that are missing, with one
# apt-get update; does nothing when all are installed.
gw_install_packages()
{
    local pkg
    local -a missing=() sudo=()
    for pkg in "$@"; do
        if [[ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]]; then
            missing+=("$pkg")
        fi
    done
    ((${#missing[@]})) || return 0
    if ((EUID != 0)); then
        command -v sudo >/dev/null || { echo "Run as root or install sudo: need ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    echo "Installing ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        "${missing[@]}"
}

# gw_configure BUILD_FOLDER CMAKE_OPTION...: configures a Ninja build of the
# repository there, starting the folder afresh when it was configured with
# another generator or from another checkout.
gw_configure()
{
    local dir=$GW_ROOT/$1
    shift
    local cache=$dir/CMakeCache.txt
    if [[ -f "$cache" ]] && ! { grep -qxF "CMAKE_GENERATOR:INTERNAL=Ninja" "$cache" &&
        grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$GW_ROOT" "$cache"; }; then
        echo "Reconfiguring $dir from scratch"
        rm -rf "$cache" "$dir/CMakeFiles"
    fi
    cmake -S "$GW_ROOT" -B "$dir" -G Ninja "$@"
}
