#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Safe to run any number of times; needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libssl-dev zlib1g-dev rapidjson-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsimdjson-dev libcli11-dev
  python3 python3-dev python3-pytest python3-cryptography pybind11-dev
  binutils
  libicu-dev libcpp-httplib-dev
  chromium chromium-driver python3-selenium
  python3-dask python3-distributed
  dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all build and test packages are present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
