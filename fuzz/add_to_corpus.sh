#!/usr/bin/env bash
# Copies inputs into a fuzz target's corpus, each named by the SHA-256 of its
# content, so an input saved twice is kept once.
#   fuzz/add_to_corpus.sh verify_bet crash-or-seed-file...
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET FILE..." >&2
  exit 2
fi
corpus="$(dirname "$0")/corpus/$1"
shift
mkdir -p "$corpus"
for file in "$@"; do
  digest=$(sha256sum "$file" | cut -d' ' -f1)
  cp "$file" "$corpus/$digest"
done
