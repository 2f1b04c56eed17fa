#!/bin/sh
# The Debian package on a Debian 12 system booted with systemd and udev (tests/vm/run.sh):
# installed with apt, its udev rule giving the i2c group the adapters and bridges, its web
# service under its own user and hardening, restarted, upgraded and purged.
. /opt/vm/check.sh
trap '' PIPE
export PATH=/opt/vm:$PATH DEBIAN_FRONTEND=noninteractive
work=$(mktemp -d)
apt="apt-get -y -q -o Dpkg::Use-Pty=0"
unit=qm7140-web.service
journal() { journalctl -q -o cat -u "$unit"; }
journal_says() { journal | grep -q "$1"; }
main_pid() { systemctl show -p MainPID --value "$unit"; }
fingerprints() { journal | grep -c '^certificate SHA-256 fingerprint '; }
more_fingerprints() { [ "$(fingerprints)" -gt "$1" ]; }
fingerprint() { journal | sed -n 's/^certificate SHA-256 fingerprint //p' | tail -1; }
active() { [ "$(systemctl is-active "$unit")" = active ]; }
served_fingerprint() {
  timeout 20 openssl s_client -connect 127.0.0.1:7140 </dev/null 2>/dev/null | openssl x509 -noout -fingerprint -sha256 | sed 's/^.*=//'
}

check "apt installs the package" $apt install /opt/vm/qm7140_*_amd64.deb

modprobe i2c-dev
modprobe i2c-stub chip_addr=0x40
udevadm settle
bus=$(adapter_number "SMBus stub driver")
expect "udev gives the i2c group the i2c-stub adapter" "i2c 660" stat -c '%G %a' "/dev/i2c-$bus"

# Plugged in, each bridge's driver comes by its USB id: hid-cp2112 keeps a hidraw node,
# hid-mcp2221 gives none. With hid-mcp2221 kept away, hid-generic gives the MCP2221 one.
qm7140-uhid-bridge cp2112 --serial SD1 >"$work/SD1.log" 2>&1 &
wait_for 20 hidraw_of SD1
udevadm settle
expect "udev gives the i2c group a CP2112's hidraw node" "i2c 660" stat -c '%G %a' "$(hidraw_of SD1)"
qm7140-uhid-bridge mcp2221 --serial SD2 >"$work/SD2.log" 2>&1 &
mcp=$!
wait_for 20 driver_of SD2
note "MCP2221 with udev loading drivers: bound to $(driver_of SD2), hidraw node '$(hidraw_of SD2)'"
kill "$mcp"
wait_for 20 unplugged SD2
echo "blacklist hid_mcp2221" >/etc/modprobe.d/qm7140-vm.conf
udevadm control --reload
check "hid-mcp2221 unloaded" rmmod hid_mcp2221
qm7140-uhid-bridge mcp2221 --serial SD3 >"$work/SD3.log" 2>&1 &
wait_for 20 hidraw_of SD3
udevadm settle
expect "udev gives the i2c group an MCP2221's hidraw node" "i2c 660" stat -c '%G %a' "$(hidraw_of SD3)"

# The service on the stub chip, over HTTPS on loopback. The chip holds Enable Boost set, so a
# click that clears it shows the service read the chip first.
i2cset -y "$bus" 0x40 0x02 0x40
echo "QM7140_WEB_OPTIONS=\"--listen 127.0.0.1:7140 --tls --device i2c:/dev/i2c-$bus@0x40\"" >/etc/default/qm7140-web
check "systemctl enable --now starts the service" systemctl enable --now "$unit"
wait_for 60 journal_says '^certificate SHA-256 fingerprint '
url=$(journal | grep -m1 '^https://127.0.0.1:7140/?token=')
printed=$(fingerprint)
note "service: $(journal | head -3 | sed 's/token=.*/token=…/' | tr '\n' '|')"
uid=$(awk '/^Uid:/ { print $2 }' "/proc/$(main_pid)/status")
check "it runs as a dynamic user (61184-65519)" test "$uid" -ge 61184 -a "$uid" -le 65519
check "in the i2c group" grep -qw "$(getent group i2c | cut -d: -f3)" "/proc/$(main_pid)/status"
expect "the fingerprint it printed is the served certificate's" "$printed" served_fingerprint
score=$(systemd-analyze security --no-pager "$unit" | sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p')
note "systemd-analyze security $unit: $score"
check "systemd-analyze security rates it at most 2.0" awk -v s="$score" 'BEGIN { exit !(s != "" && s <= 2.0) }'
expect "a page's click, hardened as it is, reaches the chip" "reg 0x02 = 0x00" qm7140-ws-click "$url" 2 EnableBoost
expect "i2cget reads what the service wrote" 0x00 i2cget -y "$bus" 0x40 0x02
check "it starts after network-online.target" sh -c "systemctl show -p After $unit | grep -q network-online.target"

printed_before=$(fingerprints)
check "systemctl restart" systemctl restart "$unit"
wait_for 60 more_fingerprints "$printed_before"
expect "a restart keeps the certificate" "$printed" served_fingerprint

before=$(main_pid)
check "apt installs a higher version" $apt install /opt/vm/upgrade/qm7140_*_amd64.deb
wait_for 60 active
check "the upgrade restarted the running service" test "$(main_pid)" != "$before" -a "$(main_pid)" != 0

check "apt purge" $apt purge qm7140
left() {
  for path in /var/lib/private/qm7140 /var/lib/qm7140 /etc/default/qm7140-web "/lib/systemd/system/$unit" \
    "/etc/systemd/system/multi-user.target.wants/$unit"; do
    [ -e "$path" ] || [ -L "$path" ] && echo "left: $path"
  done
  return 0
}
expect "purged: its state with the private key, its defaults, its unit and enablement" "" left

finish
