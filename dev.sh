#!/usr/bin/env bash
# Set-up, build, run and test on Debian 12, from a fresh checkout.
#   ./dev.sh run [ARGS...]   install what is missing, build, start Quorvin on this computer
#   ./dev.sh test            install what is missing, build, run every test, then again under ASan and UBSan,
#                            the remote tests under TSan, then each fuzz target for a few seconds
#   ./dev.sh bench           build and run the benchmarks
#   ./dev.sh package         build the Debian package build/quorvin_VERSION_ARCH.deb
#   ./dev.sh package-check   install that package into a fresh Debian 12 tree and try it (downloads packages)
#   ./dev.sh compare [ARGS]  install what is missing, build, measure Quorvin beside btop and top (-p: beside
#                            itself through a PCP collector here, from the test tree, which needs debootstrap)
#                            (bench/side_by_side.sh ARGS, e.g. -n 8000 -m 20 -r 2)
#   ./dev.sh fleet-bench [ARGS]  build and measure quorvin-fleet over 200 computers, 20 of them frozen (needs root
#                            and the test tree; bench/fleet.sh ARGS, e.g. -n 200 -s 20 -m 30)
#   ./dev.sh fuzz [SECONDS]  build the fuzz targets (clang) and run each for SECONDS (default 60)
#   ./dev.sh soak [TICKS]    drive the window offscreen through TICKS poll ticks (default 100000); print memory
#   ./dev.sh tsan            the remote tests (SSH and its bus bridge thread) under the thread sanitizer
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev libgl-dev fonts-liberation2
    libgtest-dev libbenchmark-dev nlohmann-json3-dev
    libsystemd-dev libssh-dev librsvg2-bin
    libpcp3-dev
)
# pcp itself (the collector) is installed only in the tree the container tests build (tests/infra/make-rootfs.sh),
# where the PCP tests start it: its maintainer scripts call systemctl, which fails on a machine whose first
# process is not systemd, and that would leave apt with a half-configured package.
# What only the tests need: a headless X server for screenshots; a private D-Bus for the stand-in service manager.
# The package test validates the installed desktop entry and metainfo.
TEST_PACKAGES=(xvfb xauth x11-apps imagemagick dbus python3-dbus python3-gi openssh-server iproute2
    desktop-file-utils appstream)
# A container with real systemd for the service tests. Without recommends: systemd-container's recommended
# libnss-mymachines rewrites /etc/nsswitch.conf.
TEST_PACKAGES_NO_RECOMMENDS=(debootstrap systemd-container)
# What the side-by-side comparison needs: a headless X server and a way to type into it, the peers, tmux.
COMPARE_PACKAGES=(xvfb xdotool btop procps tmux)
# libFuzzer comes with Debian's clang runtime, not with gcc.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

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

run_tests() { # DIR [ctest options...]
    local dir=$1
    shift
    QTEST_FUNCTION_TIMEOUT=60000 ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600 "$@"
}

# Builds the fuzz targets and runs each for SECONDS on its kept seeds (new inputs go to build-fuzz/corpus). One
# line a target; a crash, leak, undefined behaviour or hang leaves its input in build-fuzz/findings/TARGET/.
run_fuzzers() { # SECONDS
    install_missing "${FUZZ_PACKAGES[@]}"
    build build-fuzz -DQUORVIN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
    local seconds=$1 failed=0 target name dict log status execs cov input
    for target in build-fuzz/fuzz/fuzz_*; do
        [ -f "$target" ] && [ -x "$target" ] || continue
        name=$(basename "$target")
        case $name in
        fuzz_linux_files | fuzz_remote_texts) dict=fuzz/linux.dict ;;
        fuzz_recording) dict=fuzz/recording.dict ;;
        fuzz_query_moniker) dict=fuzz/query.dict ;;
        *) dict= ;;
        esac
        log=build-fuzz/logs/$name.log
        mkdir -p "build-fuzz/corpus/$name" "build-fuzz/findings/$name" build-fuzz/logs
        status=0
        "$target" -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
            -artifact_prefix="build-fuzz/findings/$name/" ${dict:+-dict=$dict} \
            "build-fuzz/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2 || true)
        input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | head -n 1)
        if [ "$status" -ne 0 ]; then
            failed=1
            printf '%-20s FINDING (exit %s): input %s, log %s\n' "$name" "$status" "${input:-none}" "$log"
        else
            printf '%-20s %12s executions  coverage %6s  findings 0\n' "$name" "${execs:-?}" "${cov:-?}"
        fi
    done
    return "$failed"
}

