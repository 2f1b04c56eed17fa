#!/bin/sh
# The hosts on Debian 12's own kernel, run by the initramfs's init (tests/vm/run.sh): chips
# the kernel emulates (i2c-stub) through i2c-dev and the real i2c-tools, then USB-HID bridges
# made through uhid by our emulator, with and without the kernel's own drivers bound to them.
. /tests/check.sh
trap '' PIPE
ip link set lo up
work=$(mktemp -d)
printf 'show boost\nclick boost EnableBoost\n' >"$work/click.qmh"
printf 'peek 2\n' >"$work/peek.qmh"

modprobe i2c-dev
modprobe i2c-stub chip_addr=0x40,0x41
bus=$(adapter_number "SMBus stub driver")
stub=/dev/i2c-$bus

# --- I2C: i2c-stub chips at 0x40 and 0x41 ------------------------------------------------

i2cset -y "$bus" 0x40 0x02 0x40
printf 'peek 2\nshow boost\nclick boost EnableBoost\n' >"$work/boost.qmh"
check "terminal host: connects, its click writes the chip" qm7140-host --device "i2c:$stub@0x40" "$work/boost.qmh"
says "terminal host: read what the chip held on connect" "$seen" "reg 0x02 = 0x40"
expect "terminal host: i2cget reads what it wrote" 0x00 i2cget -y "$bus" 0x40 0x02

qm7140-web --device "i2c:$stub@0x41" --listen 127.0.0.1:0 >"$work/web.txt" 2>&1 &
web=$!
wait_for 30 grep -q '^http://' "$work/web.txt"
expect "web host: a page's click is written to the chip" "reg 0x02 = 0x40" qm7140-ws-click "$(grep -m1 '^http://' "$work/web.txt")" 2 EnableBoost
expect "web host: i2cget reads what it wrote" 0x40 i2cget -y "$bus" 0x41 0x02
kill "$web"

# The chip at 0x40 saved and loaded into the device at 0x41's cache, exported from there and
# run by the real i2cset: both chips then hold the same registers.
for r in 3 4 5 6 7 17 20; do i2cset -y "$bus" 0x40 "$r" $((r * 9)); done
check "export: a state carried to the other chip's cache" qm7140-host --device "i2c:$stub@0x40" --device "i2c:$stub@0x41" - <<EOF
save $work/state.txt
device 2
load $work/state.txt
export i2cset $work/settings.sh
EOF
check "export: the i2cset script runs under the real i2cset" sh "$work/settings.sh" "$bus"
i2cdump -y -r 0x00-0x1f "$bus" 0x40 b >"$work/40.txt"
expect "export: both chips hold the same registers" "$(cat "$work/40.txt")" i2cdump -y -r 0x00-0x1f "$bus" 0x41 b

i2cset -y "$bus" 0x40 0x02 0x00
i2cset -y "$bus" 0x41 0x02 0x00
check "two chips on one adapter, --verify: each write read back" qm7140-host --verify --device "i2c:$stub@0x40" --device "i2c:$stub@0x41" - <<EOF
device 2
show boost
click boost EnableBoost
devices
EOF
says "two chips on one adapter: both online" "$seen" "2 $stub 0x41 online"
expect "two chips on one adapter: the write reached the chip selected" "0x00 0x40" sh -c "echo \$(i2cget -y $bus 0x40 0x02) \$(i2cget -y $bus 0x41 0x02)"

# A kernel driver bound at the address: the host says so and never forces it.
modprobe at24
echo 24c02 0x41 >"/sys/bus/i2c/devices/i2c-$bus/new_device"
wait_for 10 test -e "/sys/bus/i2c/devices/$bus-0041/driver"
refused "a driver bound at the address: EBUSY in words" "a kernel driver holds the address (the host never forces it)" qm7140-host --device "i2c:$stub@0x41" "$work/click.qmh"
echo 0x41 >"/sys/bus/i2c/devices/i2c-$bus/delete_device"
expect "a driver bound at the address: the chip untouched" 0x40 i2cget -y "$bus" 0x41 0x02

