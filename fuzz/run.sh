#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for a bounded time on a scratch
# copy of its corpus (the committed corpus is only read). A crash, leak, hang,
# sanitizer report or failed cross-check stops the run with a nonzero status and
# leaves the input under build/fuzz/findings/<target>/.
#   fuzz/run.sh          # 30 seconds per fuzzer
#   fuzz/run.sh 600      # ten minutes per fuzzer
set -euo pipefail
seconds=${1:-30}
cd "$(dirname "$0")/.."

# The fuzz preset needs clang 16 and its libFuzzer runtime; install them as
# scripts/install-deps.sh installs the rest, or skip when that is impossible.
packages=(clang-16 libclang-rt-16-dev)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "fuzz: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  if ! { "${sudo_cmd[@]}" apt-get update -qq &&
         "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; }; then
    echo "fuzz: SKIPPED: ${missing[*]} missing and could not be installed" >&2
    exit 0
  fi
fi

cmake --preset fuzz
cmake --build --preset fuzz --parallel "$(nproc)"

findings=build/fuzz/findings
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in decode_records parse_value verify_bet load_package fast_decode_equivalence; do
  scratch=$(mktemp -d)
  mkdir -p "$findings/$target"
  echo "fuzz: $target for ${seconds}s"
  # New inputs go to the first directory, the scratch one.
  if ! build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$findings/$target/" "$scratch" "fuzz/corpus/$target"; then
    rm -rf "$scratch"
    echo "fuzz: $target FAILED; the input is in $findings/$target/" >&2
    exit 1
  fi
  rm -rf "$scratch"
done
echo "fuzz: all fuzzers ran ${seconds}s without a finding"
