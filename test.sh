#!/usr/bin/env bash
# Builds Quillbox and runs the whole test suite twice: in a normal build, then in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer. Installs the missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
quillbox_ensure_packages "${QUILLBOX_BUILD_PACKAGES[@]}" "${QUILLBOX_TEST_PACKAGES[@]}"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build and test (Release)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure

echo "== Build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLBOX_SANITIZE=ON -DQUILLBOX_BENCH=OFF
cmake --build build/asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
ctest --test-dir build/asan --output-on-failure

echo "== All tests passed"