# --- The bench: two chips compared, one brought to the other, a production check --------
# The kernel's own i2c tracepoints count what reached the adapter.
mount -t tracefs nodev /sys/kernel/tracing 2>/dev/null
trace=/sys/kernel/tracing
smbus_writes() {  # ADDRESS: SMBus writes to it since tracing began, as the kernel saw them
  grep -c "smbus_write:.* a=0$1 " "$trace/trace"
}
traced() {  # COMMAND...: run with the SMBus writes traced afresh
  echo >"$trace/trace"
  echo 1 >"$trace/events/smbus/smbus_write/enable"
  "$@"
  echo 0 >"$trace/events/smbus/smbus_write/enable"
}
status_of() { bounded "$@" >"$work/status.txt" 2>&1; echo $?; }
millis() { echo $(($(tr -d . </proc/uptime | cut -d' ' -f1) * 10)); }

r=0
while [ "$r" -lt 32 ]; do
  i2cset -y "$bus" 0x41 "$r" "$(i2cget -y "$bus" 0x40 "$r")"
  r=$((r + 1))
done
i2cset -y "$bus" 0x41 0x03 0x01
i2cset -y "$bus" 0x41 0x0e 0x05
i2cset -y "$bus" 0x41 0x14 0x0b
check "bench: the golden chip saved" qm7140-host --device "i2c:$stub@0x40" - <<EOF
save $work/golden.txt
EOF
qm7140-host --device "i2c:$stub@0x40" --device "i2c:$stub@0x41" - >"$work/diff.txt" 2>&1 <<EOF
diff device 1 device 2
EOF
expect "bench: diff names exactly the three registers i2cset changed" "$(printf '  reg 0x03:\n  reg 0x0E:\n  reg 0x14:')" \
  sh -c "grep '^  reg ' '$work/diff.txt' | cut -c1-11"
says "bench: diff names the field as its dialog does" "$work/diff.txt" 'limiter: Attack > Time (reg 0x0E bits 0-2): "20 us" vs "1770 us"'
expect "bench: --check of the board that differs exits 1" 1 status_of qm7140-host --device "i2c:$stub@0x41" --check "$work/golden.txt"
traced status_of qm7140-host --device "i2c:$stub@0x41" --apply "$work/golden.txt" >"$work/apply.txt"
expect "bench: --apply exits 0, the chip then as the file says" 0 cat "$work/apply.txt"
writes=$(smbus_writes 41)
expect "bench: apply sent as many SMBus writes as registers differed" 3 echo "$writes"
note "apply: the kernel counted $writes SMBus writes to 0x41 for the 3 registers that differed"
i2cdump -y -r 0x00-0x1f "$bus" 0x40 b >"$work/40.txt"
expect "bench: both chips then hold the same registers" "$(cat "$work/40.txt")" i2cdump -y -r 0x00-0x1f "$bus" 0x41 b
start=$(millis)
traced status_of qm7140-host --device "i2c:$stub@0x41" --check "$work/golden.txt" >"$work/check.txt"
took=$(($(millis) - start))
expect "bench: --check of the board now equal exits 0" 0 cat "$work/check.txt"
expect "bench: --check never writes" 0 smbus_writes 41
note "--check on the i2c-stub chip took $took ms (start, connect, read, compare, exit)"
i2cset -y "$bus" 0x41 0x0d 0x42
expect "bench: --check after an i2cset exits 1" 1 status_of qm7140-host --device "i2c:$stub@0x41" --check "$work/golden.txt"
says "bench: --check prints the register that moved" "$work/status.txt" "reg 0x0D"
expect "bench: --check of a bad file exits 2" 2 status_of qm7140-host --device "i2c:$stub@0x41" --check "$work/click.qmh"
rmmod i2c-stub
expect "bench: --check with the adapter gone exits 2" 2 status_of qm7140-host --device "i2c:$stub@0x41" --check "$work/golden.txt"

# An adapter without SMBus byte data: I2C_FUNC_SMBUS_QUICK and BYTE only.
modprobe i2c-stub chip_addr=0x40 functionality=0x70000
bus=$(adapter_number "SMBus stub driver")
refused "an adapter without byte data refused by name" "/dev/i2c-$bus offers no SMBus byte-data transfers" qm7140-host --device "i2c:/dev/i2c-$bus@0x40" "$work/click.qmh"
rmmod i2c-stub

