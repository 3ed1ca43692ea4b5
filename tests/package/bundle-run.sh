# The 64-bit bundle alone is enough: unpacked into a fresh folder of the
# prefix and started with the system folder as the current one (as the
# system starts a screen saver installed where it lies), its velkor.scr /s
# finds its own game beside it, plays at least one game, ends on a key press
# and leaves the counts in the registry.
# Usage: bundle-run.sh DIST_DIR
source "$KORVANE_HARNESS/harness.sh"
DIST=$1
zip_file=$(ls "$DIST"/korvane-*-win64.zip 2>/dev/null | head -1)
[ -n "$zip_file" ] || fail "no 64-bit bundle in $DIST (run scripts/package first)"
DIR="$WINEPREFIX/drive_c/korvane-bundle-$$"
OUT=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && wine_kill "$pid"; close_games; rm -rf "$DIR" "$OUT"; }
trap cleanup EXIT
mkdir -p "$DIR"
unzip -q "$zip_file" -d "$DIR" || fail "unzip $zip_file"
close_games

KEY='HKCU\Software\VelkorScreenSaver'
reg_delete "$KEY"
reg_set "$KEY" GameMode REG_DWORD 1            # Beginner: quick games
reg_set "$KEY" SwitchToBlankScreen REG_DWORD 0
# The game inherits the saver's environment: its own record of finished games.
record="$OUT/record.txt"
: >"$record"
export VELKOR_RECORD
VELKOR_RECORD=$(winepath -w "$record" 2>/dev/null)
export VELKOR_SEED=4242

# Another folder is the current one: the game is found beside the saver.
pid=$(cd "$WINEPREFIX/drive_c/windows/system32" && wine_start 300 "$DIR/velkor.scr" /s)
wait_window MineSweeper 60 || fail "the bundle's game did not start"
for _ in $(seq 1 1200); do
    [ "$(grep -c result= "$record")" -ge 1 ] && break
    kill -0 "$pid" 2>/dev/null || fail "the saver ended before a game was played"
    sleep 0.1
done
played=$(grep -c result= "$record")
[ "$played" -ge 1 ] || fail "no game was played within 120 s"
screenshot "$OUT/bundle.png" 2>/dev/null

# A key press ends the run, as a user's would, with no focus given by hand:
# Wine gives the X focus to the game in front (its keys reach the saver
# through the hook on the game's thread).
xdotool key space
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the saver did not end on a key press"
wait "$pid" 2>/dev/null
pid=""
won=$(reg_get "$KEY" BeginnerWonGames)
lost=$(reg_get "$KEY" BeginnerLostGames)
counted=$(( ${won:-0} + ${lost:-0} ))
[ "$counted" -ge 1 ] || fail "no game counted in the registry (won=$won lost=$lost, played $played)"
echo "bundle run passed: $played game(s) finished, $counted counted"
