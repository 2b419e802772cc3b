#!/usr/bin/env bash
# Runs every test: installs missing Debian packages, configures and builds the
# given preset (release by default), then runs the whole suite through CTest.
#   scripts/test.sh            # release build
#   scripts/test.sh asan       # the same under address and undefined-behaviour sanitizers
set -euo pipefail
preset=${1:-release}
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset" --parallel "$(nproc)"
ctest --preset "$preset" --parallel "$(nproc)"
