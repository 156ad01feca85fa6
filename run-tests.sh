#!/usr/bin/env bash
# Installs what is missing, builds Skerrow and runs every test through CTest:
# the debug build, then everything under AddressSanitizer with UBSan and again
# under ThreadSanitizer (the programs the GUI tests start included; any report
# of theirs fails the test), the fuzz targets, and last the Windows build,
# cross-compiled and tested under Wine, with its installers. Everything it
# needs is installed first (scripts/install-deps.sh all). Each step says so as
# it starts and gives its time as it ends; a failure names its step.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh all
jobs=$(nproc)
step_name="" began=$SECONDS
step() {
  if [ -n "$step_name" ]; then echo "== $step_name: $((SECONDS - began)) s"; fi
  step_name=$1 began=$SECONDS
  if [ -n "$1" ]; then echo "== $1"; fi
}
step_failed() {
  [ "$1" -eq 0 ] || [ -z "$step_name" ] || echo "== $step_name: failed after $((SECONDS - began)) s (exit $1)" >&2
}
trap 'step_failed $?' EXIT

step "building (Debug)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build -j"$jobs"
step "testing (Debug)"
(cd build && ctest --output-on-failure -j"$jobs" --timeout 300)

step "building (AddressSanitizer and UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" > /dev/null
cmake --build build-asan -j"$jobs"
step "testing (AddressSanitizer and UBSan)"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs" --timeout 600)

step "building (ThreadSanitizer)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-fsanitize=thread" > /dev/null
cmake --build build-tsan -j"$jobs"
step "testing (ThreadSanitizer)"
suppressions="$PWD/tests/tsan.supp"  # absolute: the GUI tests run programs in folders of their own
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$suppressions" \
  ctest --output-on-failure -j"$jobs" --timeout 600)

step "building the fuzz targets"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DSKERROW_TESTS=OFF \
  -DSKERROW_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_all
step "fuzzing"
(cd build-fuzz && ctest --output-on-failure --timeout 300)

step "the Windows build, cross-compiled (scripts/build-windows.sh) and tested under Wine"
scripts/test-windows.sh
step "the Windows installers, made from those builds and tested under Wine"
scripts/test-installer.sh
step ""
