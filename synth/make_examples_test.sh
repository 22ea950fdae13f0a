#!/usr/bin/env bash
# The committed example logs are exactly what scripts/make-examples makes with
# the built quillfen-synth, and a second run makes the same bytes again.
# Usage: make_examples_test.sh QUILLFEN_SYNTH SOURCE_DIR
set -euo pipefail
synth=$1
source_dir=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$source_dir/scripts/make-examples" -b "$synth" "$out/first" >/dev/null
"$source_dir/scripts/make-examples" -b "$synth" "$out/second" >/dev/null
diff -r "$out/first" "$out/second"
# examples/ also holds the firmware example; only the logs are made here.
for log in "$out"/first/*.log; do
  cmp "$log" "$source_dir/examples/$(basename "$log")"
done
echo "examples/ reproduced byte for byte"
