#!/usr/bin/env bash
# Installs the library component of a build into a temporary prefix, then builds
# two programs outside the source tree against that prefix alone, as an integrator
# would: consumer.c through pkg-config and cpp/ through find_package(zt_core).
# Both run on an honest and a tampered example bet.
#   check_consumers.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")
here="$source_dir/tests/install"
# shellcheck source=common.sh
source "$here/common.sh"
prefix="$scratch/prefix"

cmake --install "$build_dir" --component library --prefix "$prefix" >/dev/null
pc_file=$(find "$prefix" -name zt_core.pc)
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc_file")
version=$(pkg-config --modversion zt_core)
echo "installed zt_core $version into a temporary prefix"

# expect_runs NAME PROGRAM VERSION_LINE: the program was linked against the SONAME
# libzt_core.so.0, prints VERSION_LINE, verifies the honest bet and rejects the
# tampered one with the message examples/expected.tsv gives.
expect_runs() {
  local name=$1 program=$2 version_line=$3 output code want_message
  if ! readelf -d "$program" | grep -q 'NEEDED.*\[libzt_core\.so\.0\]'; then
    fail "$name is not linked against libzt_core.so.0"
  fi
  output=$("$program" "$examples/plinko-classic.tar.gz" "$examples/plinko-1.receipt.json" \
    "$examples/plinko-1.transcript.json") || fail "$name: honest bet exited $?"
  [ "$output" = "$(printf '%s\nverified' "$version_line")" ] ||
    fail "$name: honest bet printed: $output"
  want_message=$(awk -F'\t' '$1 == "plinko-wrong-outcome" {print $3}' "$examples/expected.tsv")
  set +e
  output=$("$program" "$examples/plinko-classic.tar.gz" \
    "$examples/plinko-wrong-outcome.receipt.json" "$examples/plinko-wrong-outcome.transcript.json")
  code=$?
  set -e
  [ "$code" = 3 ] || fail "$name: tampered bet exited $code, want 3"
  [ "$(tail -n 1 <<<"$output")" = "rejected (3): $want_message" ] ||
    fail "$name: tampered bet printed: $output"
  echo "$name: honest bet verified, tampered bet rejected: $want_message"
}

# C through pkg-config; the run path comes from the .pc file's libdir.
read -r -a cflags <<<"$(pkg-config --cflags zt_core)"
read -r -a libs <<<"$(pkg-config --libs zt_core)"
cc -std=c11 -Wall -Wextra -Wpedantic -Werror "${cflags[@]}" "$here/consumer.c" -o "$scratch/c-consumer" \
  "${libs[@]}" -Wl,-rpath,"$(pkg-config --variable=libdir zt_core)"
expect_runs "C consumer (pkg-config)" "$scratch/c-consumer" "zt_core $version ($version)"

# C++ through the CMake package.
cmake -S "$here/cpp" -B "$scratch/cpp" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/cpp" >/dev/null
expect_runs "C++ consumer (find_package)" "$scratch/cpp/consumer" "zt_core $version"

# The version file refuses another major version.
if cmake -S "$here/cpp" -B "$scratch/cpp-1" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DZT_CORE_REQUIRED_VERSION=1.0 >/dev/null 2>&1; then
  fail "find_package(zt_core 1.0) accepted version $version"
fi

finish install
echo "install consumers: all checks passed"
