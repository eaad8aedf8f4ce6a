#!/usr/bin/env bash
# The command line keeping a live report: `kestrane-rapport --suivre --intervalle 10 --rapport` on
# a generated journal (SUIVI_DEPART lines, 1M by default) that then grows by 5,000 generated lines
# a second, appended ten times a second in writes of 4 KiB (lines cut anywhere), for N seconds.
# Once its first report is written, the follower's CPU time (utime + stime of /proc/PID/stat,
# every thread) is taken over the growth and a few seconds after, as a share of one core, and its
# resident memory sampled every second (the most); each report rewrite's milliseconds are noted
# by the program itself when KESTRANE_DUREES_SUIVI names a file (the first report, made by the
# first read, left out). One line:
#   cas=suivi-cli maj_ms_p95=<ms> peinture_ms_max=- cpu_pct=<% of one core> rss_mo=<MiB>
# and on standard error the resident memory when the growth began and at its end, and the
# rewrites counted. Target: at most 10 % of one core, memory bounded (not growing with the lines).
# Usage: bench/bench_suivi.sh [build directory] [seconds]
set -eu
CONSTRUCTION=${1:-build}
SECONDES=${2:-60}
GENERER=$CONSTRUCTION/bench/generer_journal
RAPPORT=$CONSTRUCTION/kestrane-rapport
PAR_SECONDE=5000
PAR_ECRITURE=$((PAR_SECONDE / 10))
DEPART=${SUIVI_DEPART:-1000000}
T=$(mktemp -d)
suivi=
trap '[ -n "$suivi" ] && kill "$suivi" 2>/dev/null; rm -rf "$T"' EXIT

"$GENERER" "$DEPART" "$T/access.log" >/dev/null
# The lines to come, of another seed (SUIVI_GRAINE; the start's own, 20061206, brings no new key),
# cut into the pieces of each write.
"$GENERER" $((PAR_SECONDE * SECONDES)) "$T/nouvelles.log" "${SUIVI_GRAINE:-2}" >/dev/null
split -l "$PAR_ECRITURE" -a 6 "$T/nouvelles.log" "$T/morceau."
rm "$T/nouvelles.log"

KESTRANE_DUREES_SUIVI=$T/durees "$RAPPORT" --suivre --intervalle 10 --rapport "$T/r.html" \
    "$T/access.log" >/dev/null 2>"$T/erreurs" &
suivi=$!
until [ -s "$T/r.html" ]; do
    kill -0 "$suivi" 2>/dev/null || { cat "$T/erreurs" >&2; exit 1; }
    sleep 0.1
done

tic=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$suivi/stat"; }
rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$suivi/status"; }
rss_max=$(rss)
rss_depart=$rss_max
cpu_depart=$(cpu)
debut=$EPOCHREALTIME
i=0
for m in "$T"/morceau.*; do
    dd if="$m" bs=4096 status=none >>"$T/access.log"
    i=$((i + 1))
    if [ $((i % 10)) = 0 ]; then
        r=$(rss)
        [ "$r" -gt "$rss_max" ] && rss_max=$r
    fi
    attente=$(awk -v d="$debut" -v i="$i" -v n="$EPOCHREALTIME" \
        'BEGIN { a = d + i / 10 - n; printf "%.3f", (a > 0 ? a : 0) }')
    sleep "$attente"
done
rss_fin=$(rss)
# The rewrite of the last lines comes within the interval.
sleep 11
r=$(rss)
[ "$r" -gt "$rss_max" ] && rss_max=$r
cpu_fin=$(cpu)
fin=$EPOCHREALTIME
kill -TERM "$suivi"
wait "$suivi" || { echo "le suivi a échoué" >&2; cat "$T/erreurs" >&2; exit 1; }
suivi=

maj=$(tail -n +2 "$T/durees" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "-"; exit }
    k = int(0.95 * NR + 0.999999); if (k < 1) k = 1; printf "%.0f", v[k] }')
echo "rss de départ ${rss_depart} Kio, à la fin des ajouts ${rss_fin} Kio; $(($(wc -l <"$T/durees") - 1)) réécritures" >&2
awk -v c0="$cpu_depart" -v c1="$cpu_fin" -v t="$tic" -v d="$debut" -v f="$fin" -v m="$maj" \
    -v k="$rss_max" 'BEGIN {
        printf "cas=suivi-cli maj_ms_p95=%s peinture_ms_max=- cpu_pct=%.1f rss_mo=%.0f\n", m,
            100 * (c1 - c0) / t / (f - d), k / 1024 }'
