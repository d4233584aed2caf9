#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: configure_test.sh CMAKE SOURCE_DIR CXX
#
# Configures the source tree as a machine without GoogleTest would
# (CMAKE_DISABLE_FIND_PACKAGE_GTest), in temporary build directories:
#   - with BUILD_TESTING=OFF the configuration succeeds, and the install puts
#     the program where CMAKE_INSTALL_BINDIR says;
#   - with the tests on it stops with one message that names the Debian
#     package to install, libgtest-dev.
set -eu
cmake=$1
source=$2
cxx=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

if ! "$cmake" -S "$source" -B "$scratch/off" -DCMAKE_CXX_COMPILER="$cxx" \
        -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
        -DCMAKE_INSTALL_BINDIR=games > "$scratch/off.log" 2>&1; then
    cat "$scratch/off.log"
    echo "FAIL: without GoogleTest, the configuration with BUILD_TESTING=OFF did not succeed"
    status=1
elif ! grep -q '/games"' "$scratch/off/cmake_install.cmake"; then
    echo "FAIL: the program is not installed in CMAKE_INSTALL_BINDIR (games)"
    status=1
else
    echo "ok: BUILD_TESTING=OFF configures without GoogleTest"
fi

if "$cmake" -S "$source" -B "$scratch/on" -DCMAKE_CXX_COMPILER="$cxx" \
        -DBUILD_TESTING=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON > "$scratch/on.log" 2>&1; then
    echo "FAIL: without GoogleTest, the configuration with the tests on succeeded"
    status=1
elif ! grep -q 'apt-get install libgtest-dev' "$scratch/on.log"; then
    cat "$scratch/on.log"
    echo "FAIL: without GoogleTest, the message does not name libgtest-dev"
    status=1
else
    echo "ok: with the tests on and no GoogleTest, the configuration stops with:"
    sed -n '/CMake Error/,/Configuring incomplete/p' "$scratch/on.log"
fi
exit $status
