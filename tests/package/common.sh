# Sourced by the package tests, after setting $deb: a scratch folder $work, the package's
# $version, `check` for a step done, `install_deb`; at the end the package is purged and
# the scratch folder removed, also when a step fails.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d)
finish() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq qm7140 >/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
check() { echo "-- $1"; }
install_deb() { as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null; }
