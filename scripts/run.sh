#!/usr/bin/env bash
# Installs what is missing, builds Lumisk and starts it. Arguments are passed
# to the program (for example --data-dir ~/webcams).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DLUMISK_BENCHMARKS=OFF
cmake --build build --target lumisk
exec ./build/lumisk "$@"
