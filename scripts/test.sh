#!/usr/bin/env bash
# Runs every test of Velmora: installs what is missing, builds both Windows builds and runs their unit
# tests under Wine, builds the native unit tests, then runs the unit, package and end-to-end tests (Wine
# on a private Xvfb), the sanitizer build, the Linux build's end-to-end tests, once as built and once under
# the sanitizers, and beside those a bounded fuzz run. With VELMORA_REBUILD_COMPARE=1 it ends by comparing the release
# files it built with a rebuild in another folder (about a minute more: past the 10-minute budget with the rest).
set -uo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
failed=()
step() {  # step NAME COMMAND...: runs a step, remembers a failure, goes on with the rest
  local name=$1; shift
  echo "== $name"
  if ! "$@"; then failed+=("$name"); fi
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)"; }

bash scripts/setup.sh || exit 1
[ -f scripts/setup-linux.sh ] && { bash scripts/setup-linux.sh || exit 1; }

# Every C++ source follows the project's .clang-format.
format_check() { git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; }
step "format" format_check
step "build win32" build win32
step "build win64" build win64
step "package win32" cmake --build --preset win32 --target package
step "package win64" cmake --build --preset win64 --target package
# The unit suite as each zip's exe is built (its compiler, -Os, static) under the Wine loader of its
# architecture; the 32-bit run is skipped only where the kernel runs no 32-bit code.
wine_unit() {
  if [ "$1" = win32 ] && [[ $(/usr/lib/wine/wine --version 2>&1) == *"Exec format error"* ]]; then
    echo "skipped: this kernel runs no 32-bit code"
    return 0
  fi
  ctest --preset "$1"
}
step "unit tests, win32 build under Wine" wine_unit win32
step "unit tests, win64 build under Wine" wine_unit win64
step "build host" build host
step "unit, package and end-to-end tests" ctest --preset host
step "sanitizers" bash -c 'cmake --preset host-asan >/dev/null && cmake --build --preset host-asan -j "$(nproc)" && ctest --preset host-asan'
step "build linux" build linux
step "build linux-asan" build linux-asan
step "build fuzz" bash -c 'cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)" --target command_line_fuzz'
# The Linux end-to-end tests mostly wait on their sessions: the nested GNOME ones run beside the X11 ones and,
# after those, beside the X11 ones under the sanitizers; the bounded fuzz run, which keeps one core busy, runs
# beside them too. Each background run's output is shown when it is waited for.
background() {  # background NAME COMMAND...: starts a step; `waited NAME` ends it
  "${@:2}" >"build/$1.log" 2>&1 &
  eval "pid_$1=$!"
}
waited() { local pid="pid_$1"; wait "${!pid}"; local status=$?; cat "build/$1.log"; return "$status"; }
fuzz_seconds=${VELMORA_FUZZ_SECONDS:-60}
background fuzz bash tests/fuzz/run_fuzz.sh "$fuzz_seconds"
background gnome ctest --test-dir build/linux -R '^gnome$' --output-on-failure
step "linux end-to-end" ctest --test-dir build/linux -R '^linux$' --output-on-failure
step "linux end-to-end under sanitizers" ctest --preset linux-asan
step "linux end-to-end on GNOME" waited gnome
step "fuzz" waited fuzz
# The release files as built above, against a rebuild of the same tree in a second folder: byte for byte.
[ "${VELMORA_REBUILD_COMPARE:-0}" = 1 ] && step "rebuild and compare" bash scripts/rebuild-compare.sh --build

echo "== all tests took $(( $(date +%s) - start )) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all test steps passed"
