#!/bin/bash
# Runs inside the folder makeself unpacked the installer into, which is the install folder
# itself (~/.local/share/<id>, or the folder given with --target): it checks that the folder and
# the system can take the launcher, then adds the menu entry and the icons. Nothing outside the
# player's home is touched.
#
#   install.sh [--unattended]   (what follows "--" on the installer's command line)
#
# --unattended asks nothing and starts nothing; so does a run without a terminal.
set -u
cd "$(pwd -P)" || exit 1
here="$PWD"
source .setup/product.conf
source .setup/common.sh

unattended=0
[ -t 0 ] || unattended=1
for argument in "$@"; do
  case "$argument" in
    --unattended) unattended=1 ;;
    *) echo "unknown option $argument (the installer takes --unattended after --)" >&2; exit 2 ;;
  esac
done

# What the installer unpacked; an earlier install of the product left .setup/installed behind.
earlier_install=0
[ "$(cat .setup/installed 2>/dev/null)" = "$PRODUCT_ID" ] && earlier_install=1

# Removes what was unpacked, on a first install only: an earlier install stays as it now is.
undo() {
  [ "$earlier_install" = 1 ] && return
  rm -rf -- "${PAYLOAD[@]}"
  cd / && rmdir -- "$here" 2>/dev/null
}

# The uninstaller removes the whole folder: other files there would go with it.
if [ "$earlier_install" = 0 ]; then
  others=()
  for entry in .[!.]* ..?* *; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    [[ " ${PAYLOAD[*]} " == *" $entry "* ]] || others+=("$entry")
  done
  if [ ${#others[@]} -gt 0 ] || [ "$here" = "$HOME" ] || [ "$here" = / ]; then
    echo "$here already holds other files (${others[*]:0:5}); the uninstaller removes the" \
      "whole folder, so $PRODUCT_NAME goes into a new or empty folder only: choose another with" \
      "--target." >&2
    undo
    exit 1
  fi
fi

# The libraries the launcher is linked with, and the Debian packages that hold them.
problems="$(LC_ALL=C ldd ./launcher 2>&1)"  # its words are read: untranslated
status=$?
missing="$(sed -n 's/^[[:space:]]*\([^[:space:]]*\) => not found.*/\1/p' <<<"$problems")"
too_old="$(sed -n "s/.*: \([^:]*\): version \`\([^']*\)' not found.*/\1 (\2)/p" <<<"$problems" |
  sort -u)"
if [ "$status" -ne 0 ] && [ -z "$missing$too_old" ]; then
  echo "This installer holds a launcher for $MACHINE, which this system cannot run:" >&2
  echo "$problems" >&2
  undo
  exit 1
fi
if [ -n "$missing" ] || [ -n "$too_old" ]; then
  packages=()
  for library in $missing; do
    package="$(awk -v library="$library" '$1 == library { print $2 }' .setup/libraries.txt)"
    [ -n "$package" ] && [[ " ${packages[*]} " != *" $package "* ]] && packages+=("$package")
  done
  {
    echo "$PRODUCT_NAME cannot run here yet."
    [ -n "$missing" ] && echo "Missing libraries:" && sed 's/^/  /' <<<"$missing"
    [ -n "$too_old" ] && echo "Libraries older than the launcher needs (it is built for Debian 12 or later):" &&
      sed 's/^/  /' <<<"$too_old"
    if [ ${#packages[@]} -gt 0 ]; then
      echo "On Debian or Ubuntu, install them with:"
      echo "  sudo apt-get install ${packages[*]}"
    fi
    echo "Then run this installer again."
  } >&2
  undo
  exit 1
fi

# The menu entry and its icons, in the player's own folders.
for size in $ICON_SIZES; do
  mkdir -p "$(dirname "$(icon_file "$size")")" &&
    cp .setup/icons/"$size".png "$(icon_file "$size")" || { undo; exit 1; }
done
entry="$(menu_entry)"
path_value="${here//\\/\\\\}"  # a string value: "\" is written "\\"
mkdir -p "$(dirname "$entry")" && cat >"$entry.new" <<ENTRY && mv -f "$entry.new" "$entry" || { undo; exit 1; }
[Desktop Entry]
Type=Application
Name=$PRODUCT_NAME
Exec=$(exec_argument "$here/launcher")
Path=$path_value
Icon=$PRODUCT_ID
Terminal=false
Categories=Game;
ENTRY
echo "$PRODUCT_ID" >.setup/installed

echo "$PRODUCT_NAME $PRODUCT_VERSION is installed in $here."
echo "Start it from the applications menu or with $here/launcher;"
echo "remove it with $here/uninstall."
if [ "$unattended" = 0 ] && ask "Start $PRODUCT_NAME now? [Y/n]"; then
  setsid ./launcher </dev/null >/dev/null 2>&1 &
fi
exit 0
