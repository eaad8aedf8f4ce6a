#!/usr/bin/env bash
# Installs with apt-get the Debian packages that building and running Kestrane need, if any is
# missing. Sourced by the other scripts; run as root or with sudo.
PAQUETS=(cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-charts-dev qt6-translations-l10n
  libasound2-dev zlib1g-dev libsimdjson-dev fonts-liberation fonts-dejavu-core xvfb xauth clang-14 libclang-rt-14-dev)
# The audience counts: Unicode texts and internationalised names, MaxMind DB country files.
PAQUETS+=(pkg-config libicu-dev libmaxminddb-dev)
# The user-agent catalogue: its expressions run by PCRE2, its YAML read by a build-time
# generator that asks RE2 which texts each expression needs (RE2 also for the benchmark that
# compares the two engines).
PAQUETS+=(libpcre2-dev libyaml-cpp-dev libre2-dev)
# Checking the installed menu entry, AppStream description, icons, the defaults of file types,
# the manual pages and the Debian packages' documents.
PAQUETS+=(desktop-file-utils appstream librsvg2-bin xdg-utils man-db dpkg-dev)
# The base of days: an SQLite file, or a PostgreSQL server (whose tests start one of their own);
# its days' tables compressed by LZ4.
PAQUETS+=(libsqlite3-dev libpq-dev postgresql-15 liblz4-dev)
# The report's page measured in a real browser.
PAQUETS+=(chromium)
# The texts in English: the catalogue compiled by msgfmt, and checked against the sources by
# xgettext and msgcmp.
PAQUETS+=(gettext)
installer_paquets() {
  local sudo="" manquants=() p
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  for p in "${PAQUETS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || manquants+=("$p")
  done
  if [ ${#manquants[@]} -gt 0 ]; then
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${manquants[@]}"
  fi
}
