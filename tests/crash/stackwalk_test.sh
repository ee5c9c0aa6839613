#!/usr/bin/env bash
# A minidump of the crash handler read by a reader of its own: Breakpad's minidump_stackwalk,
# prebuilt for Linux x64 in the npm package "minidump". Installed once into the build folder;
# the test is skipped (exit 77) when it cannot be had.
#
#   stackwalk_test.sh SOURCE_DIR BUILD_DIR CRASH_SCENARIOS_EXE CPU   (CPU as the reader names it: x86, amd64)
set -euo pipefail
source_dir=$1 build=$2 program=$3 cpu=$4

skip() { echo "skipped: $*"; exit 77; }

tools="$build/npm-minidump"
stackwalk="$tools/node_modules/minidump/bin/linux-x64/minidump_stackwalk"
if [ ! -x "$stackwalk" ]; then
  [ "$(uname -s -m)" = "Linux x86_64" ] || skip "the package has no reader for $(uname -s -m)"
  command -v npm >/dev/null || skip "npm is not installed"
  # The package's install script would build Breakpad from source; the prebuilt reader is enough.
  npm install --prefix "$tools" --ignore-scripts --no-save --no-audit --no-fund minidump@0.26.0 ||
    skip "npm could not download minidump@0.26.0"
  [ -x "$stackwalk" ] || skip "minidump@0.26.0 has no $stackwalk"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine's drive Z: is the Linux root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

status=0
timeout 120 "$source_dir/scripts/wine-run" "$build" "$program" access_violation \
  "$(windows_path "$work/exception.txt")" "$(windows_path "$work/exception.dmp")" >"$work/printed" 2>&1 || status=$?
if [ "$status" -ne 5 ]; then
  echo "the scenario ended with $status, not with an access violation (5)"; cat "$work/printed"; exit 1
fi
[ -s "$work/exception.dmp" ] || { echo "no minidump written"; exit 1; }

"$stackwalk" "$work/exception.dmp" >"$work/stack" 2>"$work/stackwalk.log" ||
  { echo "minidump_stackwalk could not read the dump"; tail -n 20 "$work/stackwalk.log"; exit 1; }
cat "$work/stack"

failed=0
expect() {
  grep -Eq "$1" "$work/stack" || { echo "FAILED: no line matching: $1"; failed=1; }
}
expect "^CPU: $cpu\$"
expect '^Crash reason: +EXCEPTION_ACCESS_VIOLATION_WRITE$'
expect '^Crash address: 0x0$'
# The first frame of the crashed thread is in the scenario program.
frame=$(awk '/\(crashed\)$/ { getline; print; exit }' "$work/stack")
[[ "$frame" =~ ^\ 0\ +crash_scenarios\.exe ]] || { echo "FAILED: crashed thread's first frame: '$frame'"; failed=1; }
exit "$failed"