# --- The saved log against the kernel's own trace -----------------------------------------
# A session of edits, a replay and reads on an i2c-stub chip with every SMBus tracepoint on,
# the kernel's trace on the monotonic clock: the log saved as CSV holds the same transfers in
# the same order, and each started (its monotonic column) within its own duration of the
# kernel's time for it.
modprobe i2c-stub chip_addr=0x40
bus=$(adapter_number "SMBus stub driver")
printf '# limiter, then read back\nw 80 0E 05 06\nd 2\nr 80 0E 2\nw 80 14 0B\n' >"$work/replay.qms"
echo mono >"$trace/trace_clock"
echo >"$trace/trace"
for event in smbus_write smbus_read smbus_reply smbus_result; do echo 1 >"$trace/events/smbus/$event/enable"; done
check "log vs kernel: a session of edits, a replay and reads, saved" qm7140-host --device "i2c:/dev/i2c-$bus@0x40" - <<EOF
show boost
click boost EnableBoost
set 0x0e 0x03
replay $work/replay.qms
readall
log save $work/log.csv
EOF
for event in smbus_write smbus_read smbus_reply smbus_result; do echo 0 >"$trace/events/smbus/$event/enable"; done
cp "$trace/trace" "$work/trace.txt"
echo local >"$trace/trace_clock"
rmmod i2c-stub
# Both as "W|R ADDRESS REGISTER VALUE START DURATION" (hex in lower case, seconds). The
# kernel's transfer starts at its smbus_write or smbus_read, takes its value from the reply
# and ends at its result; the trace gives no duration (0).
awk -v bus="i2c-$bus" '
  function hex(h,  i, v) { v = 0; h = tolower(h); for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }
  {
    for (i = 1; i <= NF && $i !~ /^smbus_[a-z]+:$/; i++) {}
    if (i > NF || $(i + 1) != bus) next
    event = $i; at = $(i - 1); sub(/:$/, "", at)
    address = sprintf("%02x", hex(substr($(i + 2), 3))); reg = sprintf("%02x", hex(substr($(i + 4), 3)))
    if (event == "smbus_write:") { start = at; kind = "W"; value = tolower(substr($(i + 7), 2, 2)) }
    if (event == "smbus_read:") { start = at; kind = "R" }
    if (event == "smbus_reply:") value = tolower(substr($(i + 7), 2, 2))
    if (event == "smbus_result:") print kind, address, reg, ($NF == "res=0" ? value : "failed:" $NF), start, 0
  }' "$work/trace.txt" >"$work/kernel.txt"
awk -F, 'NR > 1 {
    value = $8 == "done" ? tolower(substr($7, 3)) : "failed"
    print ($6 == "write" ? "W" : "R"), tolower(substr($4, 3)), tolower(substr($5, 3)), value, $NF, $2
  }' "$work/log.csv" | tr -d '\r' >"$work/ours.txt"
expect "log vs kernel: the same transfers, one to one, in order" "$(cut -d' ' -f1-4 "$work/kernel.txt")" cut -d' ' -f1-4 "$work/ours.txt"
# A time in the trace is the microsecond it fell in: 1 us of slack.
paste -d' ' "$work/ours.txt" "$work/kernel.txt" | awk '
  { off = ($11 - $5) * 1e6; if (off < 0) off = -off; if (off > most) most = off
    if (off > $6 * 1e6 + 1) { far++; if (far <= 3) print "    " $1, $2, $3, "started at", $5, "for", $6, "s; the kernel at", $11 } }
  END { printf "%d transfers, the largest difference %.1f us\n", NR, most; exit far > 0 }' >"$work/times.txt"
times_ok=$?
cp "$work/times.txt" "$seen"
if [ "$times_ok" -eq 0 ]; then pass "log vs kernel: each start within its duration of the kernel's time"; else fail "log vs kernel: each start within its duration of the kernel's time"; fi
note "log vs kernel: $(wc -l <"$work/kernel.txt") transfers in the kernel's trace, $(wc -l <"$work/ours.txt") in the log; $(tail -1 "$work/times.txt")"

