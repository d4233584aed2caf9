#!/bin/sh
# Usage: package_test.sh CPACK BUILD_DIR
#
# Builds the Debian package of the build with `cpack -G DEB` into a temporary
# directory and checks that it installs exactly /usr/bin/qmsop, the
# compressed manual page and the trace's JSON Schema, and that its control
# data names the package and its
# library dependencies. Exits 77 (skipped) without dpkg-deb.
set -eu
cpack=$1
build=$2

if ! command -v dpkg-deb > /dev/null 2>&1; then
    echo "dpkg-deb is not installed: skipped"
    exit 77
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if ! (cd "$out" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out") \
    > "$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    echo "FAIL: cpack -G DEB did not succeed"
    exit 1
fi
set -- "$out"/qmsop_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "FAIL: expected one qmsop_*.deb in the output, found: $*"
    exit 1
fi
deb=$1

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort)
expected="./usr/bin/qmsop
./usr/share/man/man1/qmsop.1.gz
./usr/share/qmsop/qmsop-trace.schema.json"
if [ "$files" != "$expected" ]; then
    echo "FAIL: package contents differ"
    echo "expected:"
    echo "$expected"
    echo "in the package:"
    echo "$files"
    exit 1
fi

status=0
package=$(dpkg-deb -f "$deb" Package)
depends=$(dpkg-deb -f "$deb" Depends)
[ "$package" = qmsop ] || { echo "FAIL: Package is '$package'"; status=1; }
case $depends in
    *libc6*) ;;
    *) echo "FAIL: Depends does not name libc6: '$depends'"; status=1 ;;
esac

# The packaged program runs: unpack it and give it the README's example.
mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
result=$(echo 'f(a,b,c) = m(1,3,5,7) + d(0)' | "$out/root/usr/bin/qmsop" | tail -n 2)
[ "$result" = "f(a,b,c) = c" ] || { echo "FAIL: the packaged qmsop printed '$result'"; status=1; }
exit $status
