#!/usr/bin/env bash
# The main job: verifies every bundled example bet with zt-verify and checks each
# verdict against examples/expected.tsv (honest bets verify, tampered ones fail
# with their exact message), then the whole set as one batch, then the packages.
# Installs missing Debian packages and builds zt-verify (release preset) first.
# Exits 0 when every example got its expected verdict.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ ! -f build/release/build.ninja ]; then cmake --preset release; fi
cmake --build --preset release --target zt-verify

tool=build/release/bin/zt-verify
signer=$(cat examples/signer.hex)
options=(--gdp examples/plinko-classic.tar.gz --gdp examples/slot-3x5.tar --noop dice-noop
         --signer "$signer")

# json_field FIELD: one member of the JSON object on standard input.
json_field() {
  /usr/bin/python3 -c 'import json, sys; v = json.load(sys.stdin)[sys.argv[1]]; print("" if v is None else v)' "$1"
}

bad=0
count=0
echo "Verifying the example bets with: ${options[*]}"
while IFS=$'\t' read -r name want_code want_message; do
  count=$((count + 1))
  set +e
  result=$("$tool" bet "examples/$name.receipt.json" "examples/$name.transcript.json" \
           "${options[@]}" --json)
  code=$?
  set -e
  message=$(json_field message <<<"$result")
  if [ "$code" = "$want_code" ] && [ "$message" = "$want_message" ]; then
    if [ "$code" = 0 ]; then
      printf '  ok   %-22s verified\n' "$name"
    else
      printf '  ok   %-22s failed as expected: %s\n' "$name" "$message"
    fi
  else
    printf '  BAD  %-22s expected exit %s "%s", got exit %s "%s"\n' \
      "$name" "$want_code" "$want_message" "$code" "$message"
    bad=$((bad + 1))
  fi
done < examples/expected.tsv

echo "Verifying examples/batch.jsonl as one batch:"
want_failed=$(awk -F'\t' '$2 != 0' examples/expected.tsv | wc -l)
set +e
summary=$("$tool" batch examples/batch.jsonl "${options[@]}" --json)
code=$?
set -e
total=$(json_field total <<<"$summary")
failed=$(json_field failed <<<"$summary")
want_code=$([ "$want_failed" -gt 0 ] && echo 3 || echo 0)
if [ "$total" = "$count" ] && [ "$failed" = "$want_failed" ] && [ "$code" = "$want_code" ]; then
  echo "  ok   $total bets, $failed failed as expected"
else
  echo "  BAD  expected $count bets with $want_failed failing (exit $want_code), got $total with $failed failing (exit $code)"
  bad=$((bad + 1))
fi

echo "Inspecting the packages (signer pinned to $signer):"
for package in examples/plinko-classic.tar.gz examples/slot-3x5.tar; do
  if "$tool" inspect "$package" --signer "$signer" >/dev/null; then
    echo "  ok   $package registers, signed by the pinned key"
  else
    echo "  BAD  $package: $("$tool" inspect "$package" --signer "$signer" --json | json_field message)"
    bad=$((bad + 1))
  fi
done

if [ "$bad" -ne 0 ]; then
  echo "verify-examples: $bad check(s) did not get the expected verdict"
  exit 1
fi
echo "verify-examples: all $count example bets, the batch and both packages got their expected verdicts"
