#!/usr/bin/env bash
# Builds the Debian packages with scripts/package.sh and checks them without
# installing anything on this machine: each package's files, that every
# dependency they declare is satisfied here (apt-get --simulate), then the
# packages are unpacked into a scratch root (dpkg-deb -x) and run from there:
# zt-verify on the bundled examples, the Python module through PYTHONPATH and
# LD_LIBRARY_PATH, and a C program built against the development package.
#   check_debs.sh SOURCE_DIR PACKAGE_BUILD_DIR
set -euo pipefail
source_dir=$(realpath "$1")
mkdir -p "$2"
package_dir=$(realpath "$2")
# shellcheck source=common.sh
source "$source_dir/tests/install/common.sh"
root="$scratch/root"

"$source_dir/scripts/package.sh" "$package_dir" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$package_dir/CMakeCache.txt")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
arch=$(dpkg --print-architecture)
deb() { echo "$package_dir/$1_$version-1_$arch.deb"; }

# Each package's files, directories left out.
contents() { dpkg-deb -c "$(deb "$1")" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort; }
expect_contents() {
  local package=$1 want
  want=$(printf '%s\n' "${@:2}" | sort)
  [ "$(contents "$package")" = "$want" ] ||
    fail "$package holds: $(contents "$package" | tr '\n' ' ')"
}
lib="/usr/lib/$multiarch"
expect_contents libzt-core0 "$lib/libzt_core.so.0" "$lib/libzt_core.so.$version"
expect_contents libzt-core-dev /usr/include/zt/zt_core.h /usr/include/zt/zt_core_version.h \
  "$lib/libzt_core.so" "$lib/pkgconfig/zt_core.pc" "$lib/cmake/zt_core/zt_coreConfig.cmake" \
  "$lib/cmake/zt_core/zt_coreConfigVersion.cmake" "$lib/cmake/zt_core/zt_coreTargets.cmake" \
  "$lib/cmake/zt_core/zt_coreTargets-release.cmake"
expect_contents zt-verify /usr/bin/zt-verify
# The Python package holds whatever the python component installs, but never a
# second copy of the library.
python_files=$(contents python3-zt-core)
for file in /usr/lib/python3/dist-packages/zt_bindings_python.cpython-311-"$multiarch".so \
  "/usr/lib/python3/dist-packages/zt_bindings_python-$version.dist-info/METADATA"; do
  grep -qxF "$file" <<<"$python_files" || fail "python3-zt-core lacks $file"
done
if grep -q libzt_core <<<"$python_files"; then fail "python3-zt-core holds a copy of the library"; fi

# The dependencies that matter, as Debian package names.
expect_depends=(
  "libzt-core0 libssl3" "libzt-core0 zlib1g" "libzt-core0 libstdc++6"
  "libzt-core-dev libzt-core0" "zt-verify libssl3"
  "python3-zt-core libzt-core0" "python3-zt-core python3"
)
# Unicode lower-casing links ICU, where the library uses it.
if readelf -d "$package_dir/lib/libzt_core.so.0" | grep -q 'NEEDED.*libicu'; then
  expect_depends+=("libzt-core0 libicu")
fi
for pair in "${expect_depends[@]}"; do
  read -r package dependency <<<"$pair"
  depends=$(dpkg-deb -f "$(deb "$package")" Depends)
  # An entry that starts with the name ("libicu" matches "libicu72 (>= 72.1)").
  grep -qF ", $dependency" <<<", $depends" ||
    fail "$package does not depend on $dependency: $depends"
done

# Every declared dependency is installed here: apt would install only our four.
simulated=$(cd "$package_dir" && apt-get --simulate -o Debug::NoLocking=1 install \
  "./$(basename "$(deb libzt-core0)")" "./$(basename "$(deb libzt-core-dev)")" \
  "./$(basename "$(deb zt-verify)")" "./$(basename "$(deb python3-zt-core)")" 2>&1) ||
  fail "apt-get cannot satisfy the dependencies: $simulated"
