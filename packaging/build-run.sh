#!/usr/bin/env bash
# Builds the Linux self-extracting installer (.run) around a launcher with Debian's makeself.
#
#   build-run.sh --launcher launcher --output installer.run [--product product.ini]
#
# The product is packaging/product.ini unless given. The installer unpacks straight into the
# install folder, ~/.local/share/<id> (makeself's --target chooses another), and then runs
# linux/install.sh there; see README ("Installers").
set -euo pipefail
source "$(dirname "$0")/product.sh"

launcher="" output="" product="$PACKAGING_DIR/product.ini"
while [ $# -gt 0 ]; do
  case "$1" in
    --launcher) launcher="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    --product) product="$2"; shift 2 ;;
    *) echo "usage: $0 --launcher FILE --output FILE [--product INI]" >&2; exit 2 ;;
  esac
done
[ -n "$launcher" ] && [ -n "$output" ] || { echo "usage: $0 --launcher FILE --output FILE" >&2; exit 2; }
[ -f "$launcher" ] || { echo "$launcher: no such file" >&2; exit 1; }
command -v makeself >/dev/null || { echo "makeself is missing: apt-get install makeself" >&2; exit 1; }
product_load "$product"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/$PRODUCT_ID"
mkdir -p "$stage/.setup/icons"
cp "$launcher" "$stage/launcher"
strip --strip-unneeded "$stage/launcher"
cp "$PACKAGING_DIR/linux/uninstall" "$stage/uninstall"
cp "$PACKAGING_DIR/linux/install.sh" "$PACKAGING_DIR/linux/common.sh" "$stage/.setup/"
chmod 755 "$stage/launcher" "$stage/uninstall" "$stage/.setup/install.sh"
payload=(launcher uninstall .setup)
if [ -n "$PRODUCT_OEM_INI" ]; then
  cp "$PRODUCT_OEM_INI" "$stage/oem.ini"
  payload+=(oem.ini)
fi

# The menu icons: the pictures of the program's icon (PNG entries of 101.ico), by size.
python3 - "$PACKAGING_DIR/../src/ui/assets/101.ico" "$stage/.setup/icons" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
for i in range(struct.unpack_from("<H", data, 4)[0]):
    width, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
    picture = data[offset:offset + size]
    if picture[:8] == b"\x89PNG\r\n\x1a\n":
        open("%s/%d.png" % (sys.argv[2], width or 256), "wb").write(picture)
PYTHON
for size in 16 32 48; do
  [ -f "$stage/.setup/icons/$size.png" ] || { echo "101.ico has no $size x $size picture" >&2; exit 1; }
done

# The Debian package of each library the launcher is linked with, for the installer to name
# when the player's system lacks one.
# (The tools' own words are read, so they speak untranslated.)
machine="$(dpkg --print-architecture)"
resolved="$(LC_ALL=C ldd "$launcher")"
for library in $(LC_ALL=C readelf -d "$launcher" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
  path="$(awk -v library="$library" '$1 == library && $2 == "=>" { print $3 }' <<<"$resolved")"
  owner=""
  for candidate in "$path" "$(readlink -f "$path")" "/usr$path"; do
    owner="$(LC_ALL=C dpkg -S "$candidate" 2>/dev/null | head -n 1)" && [ -n "$owner" ] && break
  done
  [ -n "$owner" ] && echo "$library ${owner%%[:,]*}"
done >"$stage/.setup/libraries.txt"
[ -s "$stage/.setup/libraries.txt" ] ||
  { echo "no Debian package found for the libraries of $launcher (dpkg -S)" >&2; exit 1; }

{
  printf 'PRODUCT_NAME=%q\n' "$PRODUCT_NAME"
  printf 'PRODUCT_ID=%q\n' "$PRODUCT_ID"
  printf 'PRODUCT_VERSION=%q\n' "$PRODUCT_VERSION"
  printf 'MACHINE=%q\n' "$machine"
  printf 'PAYLOAD=(%s)\n' "${payload[*]}"
} >"$stage/.setup/product.conf"

cat >"$work/help.txt" <<HELP
$PRODUCT_NAME $PRODUCT_VERSION for Linux ($machine): installs for the current user only, into
\${XDG_DATA_HOME:-~/.local/share}/$PRODUCT_ID, with a menu entry and icons there. Options:
  --target DIR       install into DIR instead (a new or empty folder)
  --nox11            do not open a terminal window when started without one
  -- --unattended    ask nothing, start nothing (also the case without a terminal)
Uninstall with DIR/uninstall [--unattended].

HELP

mkdir -p "$(dirname "$output")"
rm -f "$output"
# The target is expanded when the installer runs, in the player's environment.
makeself --quiet --tar-quietly --sha256 --help-header "$work/help.txt" \
  --target "\${XDG_DATA_HOME:-\$HOME/.local/share}/$PRODUCT_ID" \
  "$stage" "$output" "$PRODUCT_NAME $PRODUCT_VERSION" ./.setup/install.sh
echo "$output"
