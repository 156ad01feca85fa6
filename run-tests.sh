#!/usr/bin/env bash
# Installs what is missing, builds Skerrow and runs every test through CTest:
# the debug build, then everything under AddressSanitizer with UBSan and again
# under ThreadSanitizer (the programs the GUI tests start included; any report
# of theirs fails the test), the fuzz targets, and last the Windows build,
# cross-compiled and tested under Wine, with its installers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 300)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" > /dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs" --timeout 600)

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-fsanitize=thread" > /dev/null
cmake --build build-tsan -j"$jobs"
suppressions="$PWD/tests/tsan.supp"  # absolute: the GUI tests run programs in folders of their own
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$suppressions" \
  ctest --output-on-failure -j"$jobs" --timeout 600)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DSKERROW_TESTS=OFF \
  -DSKERROW_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_all
(cd build-fuzz && ctest --output-on-failure --timeout 300)

# The Windows build, cross-compiled (scripts/build-windows.sh) and tested under Wine.
scripts/test-windows.sh
# The Windows installers, made from those builds and tested under Wine.
scripts/test-installer.sh
