#!/usr/bin/env bash
# The .deb as a user gets it: installed, its programs run from /usr/bin on the installed
# library, a C host built against it with pkg-config and with CMake, its service checked by
# systemd, and purged again (also when a step fails).
# Run: tests/package/deb.sh dist/qm7140_VERSION_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
finish() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq qm7140 >/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
check() { echo "-- $1"; }

as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
check "installed $version"

[ "$(/usr/bin/qm7140-host --version)" = "qm7140-host $version" ] || { echo "qm7140-host --version says: $(/usr/bin/qm7140-host --version)"; exit 1; }
[ "$(/usr/bin/qm7140-web --version)" = "qm7140-web $version" ] || { echo "qm7140-web --version is wrong"; exit 1; }
check "both hosts tell $version"

# No library beside /usr/bin/qm7140-host: it runs on the installed one.
(cd "$work" && /usr/bin/qm7140-host /usr/share/doc/qm7140/examples/limiter.qmh >limiter.txt)
grep -q "^W 0x80/0 reg 0x0B = " "$work/limiter.txt"
check "the Limiter demo ran from /usr/bin"

cc -Wall -Wextra -Werror -o "$work/pkg-config-host" "$here/host.c" $(pkg-config --cflags --libs qm7140)
"$work/pkg-config-host" | grep -qx "W 0x80/0 reg 0x02 = 0x40"
check "a C host built with pkg-config drove the Boost dialog"

cmake -S "$here" -B "$work/cmake" -Wdev --log-level=WARNING >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/host" | grep -qx "W 0x80/0 reg 0x02 = 0x40"
check "a C host built with find_package(qm7140) drove the Boost dialog"

for page in qm7140-host qm7140-web; do
  zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH \"\?${page^^}"
done
bash "$here/man_pages.sh" /usr/share/man/man1 /usr/bin

# No running systemd in a container: verify reads the unit files alone.
SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no /lib/systemd/system/qm7140-web.service
getent group i2c >/dev/null
grep -q 'GROUP="i2c"' /lib/udev/rules.d/60-qm7140.rules
check "the service passes systemd-analyze verify; the i2c group exists"

trap - EXIT
finish
if dpkg -s qm7140 >/dev/null 2>&1 || [ -e /usr/bin/qm7140-host ] || [ -e /etc/default/qm7140-web ]; then
  echo "the package was not purged"; exit 1
fi
check "purged"
