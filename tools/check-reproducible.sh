#!/usr/bin/env bash
# Builds the release of the current commit twice, each from its own copy of the commit's files in
# a folder of its own (build/reproducible), signed with one throwaway certificate made for both,
# and compares the two byte by byte: the stripped binaries before signing and every file of the
# release, the signed ones included (the signing time is the commit's). Prints the release's
# SHA-256 sums and the time taken. Uncommitted changes are not part of the commit and not built.
# Usage: check-reproducible.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/reproducible
rm -rf "$work"
mkdir -p "$work"
started=$(date +%s)

export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
# No vendor's address is known here; any address gives the same comparison.
export KORVALA_SERVICE_URL=${KORVALA_SERVICE_URL:-http://127.0.0.1:8077}
export KORVALA_SIGN_CERT=$work/certificate.pem KORVALA_SIGN_KEY=$work/key.pem
openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 30 -subj "/CN=Korvala reproducibility check" \
  -keyout "$KORVALA_SIGN_KEY" -out "$KORVALA_SIGN_CERT" 2>/dev/null

# Folders of different names and lengths: nothing of a build's place may reach its files.
copies=(first second-copy-of-the-commit)
for copy in "${copies[@]}"; do
  mkdir -p "$work/$copy"
  git -C "$root" archive HEAD | tar -x -C "$work/$copy"
  echo "== release built in build/reproducible/$copy"
  "$work/$copy/tools/build.sh" release >"$work/$copy.log" 2>&1 || { tail -30 "$work/$copy.log"; exit 1; }
done

status=0
for files in release release-tree/release-stage; do
  if diff -r "$work/${copies[0]}/build/$files" "$work/${copies[1]}/build/$files"; then
    echo "== identical: build/$files ($(ls "$work/${copies[0]}/build/$files" | tr '\n' ' '))"
  else
    echo "== FAIL: the two builds of build/$files differ"
    status=1
  fi
done
echo "== SHA-256 sums of both releases:"
cat "$work/${copies[0]}/build/release/SHA256SUMS"
echo "== two release builds took $(($(date +%s) - started)) s"
exit $status
