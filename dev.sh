#!/usr/bin/env bash
# Set-up, build, run and test on Debian 12, from a fresh checkout.
#   ./dev.sh run [ARGS...]   install what is missing, build, start Quorvin on this computer
#   ./dev.sh test            install what is missing, build, run every test, then again under ASan and UBSan
#   ./dev.sh bench           build and run the benchmarks
#   ./dev.sh package         build the Debian package build/quorvin_VERSION_ARCH.deb
#   ./dev.sh package-check   install that package into a fresh Debian 12 tree and try it (downloads packages)
#   ./dev.sh compare [ARGS]  install what is missing, build, measure Quorvin beside btop and top
#                            (bench/side_by_side.sh ARGS, e.g. -n 8000 -m 20 -r 2)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev libgl-dev fonts-liberation2
    libgtest-dev libbenchmark-dev nlohmann-json3-dev
    libsystemd-dev libssh-dev librsvg2-bin
)
# What only the tests need: a headless X server for screenshots; a private D-Bus for the stand-in service manager.
# The package test validates the installed desktop entry and metainfo.
TEST_PACKAGES=(xvfb xauth x11-apps imagemagick dbus python3-dbus python3-gi openssh-server iproute2
    desktop-file-utils appstream)
# A container with real systemd for the service tests. Without recommends: systemd-container's recommended
# libnss-mymachines rewrites /etc/nsswitch.conf.
TEST_PACKAGES_NO_RECOMMENDS=(debootstrap systemd-container)
# What the side-by-side comparison needs: a headless X server and a way to type into it, the peers, tmux.
COMPARE_PACKAGES=(xvfb xdotool btop procps tmux)

jobs=$(nproc 2>/dev/null || echo 2)

install_missing() { # [--no-install-recommends] PACKAGE...
    local options=() missing=()
    [ "${1:-}" = --no-install-recommends ] && options=("$1") && shift
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "dev.sh: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -q "${options[@]}" "${missing[@]}"
}

build() { # DIR [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

run_tests() { # DIR
    QTEST_FUNCTION_TIMEOUT=60000 ctest --test-dir "$1" --output-on-failure -j"$jobs" --timeout 600
}

case "${1:-}" in
run)
    shift
    install_missing "${PACKAGES[@]}"
    build build
    exec ./build/quorvin "$@"
    ;;
test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    install_missing --no-install-recommends "${TEST_PACKAGES_NO_RECOMMENDS[@]}"
    build build
    run_tests build
    # The same tests once more with address and undefined-behaviour sanitizers.
    build build-asan -DQUORVIN_SANITIZE=ON -DQUORVIN_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    ;;
bench)
    install_missing "${PACKAGES[@]}"
    build build
    for b in build/bench/bench_*; do "$b"; done
    ;;
package)
    install_missing "${PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target quorvin quorvin-record quorvin_desktop_files
    rm -f build/quorvin_*.deb # one package in build/: the one of this version
    (cd build && cpack)
    ;;
package-check)
    "$0" package
    install_missing --no-install-recommends debootstrap
    tools/package-check.sh build/package-check build/quorvin_*.deb
    ;;
compare)
    shift
    install_missing "${PACKAGES[@]}" "${COMPARE_PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target quorvin empty_window idle_processes
    exec bench/side_by_side.sh -B build "$@"
    ;;
*)
    sed -n '2,9p' "$0"
    exit 2
    ;;
esac
