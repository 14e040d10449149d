#!/usr/bin/env bash
# Set-up, build and test entry point for Quennit on Debian 12.
#   tools/dev.sh start        install what is missing, build, open Quennit on the demo sites
#   tools/dev.sh test         install what is missing, build, run every test (e2e included)
#   tools/dev.sh deps         only install the Debian packages
#   tools/dev.sh e2e [PNG]    the window end to end under Xvfb, with a screenshot
#   tools/dev.sh asan|tsan    build and test under the sanitizers
#   tools/dev.sh fuzz [SECS]  build and run every fuzz target for SECS seconds
#   tools/dev.sh format       check the formatting of the sources
#   tools/dev.sh package      build the Debian package build/package/quennit_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-dev
          qt6-base-dev libxcb1-dev libcurl4-openssl-dev libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev
          python3 fonts-ipafont-gothic fonts-noto-cjk fonts-noto-color-emoji qt6-translations-l10n desktop-file-utils
          xvfb xauth openbox ca-certificates xdotool imagemagick x11-utils
          dbus-daemon dbus-bin at-spi2-core gir1.2-atspi-2.0 python3-gi
          dpkg-dev lintian appstream man-db)

deps() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [[ $(id -u) -eq 0 ]] || sudo="sudo"
        echo "Installing: ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

build() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

jobs() { nproc 2>/dev/null || echo 2; }

# The package is built with the flags of a Debian build (hardening included),
# its library dependencies computed by dpkg-shlibdeps. The build talks on
# stderr; stdout is the package's path.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
package() {
    cmake --preset package -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
          -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
    cmake --build --preset package >&2
    rm -f build/package/quennit_*.deb
    (cd build/package && cpack -G DEB >&2)
    ls build/package/quennit_*.deb
}

case "${1:-}" in
    deps) deps ;;
    start)
        deps
        build dev
        if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
            echo "No display here, so the window can't open: searching the demo sites with"
            echo "quennit-cli instead. On a desktop this command opens the Quennit window;"
            echo "on a server run it under a virtual X server: xvfb-run -a tools/dev.sh start"
            QUENNIT_CLI=build/dev/bin/quennit-cli exec tools/demo.sh "${2:-検索}"
        fi
        exec tools/demo-window.sh build/dev
        ;;
    e2e)
        deps
        build dev
        tools/e2e.sh build/dev "${2:-docs/screenshot.png}"
        ;;
    test)
        deps
        build dev
        ctest --preset dev -j "$(jobs)"
        # The window end to end in a virtual X server; the screenshot is a
        # by-product kept out of the source tree.
        tools/e2e.sh build/dev build/dev/e2e-screenshot.png
        # The Debian package: built, checked, installed into a scratch root.
        deb=$(package)
        tests/install/check_package.sh "$deb"
        ;;
    package)
        deps
        package
        ;;
    asan)
        deps
        build asan
        ctest --preset asan -j "$(jobs)"
        ;;
    tsan)
        deps
        build tsan
        ctest --preset tsan -j "$(jobs)"
        ;;
    fuzz)
        deps
        build fuzz
        secs=${2:-30}
        mkdir -p build/fuzz/corpus
        for f in build/fuzz/bin/fuzz_*; do
            name=$(basename "$f")
            mkdir -p "build/fuzz/corpus/$name"
            seeds="tests/fuzz/corpus/$name"
            [[ -d $seeds ]] || seeds=""
            # The target must see the code it calls, not only its harness
            # (the core is instrumented too).
            counters=$("$f" -runs=1 $seeds 2>&1 |
                sed -n 's/.*Loaded 1 modules *(\([0-9]*\) inline 8-bit counters.*/\1/p')
            if ((${counters:-0} < 300)); then
                echo "$name sees only ${counters:-0} coverage counters"
                exit 1
            fi
            echo "== $name (${secs}s, $counters coverage counters)"
            "$f" -max_total_time="$secs" -print_final_stats=0 "build/fuzz/corpus/$name" $seeds 2>&1 | tail -n 3
        done
        ;;
    format)
        files=$(git ls-files '*.cpp' '*.h')
        clang-format --dry-run --Werror $files
        echo "formatting ok"
        ;;
    *)
        sed -n '2,11p' "$0"
        exit 2
        ;;
esac
