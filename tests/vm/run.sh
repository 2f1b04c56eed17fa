#!/usr/bin/env bash
# The kernel-level tests: Debian 12's own kernel under QEMU, twice. First from an initramfs
# that holds busybox, i2c-tools and the built programs (kernel_tests.sh: i2c-stub, i2c-dev,
# uhid and the kernel's bridge drivers); then booting a Debian 12 root with systemd, in which
# the .deb is installed with apt (systemd_tests.sh). Each VM has a time limit; one that passes
# it, or ends without its closing line, fails naming its stage. The VMs have no network.
# Downloads and images stay in build/vm.
#
# Run as root: tests/vm/run.sh BIN_DIR DEB   (./run vm-tests builds both, installs QEMU & co.)
# QM7140_VM_STAGES=kernel runs the first VM alone (the package is then not needed).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1")
deb=$(realpath "$2")
work=$here/../../build/vm
mkdir -p "$work"
work=$(realpath "$work")

# The modules both VMs load, from the kernel's own package, with what they need.
modules=(
  drivers/hid/hid.ko drivers/hid/uhid.ko drivers/hid/hid-generic.ko drivers/hid/hid-cp2112.ko
  drivers/hid/hid-mcp2221.ko drivers/i2c/i2c-dev.ko drivers/i2c/i2c-stub.ko drivers/misc/eeprom/at24.ko
  drivers/virtio/virtio.ko drivers/virtio/virtio_ring.ko drivers/virtio/virtio_pci.ko
  drivers/virtio/virtio_pci_modern_dev.ko drivers/virtio/virtio_pci_legacy_dev.ko drivers/block/virtio_blk.ko
  fs/ext4/ext4.ko fs/jbd2/jbd2.ko fs/mbcache.ko lib/crc16.ko crypto/crc32c_generic.ko
)

# Debian 12's kernel as users run it: the package linux-image-amd64 points to, unpacked once
# for the modules above.
fetch_kernel() {
  local package
  package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1)
  if [ -z "$package" ]; then
    apt-get update -qq
    package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1)
  fi
  release=${package#linux-image-}
  kernel_dir=$work/$package
  if [ "$(cat "$kernel_dir/.ready" 2>/dev/null)" != "${modules[*]}" ]; then
    echo "== fetching $package"
    rm -rf "$kernel_dir"
    mkdir -p "$kernel_dir"
    (cd "$kernel_dir" && apt-get download -q -o APT::Sandbox::User=root "$package" >/dev/null)
    dpkg-deb --fsys-tarfile "$kernel_dir"/*.deb |
      tar -x -C "$kernel_dir" "./boot/vmlinuz-$release" "${modules[@]/#/./lib/modules/$release/kernel/}" \
        "./lib/modules/$release/modules.order" "./lib/modules/$release/modules.builtin" "./lib/modules/$release/modules.builtin.modinfo"
    rm "$kernel_dir"/*.deb
    echo "${modules[*]}" >"$kernel_dir/.ready"
  fi
  vmlinuz=$kernel_dir/boot/vmlinuz-$release
}

# KVM where a guest boots on it within seconds (on some machines it hangs), else TCG. Under
# TCG the guest's clock counts instructions, so a loaded machine cannot make a bridge miss
# its deadlines; one CPU, as QEMU counts them only so.
choose_accelerator() {
  kvm=false
  [ -w /dev/kvm ] || return 0
  local said
  said=$(timeout 5 qemu-system-x86_64 -accel kvm -cpu host -m 256 -display none -monitor none -serial stdio \
    -no-reboot -nic none -kernel "$vmlinuz" -append "console=ttyS0 panic=-1" </dev/null 2>/dev/null || true)
  [[ $said != *"Linux version"* ]] || kvm=true
}

# An idle guest's clock skips ahead to its next timer, unless it waits for a disk.
accelerator() {  # on|off: whether an idle guest's clock runs on
  if $kvm; then echo "-accel kvm -cpu host -smp 2"; else echo "-accel tcg -icount shift=0,sleep=$1 -smp 1"; fi
}

# Copies programs into the tree under $1 with the shared libraries they load.
copy_programs() {
  local into=$1 program library
  shift
  for program in "$@"; do
    for library in $(ldd "$program" | grep -o '/[^ ]*'); do
      [ -e "$into$library" ] || install -D -m 0755 "$(realpath "$library")" "$into$library"
    done
  done
}

# The initramfs: busybox, the modules with their dependency list, the real i2c-tools, the
# built programs and the tests.
make_initramfs() {
  local tree=$work/initramfs
  rm -rf "$tree"
  mkdir -p "$tree"/{bin,dev,proc,sys,tmp,opt/qm7140,tests,lib/modules/"$release"/kernel}
  cp /bin/busybox "$tree/bin/"
  (cd "$kernel_dir/lib/modules/$release/kernel" && cp --parents "${modules[@]}" "$tree/lib/modules/$release/kernel/")
  busybox depmod -b "$tree" "$release"
  mkdir -p "$tree/usr/sbin"
  cp /usr/sbin/i2cget /usr/sbin/i2cset /usr/sbin/i2cdump /usr/sbin/i2cdetect "$tree/usr/sbin/"
  cp -P "$bin"/qm7140-host "$bin"/qm7140-web "$bin"/libqm7140.so* "$bin"/qm7140-uhid-bridge "$bin"/qm7140-ws-click "$tree/opt/qm7140/"
  rm -f "$tree"/opt/qm7140/*.debug
  copy_programs "$tree" "$tree"/opt/qm7140/qm7140-* "$tree"/opt/qm7140/libqm7140.so "$tree"/usr/sbin/*
  cp "$here/init" "$tree/init"
  cp "$here/check.sh" "$here/kernel_tests.sh" "$tree/tests/"
  (cd "$tree" && find . | busybox cpio -o -H newc 2>/dev/null) >"$work/initramfs.cpio"
}

# The Debian 12 root the systemd stage boots, made once for a set of inputs: systemd, udev,
# i2c-tools, openssl and what the package depends on (apt installs the package itself, in the
# VM), the kernel's modules with their index, and the unit that runs the tests at boot.
make_root() {
  local includes key
  includes=systemd,systemd-sysv,udev,kmod,dbus,i2c-tools,openssl,$(dpkg-deb -f "$deb" Depends | sed 's/ *([^)]*)//g; s/ //g')
  key=$({ echo "$includes $release"; declare -f make_root; cat "$here/qm7140-vm-tests.service"; } | sha256sum | cut -c1-12)
  root_tree=$work/root-$key
  [ -f "$root_tree.ready" ] && return 0
  echo "== making a Debian 12 root with systemd (mmdebstrap)"
  rm -rf "$work"/root-*
  mmdebstrap --quiet --variant=apt --include="$includes" --dpkgopt=force-unsafe-io \
    --customize-hook="mkdir -p \"\$1/lib/modules\" && cp -a '$kernel_dir/lib/modules/$release' \"\$1/lib/modules/\"" \
    --customize-hook="chroot \"\$1\" depmod -a $release" \
    --customize-hook="copy-in '$here/qm7140-vm-tests.service' /etc/systemd/system" \
    --customize-hook='chroot "$1" systemctl --quiet enable qm7140-vm-tests.service' \
    --customize-hook='chroot "$1" systemctl --quiet mask serial-getty@ttyS0.service getty@tty1.service' \
    --customize-hook='echo qm7140-vm >"$1/etc/hostname"' \
    bookworm "$root_tree"
  touch "$root_tree.ready"
}

# Fresh disks for each run: the root, and the tests with the package and a higher version
# of it (the same package, its version raised).
make_disks() {
  local payload=$work/payload version
  rm -rf "$payload" "$work/upgrade" "$work/root.img" "$work/payload.img"
  mkdir -p "$payload/upgrade"
  cp "$deb" "$bin/qm7140-uhid-bridge" "$bin/qm7140-ws-click" "$here/check.sh" "$here/systemd_tests.sh" "$payload/"
  version=$(dpkg-deb -f "$deb" Version)
  dpkg-deb -R "$deb" "$work/upgrade"
  sed -i "s/^Version: .*/Version: $version.1/" "$work/upgrade/DEBIAN/control"
  dpkg-deb --root-owner-group -b "$work/upgrade" "$payload/upgrade/qm7140_${version}.1_amd64.deb" >/dev/null
  mke2fs -q -t ext2 -d "$payload" "$work/payload.img" 64M >/dev/null
  mke2fs -q -t ext4 -d "$root_tree" "$work/root.img" 2G >/dev/null
}