# --- USB-HID bridges through uhid ----------------------------------------------------------

modprobe uhid
modprobe hid-generic
modprobe hid-cp2112
bridge() {  # SERIAL KIND OPTIONS...: an emulated bridge, its log $work/SERIAL.log
  serial=$1 kind=$2
  shift 2
  qm7140-uhid-bridge "$kind" --serial "$serial" "$@" >"$work/$serial.log" 2>&1 &
  last_bridge=$!
  wait_for 20 driver_of "$serial"
}
bound() { [ "$(driver_of "$1")" = "$2" ]; }
pcap_messages() {  # FILE: a capture's I2C messages, "i2c 0x40 write 0E 05" (link type 209)
  od -An -v -tx1 "$1" | tr -s ' ' '\n' | grep . | awk '
    function hex(h,  i, v) { v = 0; h = tolower(h); for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }
    { b[n++] = $1 }
    END {
      for (p = 24; p + 16 <= n; p = at + size) {
        size = hex(b[p + 11] b[p + 10] b[p + 9] b[p + 8]); at = p + 16; address = hex(b[at + 5])
        line = sprintf("i2c 0x%02X %s", int(address / 2), address % 2 ? "read" : "write")
        for (i = at + 6; i < at + size; i++) line = line " " toupper(b[i])
        print line
      }
    }'
}

# The CP2112-class bridge under the kernel's hid-cp2112, answering its read reply at status 0
# as bridges in the field do, and busy to its first status polls: i2c-tools through the
# kernel's adapter and our hid: place on the hidraw node see the same registers.
bridge CP1 cp2112 --chip 0x40 --chip 0x41 --read-status 0 --busy-polls 2
node=$(hidraw_of CP1)
wait_for 20 adapter_number "CP2112 SMBus Bridge on ${node#/dev/}"
cp=$(adapter_number "CP2112 SMBus Bridge on ${node#/dev/}")
note "CP2112: bound to $(driver_of CP1), its adapter /dev/i2c-$cp, and its hidraw node $node stays"
check "CP2112 under hid-cp2112: the real i2cset writes through the kernel's driver" i2cset -y "$cp" 0x40 0x05 0x33
says "CP2112 under hid-cp2112: the emulated chip took it" "$work/CP1.log" "0x40 reg 0x05 = 0x33"
check "CP2112 through hid:, beside hid-cp2112: connects and writes" qm7140-host --device "hid:$node@0x40" --device "hid:10C4:EA90:CP1@0x41" - <<EOF
peek 5
show boost
click boost EnableBoost
device 2
show boost
click boost EnableBoost
EOF
says "CP2112 through hid:: reads what the kernel's driver wrote" "$seen" "reg 0x05 = 0x33"
expect "CP2112: i2cget through the kernel reads what hid: wrote, both chips" "0x40 0x40" sh -c "echo \$(i2cget -y $cp 0x40 0x02) \$(i2cget -y $cp 0x41 0x02)"
bridge CP2 cp2112 --read-status 2
printf 'bridges\npeek 2\n' >"$work/list.qmh"
check "CP2112 with the documented read reply (status 2) too" qm7140-host --device "hid:10C4:EA90:CP2@0x40" "$work/list.qmh"
says "bridges lists both CP2112s" "$seen" "10C4:EA90 CP2112 serial CP2 at"
says "bridges: under hid-cp2112 both places, never both at once" "$seen" \
  "kernel driver cp2112, its adapter /dev/i2c-$cp: use i2c:/dev/i2c-$cp@0x40 or hid:$node@0x40, never both at once"

