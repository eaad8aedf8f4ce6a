#!/usr/bin/env bash
# The report's page in a real browser (Debian's Chromium, headless): for a journal of very long
# paths, referrers and agents, the page is never wider than the window at 390, 768 and 1280 pixels
# (its tables wrap or scroll in their own box), in both the readable and the raw tables, and on a
# phone the charts' texts are at least 11 pixels high. Chromium keeps a window at least 500 pixels
# wide: each width is an inner frame of a page of the test's own.
# Usage: largeur_rapport.sh <kestrane-rapport>
set -u
RAPPORT=$1
NAVIGATEUR=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$NAVIGATEUR" ]; then
    echo "Chromium absent : test sauté"
    exit 77
fi
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
python3 - "$T/long.log" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    for k in range(300):
        chemin = "/" + "/".join("segment%d" % i for i in range(k % 40 + 5)) + "?q=" + "x" * (k * 7 % 900)
        agent = "Mozilla/5.0 (X11; Linux x86_64) " + ("Extension/%d.0 " % k) * (k % 30 + 1)
        referent = "https://exemple.fr/" + "a" * (k * 13 % 2000)
        f.write('10.0.%d.%d - - [1%d/May/2015:10:%02d:00 +0000] "GET %s HTTP/1.1" 200 %d "%s" "%s"\n'
                % (k % 200, k % 250, k % 5, k % 60, chemin, k * 100, referent, agent))
PY
echecs=0
for mode in "" --resultats-bruts; do
    "$RAPPORT" --complements $mode --rapport "$T/r.html" "$T/long.log" >/dev/null || {
        echo "ECHEC rapport $mode"
        exit 1
    }
    for largeur in 390 768 1280; do
        cat >"$T/cadre.html" <<HTML
<!DOCTYPE html><html><head><title>?</title></head><body style="margin:0">
<iframe id="f" style="border:0;width:${largeur}px;height:900px"></iframe>
<script>var f=document.getElementById("f");f.onload=function(){var d=f.contentDocument,t=0;
d.querySelectorAll("svg text").forEach(function(e){var h=e.getBoundingClientRect().height;
if(h>0&&(t===0||h<t))t=h;});
document.title=d.documentElement.scrollWidth+" "+f.contentWindow.innerWidth+" "+Math.round(t*10)/10;};
f.src="r.html";</script></body></html>
HTML
        mesure=$("$NAVIGATEUR" --headless=new --no-sandbox --disable-gpu --allow-file-access-from-files \
            --window-size=1300,900 --virtual-time-budget=5000 --dump-dom "file://$T/cadre.html" 2>/dev/null |
            sed -n 's|.*<title>\([0-9.]* [0-9.]* [0-9.]*\)</title>.*|\1|p')
        read -r page vue texte <<<"$mesure"
        if [ -z "${page:-}" ]; then
            echo "ECHEC $mode $largeur : pas de mesure"
            echecs=$((echecs + 1))
        elif [ "$page" -gt "$vue" ]; then
            echo "ECHEC $mode $largeur : page de $page px pour une vue de $vue px"
            echecs=$((echecs + 1))
        elif [ "$largeur" = 390 ] && awk -v t="$texte" 'BEGIN { exit !(t < 11) }'; then
            echo "ECHEC $mode $largeur : textes des graphes de $texte px"
            echecs=$((echecs + 1))
        else
            echo "ok $mode $largeur : page $page px, vue $vue px, textes $texte px"
        fi
    done
done
exit $((echecs > 0))
