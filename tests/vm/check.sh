# What the VMs' test scripts share (busybox sh and dash alike). Each case prints "ok - NAME",
# or "FAIL - NAME" and what it saw; `finish` prints the closing line "N passed, M failed"
# that tests/vm/run.sh reads from the console. Every command a case runs is bounded.
passed=0
failed=0
seen=$(mktemp)

pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL - $1"
  sed 's/^/    /' "$seen"
}

# A program at most a minute; a function of the script as it is (it bounds its own).
bounded() {
  case $(command -v "$1") in
    /*) timeout 60 "$@" ;;
    *) "$@" ;;
  esac
}

# check NAME COMMAND...: the command succeeds.
check() {
  name=$1
  shift
  if bounded "$@" >"$seen" 2>&1; then pass "$name"; else fail "$name"; fi
}

# refused NAME WORDS COMMAND...: the command fails, and says WORDS.
refused() {
  name=$1 words=$2
  shift 2
  if ! bounded "$@" >"$seen" 2>&1 && grep -qF -- "$words" "$seen"; then pass "$name"; else fail "$name"; fi
}

# expect NAME WANT COMMAND...: the command prints WANT and nothing else.
expect() {
  name=$1 want=$2
  shift 2
  bounded "$@" >"$seen" 2>&1
  if [ "$(cat "$seen")" = "$want" ]; then pass "$name"; else echo "    wanted: $want" >>"$seen"; fail "$name"; fi
}

# says NAME FILE WORDS: FILE holds WORDS (a program's transcript, an emulator's log).
says() {
  grep -qF -- "$3" "$2" && { pass "$1"; return; }
  { cat "$2"; echo "wanted a line with: $3"; } >"$seen.said"
  mv "$seen.said" "$seen"
  fail "$1"
}

# wait_for SECONDS COMMAND...: until the command succeeds, at most that long; a wait that
# runs out is a failure of its own.
wait_for() {
  tries=$(($1 * 10))
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || { echo "the wait ran out" >"$seen"; fail "waited for: $*"; return 1; }
    sleep 0.1
  done
}

# A fact the tests found, for the record.
note() { echo "note - $*"; }

finish() {
  echo "$passed passed, $failed failed"
  rm -f "$seen"
}

# The number N of the I2C adapter named NAME (/dev/i2c-N).
adapter_number() {
  for adapter in /sys/bus/i2c/devices/i2c-*; do
    [ "$(cat "$adapter/name" 2>/dev/null)" = "$1" ] && { echo "${adapter##*-}"; return 0; }
  done
  return 1
}

# The hidraw node of the HID device with serial number SERIAL.
hidraw_of() {
  for node in /sys/class/hidraw/hidraw*; do
    grep -qx "HID_UNIQ=$1" "$node/device/uevent" 2>/dev/null && { echo "/dev/${node##*/}"; return 0; }
  done
  return 1
}

# Whether no HID device has serial number SERIAL (any more).
unplugged() { ! grep -qx "HID_UNIQ=$1" /sys/bus/hid/devices/*/uevent 2>/dev/null; }

# The kernel driver bound to the HID device with serial number SERIAL, or "none".
driver_of() {
  for device in /sys/bus/hid/devices/*; do
    grep -qx "HID_UNIQ=$1" "$device/uevent" 2>/dev/null || continue
    [ -e "$device/driver" ] && basename "$(readlink "$device/driver")" || echo none
    return 0
  done
  return 1
}
