#!/usr/bin/env bash
# Runs scripts/make-demo-assets.sh in the form the author's guide gives first
# (no build folder: the generators build alone) into a folder of its own, and
# checks that it makes exactly the committed pictures and music: the
# generators are deterministic, so any difference is a generator changed
# without its assets, or assets changed by hand.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

bash "$root/scripts/make-demo-assets.sh" --out "$out/dat"

status=0
made="$(cd "$out/dat" && ls | sort)"
committed="$(cd "$root/demo/dat" && ls -- *.jpg *.mid | sort)"
if [ "$made" != "$committed" ]; then
  echo "FAILED: the script made [$made], the story has [$committed]"
  status=1
fi
for f in $made; do
  if ! cmp -s "$out/dat/$f" "$root/demo/dat/$f"; then
    echo "FAILED: $f differs from demo/dat/$f"
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok: the generators remake demo/dat's $(echo "$made" | wc -l) pictures and music"
exit $status
