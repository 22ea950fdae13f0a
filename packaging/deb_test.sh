#!/usr/bin/env bash
# Checks the Debian package made by cpack -G DEB: its name, its control
# fields (dpkg-deb --info), its files (dpkg-deb --contents), that the program
# and the man page work from the unpacked files, and lintian's verdict.
#
# Usage: packaging/deb_test.sh DEB VERSION
#
# Run from the top of the source tree. Prints one line per failed check and
# "N passed, N failed"; the exit status is 1 when a check failed.
set -uo pipefail

deb=${1:?usage: deb_test.sh DEB VERSION}
version=${2:?usage: deb_test.sh DEB VERSION}

# shellcheck source=tests/checks.bash
source "$(dirname "$0")/../tests/checks.bash"

arch=$(dpkg --print-architecture)
check "the package is $(basename "$deb"), not quillfen_${version}_$arch.deb" \
  test "$(basename "$deb")" = "quillfen_${version}_$arch.deb"

# ---- Control fields -------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
check "Package is not quillfen" test "$(field Package)" = quillfen
check "Version is not $version" test "$(field Version)" = "$version"
check "Architecture is not $arch" test "$(field Architecture)" = "$arch"
check "Maintainer is not 'Name <address>'" grep -qE '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' <<<"$(field Maintainer)"
check "Description has no summary and long text" test "$(field Description | wc -l)" -gt 2
check "Section is missing" test -n "$(field Section)"
check "there is a Homepage field" test -z "$(field Homepage)"
# From dpkg-shlibdeps: the C and C++ runtimes and ICU, which the program links.
depends=$(field Depends)
for library in libc6 libstdc++6 libicu; do
  check "Depends lacks $library: $depends" grep -q "$library" <<<"$depends"
done
check "dpkg-deb --info fails" dpkg-deb --info "$deb" >/dev/null

# ---- Files ------------------------------------------------------------------------
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
for file in /usr/bin/quillfen \
  /usr/bin/quillfen-synth \
  /usr/share/man/man1/quillfen.1.gz \
  /usr/share/man/man1/quillfen-synth.1.gz \
  /usr/share/bash-completion/completions/quillfen \
  /usr/share/bash-completion/completions/quillfen-synth \
  /usr/share/zsh/vendor-completions/_quillfen \
  /usr/share/zsh/vendor-completions/_quillfen-synth \
  /usr/share/doc/quillfen/copyright \
  /usr/share/doc/quillfen/changelog.gz \
  /usr/share/doc/quillfen/README.md \
  /usr/share/doc/quillfen/LICENSE \
  /usr/share/doc/quillfen/CHANGELOG.md \
  /usr/include/quillfen/dcf77/dcf77_decoder.hpp \
  /usr/include/quillfen/msf/msf_decoder.hpp \
  /usr/include/quillfen/datetime/date_time_record.hpp \
  /usr/lib/libquillfen_dcf77.a \
  /usr/lib/cmake/quillfen/quillfenConfig.cmake \
  /usr/lib/pkgconfig/quillfen.pc; do
  check "the package lacks $file" grep -qxF "$file" <<<"$contents"
done
outside=$(grep -v '^/usr/' <<<"$contents")
check "files outside /usr: $outside" test -z "$outside"

# ---- The unpacked files work --------------------------------------------------
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"
check "the packaged quillfen -V does not print 'quillfen $version'" \
  test "$("$root/usr/bin/quillfen" -V)" = "quillfen $version"
check "man -l cannot render the packaged page" \
  grep -q '^NAME' <(MANWIDTH=80 man -l "$root/usr/share/man/man1/quillfen.1.gz" 2>/dev/null | col -bx)
check "the packaged binary is not stripped" \
  sh -c "! file '$root/usr/bin/quillfen' | grep -q 'not stripped'"
# The CMake package finds its files from where it lies, unpacked too.
check "the consumer project does not build against the packaged libraries" \
  sh -c "cmake -S tests/consumer -B '$root/consumer' -G Ninja -DCMAKE_PREFIX_PATH='$root/usr' >/dev/null &&
    cmake --build '$root/consumer' >/dev/null"
check "the consumer built against the package fails" "$root/consumer/quillfen_consumer"

# ---- lintian ----------------------------------------------------------------------
# The libraries go to lib/, as GNUInstallDirs gives for the default prefix
# /usr/local, not to Debian's multiarch lib/<triplet>/; lintian warns that
# the .pc file there cannot serve cross builds, and that is accepted.
if command -v lintian >/dev/null; then
  verdict=$(lintian --fail-on error,warning \
    --suppress-tags pkg-config-unavailable-for-cross-compilation "$deb" 2>&1)
  status=$?
  verdict=$(grep -v 'running with root privileges' <<<"$verdict")
  check "lintian: $verdict" test "$status" -eq 0
fi

checks_summary deb
