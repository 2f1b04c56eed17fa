#!/usr/bin/env bash
# The .deb as a user gets it: installed, its programs run from /usr/bin on the installed
# library, a C host built against it with pkg-config, with CMake and with dlopen, its
# service checked by systemd, and purged again (also when a step fails).
# Run: tests/package/deb.sh dist/qm7140_VERSION_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

install_deb
check "installed $version"

[ "$(/usr/bin/qm7140-host --version)" = "qm7140-host $version" ] || { echo "qm7140-host --version says: $(/usr/bin/qm7140-host --version)"; exit 1; }
[ "$(/usr/bin/qm7140-web --version)" = "qm7140-web $version" ] || { echo "qm7140-web --version is wrong"; exit 1; }
check "both hosts tell $version"

# A user of their own (nobody, when this runs as root) in the examples' directory, which is
# not theirs to write. No library beside /usr/bin/qm7140-host: it runs on the installed one.
as_user() { if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi; }
chmod 755 "$work"; mkdir -m 1777 "$work/user"
examples=/usr/share/doc/qm7140/examples
(cd $examples && as_user env TMPDIR="$work/user" /usr/bin/qm7140-host limiter.qmh >"$work/limiter.txt")
grep -q "^W 0x80/0 reg 0x0B = " "$work/limiter.txt"
grep -qx "wrote $work/user/limiter-curve.png (602 x 394)" "$work/limiter.txt"
[ -s "$work/user/limiter-curve.png" ]
check "the Limiter demo ran from /usr/bin in $examples, its picture in \$TMPDIR"
status=0
(cd $examples && printf 'show limiter\nsnapshot limiter curve.png\n' | as_user /usr/bin/qm7140-host - 2>"$work/error.txt" >/dev/null) || status=$?
[ "$status" -eq 1 ] && grep -q "cannot write curve.png: Permission denied" "$work/error.txt" || {
  echo "a snapshot where the user cannot write: status $status, $(cat "$work/error.txt")"; exit 1; }
check "a snapshot where the user cannot write says why"

# One C host, built three ways from the installed package alone: each checks the UI seam's
# version, reads the Boost dialog's controls, ticks Enable Boost and reads it back.
warnings="-std=c11 -Wall -Wextra -Wpedantic -Werror"
# A linked host needs the library by its major version, not dropped as unused.
needs_library() { readelf -d "$1" | grep 'NEEDED.*\[libqm7140\.so\.1\]' >/dev/null || { echo "$1 does not need libqm7140.so.1"; exit 1; }; }
cc $warnings -o "$work/pkg-config-host" "$here/host.c" $(pkg-config --cflags --libs qm7140)
needs_library "$work/pkg-config-host"
"$work/pkg-config-host" | grep -qx "W 0x80/0 reg 0x02 = 0x40"
check "a C host linked with pkg-config drove the Boost dialog"

cmake -S "$here" -B "$work/cmake" -Wdev --log-level=WARNING >/dev/null
cmake --build "$work/cmake" >/dev/null
needs_library "$work/cmake/host"
"$work/cmake/host" | grep -qx "W 0x80/0 reg 0x02 = 0x40"
check "a C host linked with find_package(qm7140) drove the Boost dialog"

cc $warnings -DQM7140_HOST_DLOPEN -o "$work/dlopen-host" "$here/host.c" $(pkg-config --cflags qm7140) -ldl
! readelf -d "$work/dlopen-host" | grep -q qm7140 || { echo "the dlopen host links the library"; exit 1; }
"$work/dlopen-host" | grep -qx "W 0x80/0 reg 0x02 = 0x40"
check "a C host that loads libqm7140.so.1 with dlopen drove the Boost dialog"

for page in qm7140-host qm7140-web; do
  zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH \"\?${page^^}"
done
bash "$here/man_pages.sh" /usr/share/man/man1 /usr/bin

# No running systemd in a container: verify reads the unit files alone.
SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no /lib/systemd/system/qm7140-web.service
getent group i2c >/dev/null
grep -q 'GROUP="i2c"' /lib/udev/rules.d/60-qm7140.rules
check "the service passes systemd-analyze verify; the i2c group exists"

# Wireshark's global Lua plugin folder holds the dissector, and tshark loads it from there.
tshark -G plugins 2>/dev/null | grep -q "^qm7140\.lua.*lua script.*/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/wireshark/plugins/qm7140\.lua$"
check "tshark loads the dissector the package installed"

trap - EXIT
finish
if dpkg -s qm7140 >/dev/null 2>&1 || [ -e /usr/bin/qm7140-host ] || [ -e /etc/default/qm7140-web ]; then
  echo "the package was not purged"; exit 1
fi
check "purged"