others=$(grep '^Inst ' <<<"$simulated" | awk '{print $2}' |
  grep -vx 'libzt-core0\|libzt-core-dev\|zt-verify\|python3-zt-core' || true)
[ -z "$others" ] || fail "the packages need packages not installed here: $others"

for package in libzt-core0 libzt-core-dev zt-verify python3-zt-core; do
  dpkg-deb -x "$(deb "$package")" "$root"
done

# zt-verify from the unpacked root.
tool="$root/usr/bin/zt-verify"
[ "$("$tool" --version)" = "zt-verify $version" ] || fail "zt-verify --version: $("$tool" --version)"
"$tool" bet "$examples/plinko-1.receipt.json" "$examples/plinko-1.transcript.json" \
  --gdp "$examples/plinko-classic.tar.gz" --signer "$(cat "$examples/signer.hex")" >/dev/null ||
  fail "installed zt-verify rejects the honest example bet"
set +e
"$tool" bet "$examples/slot-wrong-stops.receipt.json" "$examples/slot-wrong-stops.transcript.json" \
  --gdp "$examples/slot-3x5.tar" >/dev/null
code=$?
set -e
[ "$code" = 3 ] || fail "installed zt-verify exits $code on a tampered bet, want 3"

# The Python module from the unpacked root, with the unpacked library.
PYTHONPATH="$root/usr/lib/python3/dist-packages" LD_LIBRARY_PATH="$root$lib" \
  /usr/bin/python3 -B - "$root" "$examples" "$version" <<'PYTHON' || fail "installed Python module"
import importlib.metadata
import sys
from pathlib import Path

import zt_bindings_python as zt

root, examples, version = sys.argv[1], Path(sys.argv[2]), sys.argv[3]
assert zt.__file__.startswith(root), zt.__file__
maps = Path("/proc/self/maps").read_text()
loaded = {line.split()[-1] for line in maps.splitlines() if "libzt_core.so" in line}
assert loaded and all(path.startswith(root) for path in loaded), loaded
assert importlib.metadata.version("zt_bindings_python") == version

zt.register_gdp_package((examples / "slot-3x5.tar").read_bytes())
zt.verify_bet((examples / "slot-1.receipt.json").read_text(),
              (examples / "slot-1.transcript.json").read_text())
expected = {row.split("\t")[0]: row.split("\t")[2]
            for row in (examples / "expected.tsv").read_text().splitlines()}
try:
    zt.verify_bet((examples / "slot-wrong-stops.receipt.json").read_text(),
                  (examples / "slot-wrong-stops.transcript.json").read_text())
    raise AssertionError("a tampered bet verified")
except ValueError as error:
    assert str(error) == "ffi: " + expected["slot-wrong-stops"], error
print("installed Python module: honest bet verified, tampered bet rejected")
PYTHON
if [ -d "$source_dir/python/zt_audit" ]; then
  PYTHONPATH="$root/usr/lib/python3/dist-packages" LD_LIBRARY_PATH="$root$lib" \
    /usr/bin/python3 -B -c 'import zt_audit' || fail "zt_audit does not import from the package"
fi

# A C program built against the unpacked development package; its .pc file
# finds the headers and the library relative to itself.
pc_dir="$root$lib/pkgconfig"
read -r -a flags <<<"$(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs zt_core)"
cc -std=c11 -Wall -Werror "$source_dir/tests/install/consumer.c" -o "$scratch/consumer" \
  "${flags[@]}" -Wl,-rpath,"$root$lib"
"$scratch/consumer" "$examples/plinko-classic.tar.gz" "$examples/plinko-2.receipt.json" \
  "$examples/plinko-2.transcript.json" >/dev/null || fail "C program against libzt-core-dev"

finish package
echo "Debian packages:" "$(cd "$package_dir" && echo ./*.deb)"
echo "Debian packages: all checks passed"
