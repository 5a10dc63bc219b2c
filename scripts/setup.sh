#!/usr/bin/env bash
# Installs what building and testing vokira needs on a fresh Debian 12 machine.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build make g++ clang llvm libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine64 wine32:i386 xvfb x11-utils locales zip unzip python3 python3-pefile
  clang-format clang-tidy cppcheck
  imagemagick fonts-ipafont-gothic fonts-ipafont-mincho
)

# 32-bit Wine runs the i686 release binaries; its packages are i386 ones.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine under ja_JP.UTF-8 behaves like a Japanese Windows (code page 932).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# A kernel without 32-bit support (ia32_emulation off) refuses the i686
# programs, 32-bit Wine's own loader first. qemu's user-mode emulator then runs
# them, registered with the kernel's binfmt_misc for i386 programs; Wine and
# the Windows programs are the same binaries either way, only the processor is
# emulated. Bookworm's qemu 7.2 turns Wine's MAP_FIXED_NOREPLACE address
# reservations into a search that costs a minute a process; the backports'
# qemu 10 does not.
status=0
/usr/lib/wine/wine --version >/dev/null 2>&1 || status=$?
if [ "$status" -eq 126 ]; then  # the kernel cannot execute it
  # Without it the i686 tests are reported as not run: no reason to stop.
  bash "$(dirname "$0")/setup-i686-emulation.sh" ||
    echo "setup: qemu-i386 could not be set up; i686 programs will not run here" >&2
fi
