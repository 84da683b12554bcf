#!/usr/bin/env bash
# Checks the Debian package end to end (slow; not part of the test suite or .ci/run):
#   1. builds it (scripts/package.sh) unless DEB=path/to/quedral_*.deb is given,
#   2. runs lintian on it,
#   3. debootstraps a fresh Debian 12 into CHROOT (default /tmp/quedral-chroot; MIRROR, default
#      http://deb.debian.org/debian), installs the package there with apt (which pulls in its
#      dependencies), runs quedral-cli as an ordinary user against the simulated meter,
#   4. purges the package and checks that none of its files is left.
# Needs root (debootstrap, chroot), debootstrap and lintian. Prints a transcript; exits non-zero
# on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
chroot_dir=${CHROOT:-/tmp/quedral-chroot}
mirror=${MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "package-check.sh needs root (debootstrap, chroot)" >&2; exit 1; }
for tool in debootstrap lintian; do
  command -v "$tool" >/dev/null || { echo "package-check.sh needs $tool (scripts/deps.sh)" >&2; exit 1; }
done

step() { printf '\n=== %s\n' "$*"; }

deb=${DEB:-}
if [ -z "$deb" ]; then
  step "build"
  deb=$(scripts/package.sh | tail -1)
fi
deb=$(realpath "$deb")
step "package $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Installed-Size
dpkg-deb --contents "$deb"

step "lintian"
# Tags kept on purpose are explained in packaging/README.md; an error fails the check.
lintian --display-level ">=info" "$deb" || { echo "lintian reports errors" >&2; exit 1; }

step "fresh Debian 12 in $chroot_dir"
umount_all() {
  for m in proc dev/pts dev; do mountpoint -q "$chroot_dir/$m" && umount "$chroot_dir/$m" || true; done
}
trap umount_all EXIT
umount_all
rm -rf "$chroot_dir"
debootstrap --variant=minbase bookworm "$chroot_dir" "$mirror" >/dev/null
mount -t proc proc "$chroot_dir/proc"
mount --bind /dev "$chroot_dir/dev"
mount --bind /dev/pts "$chroot_dir/dev/pts"
in_chroot() { chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
# The system's own files, without the folders apt, the logs and the user change.
snapshot() {
  (cd "$chroot_dir" && find usr etc opt srv var -xdev \
     \( -path var/lib/dpkg -o -path var/lib/apt -o -path var/cache -o -path var/log -o -path var/tmp \) -prune -o -print) \
    | sort
}

# The user who runs the programs below; made first, so that its entries in /etc are not ours.
in_chroot useradd --create-home tester

step "apt install ./$(basename "$deb")"
cp "$deb" "$chroot_dir/tmp/"
in_chroot apt-get update -qq
in_chroot env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends "/tmp/$(basename "$deb")" \
  | tail -n 3
rm "$chroot_dir/tmp/$(basename "$deb")"
in_chroot dpkg -s quedral | grep -E '^(Status|Version)'
snapshot > "$chroot_dir.installed"

step "run as an ordinary user"
in_chroot su tester -c 'quedral-cli --version'
in_chroot su tester -c 'quedral-cli --simulate list'
in_chroot su tester -c 'QT_QPA_PLATFORM=offscreen quedral --version'
in_chroot man -w quedral quedral-cli 2>/dev/null || in_chroot ls /usr/share/man/man1/quedral.1.gz /usr/share/man/man1/quedral-cli.1.gz

step "apt purge quedral"
in_chroot env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o Dpkg::Use-Pty=0 quedral | tail -n 3
if in_chroot dpkg -s quedral >/dev/null 2>&1; then
  echo "quedral is still installed" >&2
  exit 1
fi
# Every file of the package is gone; a folder of it may stay only when another package owns it.
left=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^/$' \
       | while read -r f; do
           [ -e "$chroot_dir$f" ] || continue
           [ -d "$chroot_dir$f" ] && in_chroot dpkg-query -S "$f" >/dev/null 2>&1 && continue
           echo "$f"
         done)
# ... and running the programs left nothing in the system's folders either.
made=$(snapshot | comm -13 "$chroot_dir.installed" -)
if [ -n "$left$made" ]; then
  echo "left behind after purge:" >&2
  printf '%s\n' $left $made >&2
  exit 1
fi
echo "nothing of the package is left"
rm -f "$chroot_dir.installed"
step "package check passed"
