#!/usr/bin/env bash
# The Python package as users get it: imported and used by the system's python3 after the
# .deb is installed (then purged, also when a step fails), and installed from the wheel into a
# fresh venv with no index, where it runs on the module the wheel bundles.
# Run: tests/package/python.sh dist/qm7140_VERSION_amd64.deb dist/qm7140-VERSION-*.whl
set -euo pipefail
deb=$(realpath "$1")
wheel=$(realpath "$2")
source "$(dirname "$0")/common.sh"

# Sets a control on a simulated chip and prints the version and the write it made.
use='
import qm7140
with qm7140.open() as amp:
    amp.boost.show()
    amp.boost.enable_boost = True
    print(qm7140.__version__, amp.log[-1].text, qm7140.__file__)
'

mkdir "$work/wheel" "$work/run"
(cd "$work/wheel" && unzip -q "$wheel")
readelf -d "$work"/wheel/qm7140/_qm7140.*.so | grep -q 'RUNPATH.*\[\$ORIGIN\]'
[ -f "$work/wheel/qm7140/libqm7140.so.1" ] && [ -f "$work/wheel/qm7140/py.typed" ] && [ -f "$work/wheel/qm7140/__init__.pyi" ]
check "the wheel bundles libqm7140.so.1, stubs and py.typed, its extension with RUNPATH \$ORIGIN"
grep -q 'apt install libi2c0 libcairo2' "$work"/wheel/qm7140-*.dist-info/METADATA
check "the wheel's description names the system libraries it needs"

/usr/bin/python3 -m venv "$work/venv"
"$work/venv/bin/pip" install -q --no-index "$wheel"
out=$(cd "$work/run" && "$work/venv/bin/python" -c "$use")
[[ "$out" == "$version W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost) $work/venv/"* ]] || { echo "the venv's qm7140 says: $out"; exit 1; }
check "pip installed the wheel offline into a fresh venv; it drove the Boost dialog"

install_deb
out=$(cd / && /usr/bin/python3 -c "$use")
[ "$out" = "$version W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost) /usr/lib/python3/dist-packages/qm7140/__init__.py" ] || {
  echo "the system's qm7140 says: $out"; exit 1; }
check "after apt install, the system's python3 drove the Boost dialog on the installed library"
