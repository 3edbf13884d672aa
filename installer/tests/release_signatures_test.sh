#!/usr/bin/env bash
# The release's signatures as Windows checks them: every file carries a SHA-1 signature (the one
# Windows XP and Vista read) and a nested SHA-256 one, both valid for the release's certificate;
# one changed byte in the signed part of a file breaks them. Runs no Windows code.
# Usage: release_signatures_test.sh <certificate> <signed file>...
set -uo pipefail
certificate=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
verify() { osslsigncode verify -CAfile "$certificate" -in "$1" >"$work/verify.out" 2>&1; }
# Both signatures there, the SHA-1 one first and the SHA-256 one nested in it, and verified (the
# command fails when one of them does not verify).
both_signatures_valid() {
  verify "$1" || { tail -5 "$work/verify.out"; return 1; }
  [ "$(sed -n 's/^Message digest algorithm *: *//p' "$work/verify.out" | uniq | tr '\n' ' ')" = "SHA1 SHA256 " ]
}
# The middle byte lies in the signed part: the code of a binary, the packed files of the setup.
changed_byte_breaks_signature() {
  local copy=$work/changed middle byte
  cp "$1" "$copy"
  middle=$(($(stat -c %s "$copy") / 2))
  byte=$(od -An -tu1 -j "$middle" -N1 "$copy" | tr -d ' ')
  # The changed byte, written as an octal escape.
  printf "\\$(printf %03o $((byte ^ 1)))" | dd of="$copy" bs=1 seek="$middle" conv=notrunc status=none
  ! cmp -s "$1" "$copy" && ! verify "$copy"
}

for file in "$@"; do
  name=$(basename "$file")
  check "$name: SHA-1 and nested SHA-256 signatures valid for the release's certificate" both_signatures_valid "$file"
  check "$name: a changed byte breaks its signature" changed_byte_breaks_signature "$file"
done
echo "$failures failed"
[ "$failures" -eq 0 ]