# Boots one VM and reads its console: the cases' lines as they come, then its verdict.
run_vm() {  # stage seconds idle-clock(on|off) kernel-arguments qemu-arguments...
  local stage=$1 limit=$2 append=$4 accelerator
  read -ra accelerator <<<"$(accelerator "$3")"
  shift 4
  local console=$work/$stage-console.txt
  echo "== $stage stage: Debian's kernel $release under QEMU (${accelerator[*]}), at most ${limit}s"
  set +e
  timeout "$limit" qemu-system-x86_64 "${accelerator[@]}" -m 2048 -display none -monitor none -serial stdio \
    -no-reboot -nic none -kernel "$vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 quiet $append" "$@" </dev/null 2>&1 |
    tr -d '\r' | tee "$console" | grep --line-buffered -E '^(ok|FAIL|note) - |^    |^[0-9]+ passed, [0-9]+ failed$'
  local status=${PIPESTATUS[0]}
  set -e
  local closing
  closing=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$console" | tail -1 || true)
  if [ -z "$closing" ]; then
    echo "== $stage stage: the VM $([ "$status" -eq 124 ] && echo "hung (no end within ${limit}s)" || echo "ended (status $status)") before its tests finished; the console's end:"
    tail -n 40 "$console" | sed 's/^/    /'
    return 1
  fi
  [[ $closing == *" 0 failed" ]] || { echo "== $stage stage: $closing"; return 1; }
}

fetch_kernel
choose_accelerator
make_initramfs
failed=0
run_vm kernel 300 off "" || failed=1
[[ " ${QM7140_VM_STAGES:-kernel systemd} " == *" systemd "* ]] || exit "$failed"
make_root
make_disks
run_vm systemd 300 on "qm7140.root=/dev/vda systemd.show_status=0" \
  -drive file="$work/root.img",format=raw,if=virtio -drive file="$work/payload.img",format=raw,if=virtio,readonly=on || failed=1
exit "$failed"
