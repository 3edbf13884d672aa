#!/usr/bin/env bash
# Signs Windows binaries in place (Authenticode, with osslsigncode) with the certificate and
# private key that KORVALA_SIGN_CERT and KORVALA_SIGN_KEY name: a SHA-1 signature, the only one
# that Windows XP and Vista read, and nested in it a SHA-256 signature, which Windows 7 and later
# check. Optional:
#   KORVALA_SIGN_PASSWORD_FILE  a file that holds the key's password
#   KORVALA_TIMESTAMP_URL       a time-stamping server for both signatures (none by default:
#                               without a time stamp a signature is valid while the certificate is)
#   SOURCE_DATE_EPOCH           the signing time (Unix time); with it, one key gives one signature
# Usage: sign.sh FILE...
set -euo pipefail
if [ -z "${KORVALA_SIGN_CERT:-}" ] || [ -z "${KORVALA_SIGN_KEY:-}" ]; then
  echo "sign.sh: name the certificate and its private key in KORVALA_SIGN_CERT and KORVALA_SIGN_KEY" >&2
  exit 2
fi
signing=(-certs "$KORVALA_SIGN_CERT" -key "$KORVALA_SIGN_KEY" -n Korvala)
[ -n "${KORVALA_SIGN_PASSWORD_FILE:-}" ] && signing+=(-readpass "$KORVALA_SIGN_PASSWORD_FILE")
[ -n "${SOURCE_DATE_EPOCH:-}" ] && signing+=(-time "$SOURCE_DATE_EPOCH")
legacy_stamp=() stamp=()
if [ -n "${KORVALA_TIMESTAMP_URL:-}" ]; then
  # XP reads the Authenticode form of a time stamp; the SHA-256 signature gets an RFC 3161 one.
  legacy_stamp=(-t "$KORVALA_TIMESTAMP_URL") stamp=(-ts "$KORVALA_TIMESTAMP_URL")
fi

for file in "$@"; do
  work=$(mktemp -d "$(dirname "$file")/.signing.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  osslsigncode sign "${signing[@]}" -h sha1 "${legacy_stamp[@]}" -in "$file" -out "$work/sha1" >/dev/null
  osslsigncode sign "${signing[@]}" -nest -h sha256 "${stamp[@]}" -in "$work/sha1" -out "$work/both" >/dev/null
  mv "$work/both" "$file"
  rm -rf "$work"
done
