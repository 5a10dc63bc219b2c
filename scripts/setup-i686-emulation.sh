#!/usr/bin/env bash
# Lets a machine whose kernel refuses 32-bit programs run them under qemu's
# user-mode i386 emulator: installs qemu-user from bookworm-backports (statically
# linked, nothing else comes with it) and registers it with binfmt_misc for
# i386 ELF programs. The registration lasts until the machine restarts;
# running this again is cheap.
set -euo pipefail
qemu=/usr/bin/qemu-i386
entry=/proc/sys/fs/binfmt_misc/qemu-i386

if ! "$qemu" --version 2>/dev/null | grep -qE 'version (9|[1-9][0-9])\.'; then
  sources=/etc/apt/sources.list.d/bookworm-backports.sources
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
    cat >"$sources" <<'SOURCES'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
fi

[ -d /proc/sys/fs/binfmt_misc ] || { echo "setup: this kernel has no binfmt_misc: i686 programs cannot run" >&2; exit 0; }
[ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# Another registration for i386 programs (an older qemu's, say) goes first.
for old in /proc/sys/fs/binfmt_misc/*; do
  [ -f "$old" ] && grep -qx 'magic 7f454c4601010100000000000000000002000300' "$old" 2>/dev/null || continue
  grep -qx "interpreter $qemu" "$old" && continue
  echo -1 >"$old"
done
if [ ! -e "$entry" ]; then
  # i386 ELF executables and shared objects; F opens the emulator now, so it
  # serves programs in any mount namespace.
  printf '%s' ":qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" \
    >/proc/sys/fs/binfmt_misc/register
fi
