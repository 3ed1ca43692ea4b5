#!/bin/bash
# Runs the player test of a game larger than the desktop inside a Wine
# virtual desktop a little smaller than the Expert game (506 x 363 here), so
# that the window overhangs while its board stays readable. A skipped test
# (the game fits) fails here too.
#
# The virtual desktop outlives its programs: the harness gives each test a
# prefix of its own, which goes with the test.
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
timeout -k 5 300 wine explorer /desktop=korvane-small,502x359 "$KORVANE_BIN/tests/player/player_tests.exe" \
    --gtest_filter='*LargerThan*' "--gtest_output=xml:Z:${out//\//\\}\\result.xml" </dev/null || true
cat "$out/result.xml" 2>/dev/null || { echo "no test result" >&2; exit 1; }
grep -q 'tests="1" failures="0" disabled="0" skipped="0" errors="0"' "$out/result.xml"
