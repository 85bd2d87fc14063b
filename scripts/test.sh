#!/usr/bin/env bash
# Installs what is missing (also the servers the tests start on 127.0.0.1),
# builds everything with warnings as errors and runs the whole test suite,
# then builds it again under AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the whole suite there too. Every test runs once: a test that would
# need a second try is a fault to mend, not to hide.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMISK_WERROR=ON
cmake --build build-test
status=0
ctest --test-dir build-test --output-on-failure || status=1

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMISK_WERROR=ON \
  -DLUMISK_SANITIZE=ON -DLUMISK_BENCHMARKS=OFF
cmake --build build-asan
# Child servers (nginx, tinyproxy, ...) are not instrumented; only our own
# programs are. A sanitizer report fails the test that caused it.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:suppressions=$PWD/scripts/asan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
ctest --test-dir build-asan --output-on-failure || status=1

exit $status
