#!/usr/bin/env bash
# Lists hand-written releases of COM references and closes of Windows handles, device contexts
# and GDI objects outside win/ (the ownership kit) and the tests; fails when there is any. Such
# code owns by hand: an early return that misses its release leaks. The kit's owners (ComPtr,
# UniqueHandle, MemoryDC, ScopedSelection, WindowDC, PaintDC) release on every way out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# A call with an argument (so that CBitmap's own DeleteObject() is no match), not a method of
# another object and not an address taken for a kit's type.
closes='(^|[^A-Za-z0-9_:>.])(::)?(CloseHandle|DeleteDC|DeleteObject|ReleaseDC|EndPaint|RegCloseKey|FreeLibrary|FindClose|SysFreeString|VariantClear|SetupDiDestroyDeviceInfoList|CryptDestroyHash)\([^)]'
# A reference released by hand, or one received into a bare pointer.
releases='->Release\(\)|reinterpret_cast<void ?\*\*>\(&'
# An aggregated object's IUnknown hands its Release on to the controlling one.
forwarding='Release\(\) override \{ return [A-Za-z_]+->Release\(\); \}'
found=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' ':!win/' ':!tests/' ':!*/tests/*' |
  xargs grep -nE "$closes|$releases" | grep -vE "$forwarding" || true)
if [ -n "$found" ]; then
  echo "$found"
  echo "check-ownership: release or close by hand outside win/: hold the object in the kit's owner" >&2
  exit 1
fi
