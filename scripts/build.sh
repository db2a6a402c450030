#!/usr/bin/env bash
# Builds the Linux programs (build/linux) and the Windows programs (build/win).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENNOX_BENCH=ON >/dev/null
cmake --build build/linux -j"$jobs"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"