# A session through a fresh CP2112 emulator saved as a capture: its I2C messages, in order and
# byte for byte, are the ones the bridge put on the bus.
bridge CP3 cp2112
check "capture: a session through the CP2112 emulator, saved as pcap" qm7140-host --device "hid:10C4:EA90:CP3@0x40" - <<EOF
show boost
click boost EnableBoost
set 0x0e 0x03
replay $work/replay.qms
log save $work/cp.pcap
EOF
pcap_messages "$work/cp.pcap" >"$work/cp-pcap.txt"
expect "capture: its messages are the bytes the bridge sent" "$(grep '^i2c ' "$work/CP3.log")" cat "$work/cp-pcap.txt"
note "capture through the CP2112 emulator: $(grep -c . "$work/cp-pcap.txt") messages, as the bridge logged them"
kill "$last_bridge"

# A user outside the i2c group meets nodes that belong to root, as they do without the
# package's udev rule: every way names the node and the cure, and none says "no bridge".
# Then the nodes given to the group as that rule gives them, and the user in it.
mkdir -p /etc
printf 'root:x:0:0::/root:/bin/sh\nbench:x:1000:1000::/tmp:/bin/sh\n' >>/etc/passwd
printf 'root:x:0:\nbench:x:1000:\ni2c:x:990:\n' >>/etc/group
printf '#!/bin/sh\nexec su bench -s /bin/sh -c "PATH=$PATH; $*"\n' >/bin/as-bench
chmod 0755 /bin/as-bench "$work"
cure="join the i2c group (the package's udev rule gives it the I2C adapters and the bridges' hidraw nodes), then log in again"
refused "unprivileged: i2c: names the node and the cure" "this user may not open /dev/i2c-$cp: $cure" \
  as-bench qm7140-host --device "i2c:/dev/i2c-$cp@0x40" "$work/peek.qmh"
refused "unprivileged: hid: by id names the node and the cure" "this user may not open $node: $cure" \
  as-bench qm7140-host --device "hid:10C4:EA90:CP1@0x40" "$work/peek.qmh"
as-bench exec qm7140-web --device "hid:$node@0x40" --listen 127.0.0.1:0 >"$work/web-bench.txt" 2>&1 &
web=$!
wait_for 30 grep -q "this user may not open $node: $cure" "$work/web-bench.txt" && pass "unprivileged: the web host names the node and the cure"
kill "$web"
as-bench qm7140-host "$work/list.qmh" >"$work/bridges-bench.txt" 2>&1
says "unprivileged: bridges lists the bridge" "$work/bridges-bench.txt" "10C4:EA90 CP2112 serial CP1 at $node"
says "unprivileged: bridges names its node and the cure" "$work/bridges-bench.txt" "    this user may not open $node: $cure"
says "unprivileged: bridges names the adapter and the cure" "$work/bridges-bench.txt" "    this user may not open /dev/i2c-$cp: $cure"
sed -i 's/^i2c:x:990:$/i2c:x:990:bench/' /etc/group
chgrp i2c "/dev/i2c-$cp" "$node" && chmod 0660 "/dev/i2c-$cp" "$node"
check "in the i2c group: i2c: reads the chip" as-bench qm7140-host --device "i2c:/dev/i2c-$cp@0x40" "$work/peek.qmh"
check "in the i2c group: hid: reads the chip" as-bench qm7140-host --device "hid:10C4:EA90:CP1@0x40" "$work/peek.qmh"

# The MCP2221-class bridge where hid-mcp2221 is not loaded: hid-generic gives its hidraw node.
# It says "not ready" to the first asks for a byte, with engine states in those error replies
# that would name a failure in a reply that succeeded; a missing chip's NACK shows in the reply
# to Read Repeated-START, or (MC2) at once in the reply to Write No STOP.
bridge MC1 mcp2221 --chip 0x40 --not-ready 2 --not-ready-state 0x52 --not-ready-state 0x25
bridge MC2 mcp2221 --chip 0x40 --nack-at-once
mc2=$last_bridge
note "MCP2221 without hid-mcp2221: bound to $(driver_of MC1), hidraw node $(hidraw_of MC1)"
check "MCP2221 through hid:: connects through 'not ready' replies and writes" qm7140-host --device "hid:04D8:00DD:MC1@0x40" - <<EOF
show boost
click boost EnableBoost
EOF
says "MCP2221 through hid:: the emulated chip took the write" "$work/MC1.log" "0x40 reg 0x02 = 0x40"
printf 'bridges\n' | qm7140-host - >"$work/bridges.txt" 2>&1
says "bridges: under hid-generic, hid:" "$work/bridges.txt" "kernel driver hid-generic: use hid:$(hidraw_of MC1)@0x40"
refused "MCP2221: a NACK in the Read Repeated-START reply is a missing chip" "no chip acknowledged its address" qm7140-host --device "hid:04D8:00DD:MC1@0x41" "$work/peek.qmh"
refused "MCP2221: a NACK in the Write No STOP reply is a missing chip" "no chip acknowledged its address" qm7140-host --device "hid:04D8:00DD:MC2@0x41" "$work/peek.qmh"

