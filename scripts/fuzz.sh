#!/usr/bin/env bash
# Builds the fuzzing targets (clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer), replays the inputs kept in fuzz/regressions/, then runs each target
# for [seconds] (30 by default) from seeds cut out of the bundled sample. Prints the executions
# reached per target; exits non-zero on any fault, whose input is left in build-fuzz/artefacts/.
# A unit that runs longer than one second is a fault too (libFuzzer's -timeout=1): no input of
# 4 KB should cost that, whatever it holds.
set -euo pipefail
cd "$(dirname "$0")/.."
secondes="${1:-30}"
. scripts/installer.sh
installer_paquets

cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 > /dev/null
cmake --build build-fuzz

graines=build-fuzz/graines
rm -rf "$graines"
cibles="journal ligne analyse formats complements export"
for cible in $cibles; do mkdir -p "$graines/$cible"; done
mkdir -p build-fuzz/artefacts build-fuzz/corpus
echantillon="samples/acces-5000.log"
head -n 300 "$echantillon" | split -l 1 - "$graines/ligne/l"
head -n 400 "$echantillon" | split -l 20 - "$graines/journal/j"
head -n 200 "$echantillon" | sed 's/$/\r/' | split -l 25 - "$graines/journal/crlf"
# Compressed journals: one member, and two members one after the other.
head -n 20 "$echantillon" | gzip -c > "$graines/journal/gz1"
{ head -n 5 "$echantillon" | gzip -c; sed -n 6,9p "$echantillon" | gzip -c; } > "$graines/journal/gz2"
head -n 1200 "$echantillon" | split -l 12 - "$graines/analyse/a"
# The other formats: a format string then lines, W3C and JSON lines.
{ echo '%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\" %D'; head -n 8 "$echantillon"; } > "$graines/formats/chaine"
printf '%s\n' '#Fields: date time c-ip cs-method cs-uri-stem cs-uri-query sc-status cs(User-Agent) time-taken' \
  '2015-05-17 10:05:03 1.2.3.4 GET /a x=1 200 Mozilla/5.0+(X11;+Linux) 15' '#Fields: time date sc-status' \
  '10:05:04 2015-05-17 404' > "$graines/formats/w3c"
printf '%s\n' 'statut=s;temps=t;requete=r.l[0]' '{"t":1431857103.5,"s":"200","r":{"l":["GET / HTTP/1.1"]},"u":"\u00e9\"x"}' \
  '{"ts":"2015-05-17T10:05:03+02:00","status":404,"request":{"uri":"/b","method":"GET"}}' > "$graines/formats/json"

head -n 600 "$echantillon" | split -l 20 - "$graines/complements/c"
# The report's writers: two bytes of shape, a name, then rows of a label and a count.
for n in 1 2 3 4 5 6 7 8; do
  { printf '%b' "$(printf '\\%03o\\%03o' $((n * 3)) $((n * 37 % 256)))"; sed -n "$((n * 40)),$((n * 40 + n * 9))p" "$echantillon" |
      awk '{ print $7 "\t" $10 }'; } > "$graines/export/e$n"
done

for cible in $cibles; do
  programme="build-fuzz/fuzz_$cible"
  regressions=(fuzz/regressions/$cible/*)
  if [ -e "${regressions[0]}" ]; then
    "$programme" -timeout=1 "${regressions[@]}" > build-fuzz/regressions-$cible.log 2>&1 ||
      { tail -n 30 build-fuzz/regressions-$cible.log; echo "fuzz_$cible: a kept input fails"; exit 1; }
  fi
  mkdir -p "build-fuzz/corpus/$cible"
  # A timeout ends the run with libFuzzer's -timeout_exitcode (70), which fails here as any
  # fault does; its message is checked as well, whatever that status.
  if ! "$programme" -max_total_time="$secondes" -max_len=4096 -timeout=1 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/artefacts/$cible-" \
      "build-fuzz/corpus/$cible" "$graines/$cible" > "build-fuzz/fuzz-$cible.log" 2>&1 ||
      grep -q 'ERROR: libFuzzer: timeout' "build-fuzz/fuzz-$cible.log"; then
    tail -n 40 "build-fuzz/fuzz-$cible.log"
    echo "fuzz_$cible: fault or unit slower than 1 s found (input in build-fuzz/artefacts/)"
    exit 1
  fi
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/fuzz-$cible.log" | grep -o '[0-9]*$')
  echo "fuzz_$cible: ${executions:-?} executions in ${secondes} s, no fault"
done
