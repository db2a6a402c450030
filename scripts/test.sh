#!/usr/bin/env bash
# Sets up, builds every configuration and runs every test: unit tests on
# Linux, under the sanitizers and under Wine, the fuzzers for a bounded
# time, and the end-to-end tests of both desktop programs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=${JOBS:-2}
fuzz_seconds=${FUZZ_SECONDS:-30}
step() { printf '\n==== %s\n' "$*"; }

step "Source formatting (clang-format)"
find engine settings ui cli tests bench fuzz \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
  -print0 | xargs -0 clang-format --dry-run --Werror

step "Linux build and unit tests"
bash scripts/build.sh
ctest --test-dir build/linux --output-on-failure -j"$jobs"

step "Debian package: build, validate, install, run, remove"
bash scripts/package-test.sh build/linux

step "Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVENNOX_QT=OFF \
  -DVENNOX_SANITIZE=address,undefined >/dev/null
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure -j"$jobs"

# The product is the 32-bit build. scripts/wine-env.sh decides once how the
# Windows tests run here: 32-bit Wine natively, 32-bit Wine under qemu-i386
# where the kernel starts no 32-bit code (registered until this script
# exits), or else a 64-bit build of the same sources under wine64.
# shellcheck source=wine-env.sh
. scripts/wine-env.sh
step "Which Wine runs the Windows tests"
wine_env_decide
winbuild=$VENNOX_WIN_BUILD
if [ "$VENNOX_WINE_MODE" = win64 ]; then
  cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/win64 -j"$jobs"
fi

step "Windows unit tests under Wine ($VENNOX_WINE_MODE, $winbuild)"
ctest --test-dir "$winbuild" --output-on-failure

step "Fuzzers, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENNOX_QT=OFF \
  -DVENNOX_TESTS=OFF -DVENNOX_FUZZ=ON >/dev/null
cmake --build build/fuzz -j"$jobs"
# target, seed corpus
while read -r target seeds; do
  corpus=build/fuzz/corpus/$(basename "$target")
  mkdir -p "$corpus"
  echo "-- $target"
  "build/fuzz/fuzz/$target" -max_total_time="$fuzz_seconds" -max_len=4096 "$corpus" "$seeds" </dev/null 2>&1 | tail -n 2
done <<'LIST'
engine/fuzz_challenge fuzz/engine/corpus/challenge
engine/fuzz_sixwords fuzz/engine/corpus/sixwords
settings/settings_ini_fuzz fuzz/settings/corpus
ui/fuzz_clipboard fuzz/ui/corpus/clipboard
LIST

step "End-to-end: Vennox.exe under Wine"
bash tests/e2e/wine/run.sh "$winbuild"

step "End-to-end: vennox under Xvfb"
bash tests/e2e/xvfb/run.sh build/linux

step "End-to-end: vennox in a Wayland session (weston, XWayland)"
bash tests/e2e/wayland/run.sh build/linux

step "All tests passed"
