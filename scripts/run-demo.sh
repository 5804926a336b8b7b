#!/usr/bin/env bash
# Builds and runs the example host game, headless: no window and no sound
# card needed. Its report and outputs go to build/demo-output.
# Extra arguments go to the host (for example --frames 120).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh demo
# A build of its own, without the tests and benchmarks and what they need.
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANE_TESTS=OFF -DKORVANE_BENCHMARKS=OFF -DKORVANE_EXAMPLES=ON >/dev/null
cmake --build build/demo --target korvane_demo -j "$(nproc 2>/dev/null || echo 2)"

mkdir -p build/demo-output
cd build/demo-output
exec ../demo/examples/host/korvane_demo "$@"
