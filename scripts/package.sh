#!/usr/bin/env bash
# Builds the Debian package: a Release build with Debian's hardening flags in its own build
# folder (PKG_BUILD_DIR, default build-pkg/), then cpack. Prints the path of the .deb.
# Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${PKG_BUILD_DIR:-build-pkg}
for tool in help2man dpkg-shlibdeps dpkg-buildflags; do
  command -v "$tool" >/dev/null || { echo "package.sh needs $tool (scripts/deps.sh)" >&2; exit 1; }
done
gen=()
[ -f "$build_dir/CMakeCache.txt" ] || gen=(-G Ninja)
# The flags Debian builds its packages with, all hardening on (stack protector, fortify, PIE,
# relro, bindnow).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B "$build_dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DQUEDRAL_BUILD_TESTS=OFF -DQUEDRAL_BUILD_BENCH=OFF "$@"
cmake --build "$build_dir" -j "$(nproc)"
(cd "$build_dir" && cpack -G DEB >/dev/null)
ls "$build_dir"/quedral_*.deb
