#!/usr/bin/env bash
# Builds the Debian packages (libzt-core0, libzt-core-dev, zt-verify,
# python3-zt-core) from one release build configured for installation under /usr.
#   scripts/package.sh [BUILD_DIR]     # default: build/package
# The .deb files land in BUILD_DIR; their paths are printed at the end.
# Install them with: sudo apt-get install ./build/package/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/package}

scripts/install-deps.sh >/dev/null
# Tests are not built here: the packages hold only what gets installed.
cmake -S . -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DPython3_EXECUTABLE=/usr/bin/python3 \
  -DZT_PYTHON_INSTALL_DIR:STRING=lib/python3/dist-packages \
  -DZT_PYTHON_BUNDLE_LIBRARY=OFF \
  -DZT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
rm -f "$build_dir"/*.deb
# CPack's own chatter (and its note that the Python module has no SONAME, which
# is right for a module) goes to a log, shown only when packaging fails.
if ! (cd "$build_dir" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build_dir/cpack.log" >&2
  exit 1
fi
ls "$build_dir"/*.deb