# hid-mcp2221 loaded: it takes the bridge hid-generic held, and gives an I2C adapter.
kill "$mc2"
modprobe hid-mcp2221
wait_for 10 bound MC1 mcp2221
note "MCP2221 with hid-mcp2221 loaded: bound to $(driver_of MC1), hidraw node '$(hidraw_of MC1)', adapter /dev/i2c-$(adapter_number "MCP2221 usb-i2c bridge")"
mc=$(adapter_number "MCP2221 usb-i2c bridge")
check "MCP2221 under hid-mcp2221: the real i2cset writes through the kernel's driver" i2cset -y "$mc" 0x40 0x06 0x11
expect "MCP2221 under hid-mcp2221: i2cget reads it, through 'not ready' replies" 0x11 i2cget -y "$mc" 0x40 0x06
ways="kernel driver mcp2221, its adapter /dev/i2c-$mc, no hidraw node: use i2c:/dev/i2c-$mc@0x40, or for hid: hand it to hid-generic, as root:"
refused "MCP2221 under hid-mcp2221: hid: names the driver, the adapter and the way out" "bridge 04D8:00DD serial MC1: $ways" \
  qm7140-host --device "hid:04D8:00DD:MC1@0x40" "$work/peek.qmh"
printf 'bridges\n' | qm7140-host - >"$work/bridges.txt" 2>&1
says "bridges: under hid-mcp2221, no node, the adapter to use and the way out for hid:" "$work/bridges.txt" "    $ways"
# The commands it gives, run as they stand, hand the bridge to hid-generic and its node back.
sed -n 's/^        echo /echo /p' "$work/bridges.txt" >"$work/hand-over.sh"
check "MCP2221: the commands bridges gives run" sh -e "$work/hand-over.sh"
wait_for 10 bound MC1 hid-generic
note "MCP2221 handed over: bound to $(driver_of MC1), hidraw node '$(hidraw_of MC1)', ignore_special_drivers $(cat /sys/module/hid/parameters/ignore_special_drivers)"
check "MCP2221 handed over: hid: reads the chip through its node again" qm7140-host --device "hid:04D8:00DD:MC1@0x40" "$work/peek.qmh"

# Unplugged for real: the uhid device destroyed mid-session, then made again.
bridge UP1 cp2112
up=$last_bridge
mkfifo "$work/commands"
qm7140-host --device "hid:10C4:EA90:UP1@0x40" - <"$work/commands" >"$work/session.txt" 2>&1 &
session=$!
exec 3>"$work/commands"
echo "show boost" >&3
wait_for 20 grep -q '^> show boost' "$work/session.txt"
kill "$up"
wait_for 20 unplugged UP1
printf 'click boost EnableBoost\nclick boost EnableBoost\nbus\n' >&3
wait_for 20 grep -q ', offline' "$work/session.txt"
says "unplugged: the write fails, the bridge gone" "$work/session.txt" "the bridge is gone"
says "unplugged: the next write is refused offline" "$work/session.txt" "the bus is offline"
bridge UP1 cp2112
printf 'connect\nclick boost EnableBoost\n' >&3
wait_for 20 grep -q '0x40 reg 0x02 = ' "$work/UP1.log"
says "plugged again: connect works and the write reaches the chip" "$work/session.txt" "connected to hid:10C4:EA90 serial UP1"
echo quit >&3
exec 3>&-
wait "$session"

finish
