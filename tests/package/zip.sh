#!/usr/bin/env bash
# The Windows zip as a user gets it: unpacked, and its host run under Wine from there,
# loading the DLL beside it (the Wine prefix and display come from ./run).
# Run: tests/package/zip.sh dist/qm7140-VERSION-win32.zip
set -euo pipefail
zip=$(realpath "$1")
version=$(basename "$zip" -win32.zip); version=${version#qm7140-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
for file in QM7140.dll qm7140host.exe README.txt include/qm7140/plugin.h include/qm7140/ui.h include/qm7140/graph.h; do
  [ -f "$work/$file" ] || { echo "the zip lacks $file"; exit 1; }
done
unzip -l "${zip%.zip}-debug.zip" | grep -q "QM7140.dll.debug"
about=$(cd "$work" && wine qm7140host.exe --version </dev/null | tr -d '\r')
echo "$about"
grep -qx "QM7140 Host $version" <<<"$about"
grep -q "^Module $version: .*QM7140.dll$" <<<"$about"
echo "-- the zip's host and DLL ran under Wine and tell $version"
