#!/usr/bin/env bash
# Fetches Debian's minizip source package into the folder given, for builds that cannot use the
# system's library (the Windows cross build). A private apt configuration adds deb-src entries
# for the same archives this machine's apt already uses; the system's apt state is untouched.
# Usage: fetch-minizip-source.sh <destination folder>
set -euo pipefail

dest="$1"
[ -f "$dest/unzip.c" ] && exit 0

work="$(dirname "$dest")/apt-minizip"
rm -rf "$work"
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts" "$work/unpack"

# One-line sources: every "deb" line gains a "deb-src" twin.
: > "$work/sources.list"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] || continue
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >> "$work/sources.list"
done
# deb822 sources: each enabled stanza that offers binaries offers sources too.
index=0
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] || continue
  index=$((index + 1))
  awk 'BEGIN { RS = ""; ORS = "\n\n" }
       /(^|\n)[Ee]nabled:[[:space:]]*no/ { next }
       /(^|\n)Types:[^\n]*deb([[:space:]]|$)/ {
         sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
    "$sources" > "$work/parts/$index.sources"
done

apt_private=(
  -o "Dir::Etc::SourceList=$work/sources.list"
  -o "Dir::Etc::SourceParts=$work/parts"
  -o "Dir::State::Lists=$work/lists"
  -o "Dir::Cache=$work/cache"
  -o "APT::Sandbox::User=root"
)
# A source without a source index (a third-party one) must not stop the others.
apt-get "${apt_private[@]}" -qq update || true
(cd "$work/unpack" && apt-get "${apt_private[@]}" -qq source minizip >/dev/null)

tree="$(find "$work/unpack" -mindepth 1 -maxdepth 1 -type d -name 'minizip*' | head -n 1)"
[ -n "$tree" ] && [ -f "$tree/unzip.c" ] || { echo "minizip source not found" >&2; exit 1; }
rm -rf "$dest"
mv "$tree" "$dest"
rm -rf "$work"
