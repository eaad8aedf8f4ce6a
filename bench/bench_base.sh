#!/usr/bin/env bash
# The cost of feeding the base of days: kestrane-rapport streaming a generated journal into its
# CSV report, then the same journal added to a new SQLite base, one run of each in turn; medians of
# RUNS runs of elapsed time, and the base's size. One line per case:
#   cas=<case> s=<median seconds> ratio=<median / streamed run's median> base_mo=<MB>
# With ANNEE=1: a year, 365 days of 100,000 lines (9 GB of journal, generated in the temporary
# folder), fed once, then the report of the whole year written from the base, RUNS times. When
# PostgreSQL 15's programs are there, the same cases on a server started for the run (initdb and
# pg_ctl in the temporary folder, on a Unix socket; as nobody when run as root).
# Usage: bench/bench_base.sh [build directory] [runs] [lines]
set -eu
CONSTRUCTION=${1:-build}
RUNS=${2:-5}
LIGNES=${3:-1000000}
RAPPORT=$CONSTRUCTION/kestrane-rapport
T=$(mktemp -d)
chmod 755 "$T"  # the PostgreSQL server runs as nobody when this runs as root
PG=/usr/lib/postgresql/15/bin
COMME=""
[ "$(id -u)" = 0 ] && COMME="runuser -u nobody --"
arreter() {
    [ -d "$T/pg/donnees" ] && $COMME "$PG/pg_ctl" -D "$T/pg/donnees" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$T"
}
trap arreter EXIT
# A database on the run's own PostgreSQL server: its address, empty when there is none.
postgres() {
    [ -x "$PG/initdb" ] || return 0
    if [ ! -d "$T/pg" ]; then
        mkdir "$T/pg" && [ -z "$COMME" ] || chown nobody "$T/pg"
        $COMME "$PG/initdb" -D "$T/pg/donnees" -U kestrane --auth=trust -E UTF8 --no-locale -N >/dev/null &&
            $COMME "$PG/pg_ctl" -D "$T/pg/donnees" -l "$T/pg/journal" -w \
                -o "-c listen_addresses='' -k $T/pg -c fsync=off" start >/dev/null || return 0
    fi
    $COMME "$PG/createdb" -h "$T/pg" -U kestrane "$1" && echo "postgresql:///$1?host=$T/pg&user=kestrane"
}
taillePg() {  # the database's size in MB
    $COMME psql -h "$T/pg" -U kestrane -d "$1" -Atc "SELECT pg_database_size('$1') / 1048576" 2>/dev/null || echo "?"
}
"$CONSTRUCTION/bench/generer_journal" "$LIGNES" "$T/j.log" >/dev/null
TIMEFORMAT="%3R"
mediane() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
i=0
while [ "$i" -lt "$RUNS" ]; do
    { time "$RAPPORT" --csv "$T/csv" "$T/j.log" >/dev/null; } 2>>"$T/flux"
    rm -f "$T/b.sqlite" "$T/b.sqlite-wal" "$T/b.sqlite-shm"
    { time "$RAPPORT" --base "$T/b.sqlite" --serveur bench "$T/j.log" >/dev/null; } 2>>"$T/base"
    if adresse=$(postgres "b$i") && [ -n "$adresse" ]; then
        { time "$RAPPORT" --base "$adresse" --serveur bench "$T/j.log" >/dev/null; } 2>>"$T/base-pg"
        mopg=$(taillePg "b$i")
    fi
    i=$((i + 1))
done
flux=$(mediane <"$T/flux")
base=$(mediane <"$T/base")
mo=$(du -cm "$T"/b.sqlite* | tail -1 | cut -f1)
echo "cas=flux-csv s=$flux ratio=1.000 base_mo=0"
awk -v s="$base" -v f="$flux" -v m="$mo" 'BEGIN { printf "cas=ajout-sqlite s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
if [ -s "$T/base-pg" ]; then
    awk -v s="$(mediane <"$T/base-pg")" -v f="$flux" -v m="$mopg" \
        'BEGIN { printf "cas=ajout-postgresql s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
fi

if [ "${ANNEE:-0}" = 1 ]; then
    rm -f "$T/j.log"
    "$CONSTRUCTION/bench/generer_journal" 36500000 "$T/an.log" 20061206 365 >/dev/null
    { time "$RAPPORT" --csv "$T/csv" "$T/an.log" >/dev/null; } 2>"$T/flux-an"
    { time "$RAPPORT" --base "$T/an.sqlite" --serveur bench "$T/an.log" >/dev/null; } 2>"$T/ajout-an"
    if anpg=$(postgres an) && [ -n "$anpg" ]; then
        { time "$RAPPORT" --base "$anpg" --serveur bench "$T/an.log" >/dev/null; } 2>"$T/ajout-an-pg"
    fi
    rm -f "$T/an.log"
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        { time "$RAPPORT" --base "$T/an.sqlite" --csv "$T/csv-an" >/dev/null; } 2>>"$T/rapport-an"
        i=$((i + 1))
    done
    mo=$(du -cm "$T"/an.sqlite* | tail -1 | cut -f1)
    fa=$(cat "$T/flux-an")
    awk -v s="$(cat "$T/ajout-an")" -v f="$fa" -v m="$mo" \
        'BEGIN { printf "cas=ajout-annee-sqlite s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
    echo "cas=rapport-annee-sqlite s=$(mediane <"$T/rapport-an") ratio=- base_mo=$mo"
    if [ -s "$T/ajout-an-pg" ]; then
        i=0
        while [ "$i" -lt "$RUNS" ]; do
            { time "$RAPPORT" --base "$anpg" --csv "$T/csv-an-pg" >/dev/null; } 2>>"$T/rapport-an-pg"
            i=$((i + 1))
        done
        mopg=$(taillePg an)
        awk -v s="$(cat "$T/ajout-an-pg")" -v f="$fa" -v m="$mopg" \
            'BEGIN { printf "cas=ajout-annee-postgresql s=%s ratio=%.3f base_mo=%s\n", s, s / f, m }'
        echo "cas=rapport-annee-postgresql s=$(mediane <"$T/rapport-an-pg") ratio=- base_mo=$mopg"
    fi
fi
