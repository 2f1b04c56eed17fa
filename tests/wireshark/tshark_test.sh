#!/bin/sh
# tshark reads a capture our log writer saved: each packet's address, read flag and bytes;
# with the dissector, the register, the value and each field's name.
# Usage: tshark_test.sh CAPTURE_SAMPLE DISSECTOR.lua
set -eu
sample=$1 dissector=$2
command -v tshark >/dev/null || { echo "tshark is missing (apt-get install tshark)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A clean home: no personal plugin or preference of the user's changes what tshark shows.
export HOME="$work" XDG_CONFIG_HOME="$work/config"
"$sample" "$work/log.pcap"
failed=0
same() {
  if [ "$2" != "$3" ]; then
    printf '%s: expected\n%s\ngot\n%s\n' "$1" "$2" "$3" >&2
    failed=1
  fi
}

# Each message's bytes after the pseudo-header: the address byte (its read bit last), then
# the register and value of a write, or the byte read.
same "the I2C messages" "$(printf '%s\n' \
  '3	0x40	0x00000000	800e57' \
  '3	0x40	0x00000000	800264' \
  '3	0x40	0x00000000	800b' \
  '3	0x40	0x00000001	81b1' \
  '3	0x40	0x00000000	800001' \
  '3	0x41	0x00000000	820e07' \
  '3	0x40	0x00000000	800f' \
  '3	0x40	0x00000001	81')" \
  "$(tshark -r "$work/log.pcap" -T fields -e i2c.bus -e i2c.addr -e i2c.flags -e data.data 2>/dev/null)"

# A read's byte at the transfer's end, 0.4 ms after its start.
same "the times" "$(printf '%s\n' 0.000000000 0.010000000 0.020000000 0.020400000 0.030000000 0.040000000 0.050000000 0.050400000)" \
  "$(tshark -r "$work/log.pcap" -T fields -e frame.time_relative 2>/dev/null)"

# Named: the chip's writes and reads, a register no control writes; not the chip at 0x41,
# nor a failed read's missing byte.
same "the dissector's names" "$(printf '%s\n' \
  '0x0e	0x57	Limiter / AGC: Hysteresis = 1,Limiter / AGC: Lim Mode = 0,Limiter / AGC: APTVBAT = 2,Limiter / AGC: Attack Time = 7' \
  '0x02	0x64	Limiter / AGC: Enable = 1,BoostForm: Enable Boost = 1,BoostForm: Enable APT = 1' \
  '0x0b		' \
  '0x0b	0xb1	Limiter / AGC: Inflection Point = 177' \
  '0x00	0x01	no control writes it' \
  '		' \
  '0x0f		' \
  '0x0f		')" \
  "$(tshark -X lua_script:"$dissector" -r "$work/log.pcap" -T fields -e qm7140.reg -e qm7140.value -e qm7140.field 2>/dev/null)"
exit $failed
