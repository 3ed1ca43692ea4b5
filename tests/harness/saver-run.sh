# Sourced by host scripts that run velkor.scr /s (tests and the soak bench):
# the Wine processes of a run and its counts. Needs WINEPREFIX.

SAVER_KEY='HKCU\Software\VelkorScreenSaver'

# wine_pid PATTERN: the Unix process of a Wine program of this prefix whose
# command line matches (other runs may share the machine; the wrapper
# processes of the start carry the name in their command lines too).
wine_pid() {
    local p
    for p in $(pgrep -f "$1"); do
        case "$(cat "/proc/$p/comm" 2>/dev/null)" in timeout|bash|wine|start.exe) continue ;; esac
        { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return; }
    done
}

# record_counts FILE [N]: won and lost per level in registry order from the
# game's record of finished games (its first N lines; all by default).
record_counts() {
    head -n "${2:-999999999}" "$1" | awk '
        { l = /width=9 height=9 mines=10/ ? 0 : /width=16 height=16 mines=40/ ? 1 : /width=30 height=16 mines=99/ ? 2 : -1
          if (l >= 0) c[2 * l + (/result=won/ ? 0 : 1)]++ }
        END { for (i = 0; i < 6; i++) printf "%s%d", (i ? " " : ""), c[i] + 0; print "" }'
}

# registry_counts: the six counters in one query (absent ones read 0). A
# query that fails or shows no value (seen now and then under load) is
# tried again.
registry_counts() {
    local out i
    for i in 1 2 3 4 5 6 7 8 9 10; do
        out=$(wine reg query "$SAVER_KEY" 2>/dev/null) && [[ $out == *REG_* ]] && break
        sleep 0.2
    done
    echo "$out" | tr -d '\r' | awk '
        # REG_DWORD shown as 0x...; mawk has no strtonum.
        $2 == "REG_DWORD" { h = tolower(substr($3, 3)); x = 0
                            for (i = 1; i <= length(h); i++) x = x * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1
                            v[$1] = x }
        END { n = split("BeginnerWonGames BeginnerLostGames IntermediateWonGames IntermediateLostGames ExpertWonGames ExpertLostGames", k, " ")
              for (i = 1; i <= n; i++) printf "%s%d", (i > 1 ? " " : ""), v[k[i]] + 0; print "" }'
}

# set_counters A B C D E F: all six at once (one import, so that a merge
# meanwhile sees them all old or all new but for a moment).
set_counters() {
    local names=(BeginnerWonGames BeginnerLostGames IntermediateWonGames IntermediateLostGames ExpertWonGames ExpertLostGames)
    local i file
    file=$(mktemp --suffix=.reg)
    { printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VelkorScreenSaver]\r\n'
      for i in 0 1 2 3 4 5; do printf '"%s"=dword:%08x\r\n' "${names[$i]}" "${@:$((i + 1)):1}"; done; } >"$file"
    wine reg import "$(winepath -w "$file")" >/dev/null 2>&1
    rm -f "$file"
}

# Six counts are written "A B C D E F" (single spaces).
# add_counts X Y: the element-wise sum; total X: their sum.
add_counts() { echo "$1 $2" | awk '{ for (i = 1; i <= 6; i++) printf "%s%d", (i > 1 ? " " : ""), $i + $(i + 6); print "" }'; }
total() { echo "$1" | awk '{ s = 0; for (i = 1; i <= NF; i++) s += $i; print s }'; }
