# tests/install/common.sh: the set-up the install checks share. A check sources it
# after `set -euo pipefail` and after setting source_dir; it then has:
#   examples      the bundled examples of the source tree
#   scratch       a temporary folder, removed when the check exits
#   fail TEXT     reports a failed check and counts it; the check goes on, so one
#                 run names every check that fails
#   finish WHAT   exits 1, naming how many WHAT checks failed, if any did
# shellcheck shell=bash disable=SC2034,SC2154  # variables shared with the sourcing check
examples="$source_dir/examples"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures $1 check(s) failed"
    exit 1
  fi
}