# The root file system the container tests boot, built once and kept in build/infra: debootstrap on a slow
# machine or link can take longer than a test may wait for it. Where it cannot be built (no root, no
# debootstrap, no mirror), the container tests say why themselves.
prepare_container_root() {
    [ "$(id -u)" -eq 0 ] && command -v debootstrap >/dev/null || return 0
    QUORVIN_ROOTFS_SECONDS=1800 bash tests/infra/make-rootfs.sh build/infra/rootfs >build/infra-rootfs.log 2>&1 ||
        echo "dev.sh: the container's root file system could not be built (build/infra-rootfs.log)"
}

# The remote tests (SSH sessions, the bus bridge's pump thread) under the thread sanitizer. The container's root
# file system is the main build's, so that it is made only once.
run_tsan() {
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON -DQUORVIN_TSAN=ON \
        -DQUORVIN_BENCHMARKS=OFF -DQUORVIN_ROOTFS_DIR="$PWD/build/infra/rootfs" >/dev/null
    cmake --build build-tsan -j"$jobs" --target test_remote_source
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
        run_tests build-tsan -R test_remote_source
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
    prepare_container_root
    run_tests build
    # The same tests once more with address and undefined-behaviour sanitizers.
    build build-asan -DQUORVIN_SANITIZE=ON -DQUORVIN_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    run_tsan
    # Each parser of outside text fuzzed for a few seconds (./dev.sh fuzz for longer runs).
    run_fuzzers 5
    ;;
fuzz)
    install_missing "${PACKAGES[@]}"
    run_fuzzers "${2:-60}"
    ;;
soak)
    install_missing "${PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target soak_window
    mkdir -p build/soak
    python3 tools/recordings/make_churn.py build/soak/churn.json
    QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 QUORVIN_SOAK_TICKS="${2:-100000}" \
        QUORVIN_SOAK_RECORDING=build/soak/churn.json ./build/tests/soak_window
    ;;
tsan)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    install_missing --no-install-recommends "${TEST_PACKAGES_NO_RECOMMENDS[@]}"
    run_tsan
    ;;
bench)
    install_missing "${PACKAGES[@]}"
    build build
    for b in build/bench/bench_*; do "$b"; done
    ;;
package)
    install_missing "${PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target quorvin quorvin-record quorvin-fleet quorvin_desktop_files
    rm -f build/quorvin_*.deb # one package in build/: the one of this version
    (cd build && cpack)
    ;;
package-check)
    "$0" package
    install_missing --no-install-recommends debootstrap
    tools/package-check.sh build/package-check build/quorvin_*.deb
    ;;
fleet-bench)
    shift
    install_missing "${PACKAGES[@]}" xvfb
    install_missing --no-install-recommends debootstrap
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target quorvin-fleet quorvin-pcp empty_window fleet_bench tcp_relay
    exec bench/fleet.sh -B build "$@"
    ;;
compare)
    shift
    install_missing "${PACKAGES[@]}" "${COMPARE_PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON >/dev/null
    cmake --build build -j"$jobs" --target quorvin empty_window idle_processes
    exec bench/side_by_side.sh -B build "$@"
    ;;
*)
    sed -n '2,16p' "$0"
    exit 2
    ;;
esac
