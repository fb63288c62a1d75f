# Shared by install.sh and uninstall: where the desktop looks for the player's entries, and how
# the launcher names itself in them. Both must agree with what the launcher writes itself
# (src/platform/linux/url_protocol.cpp, xdg_folders.cpp).
# shellcheck shell=bash

# xdg_folder <variable> <below home>: the XDG folder as the launcher finds it; a relative value
# is ignored, as the XDG rules ask.
xdg_folder() {
  local value="${!1:-}"
  case "$value" in
    /*) while [ "${#value}" -gt 1 ] && [ "${value%/}" != "$value" ]; do value="${value%/}"; done
        printf '%s\n' "$value" ;;
    *) [ "$HOME" = / ] && printf '%s\n' "$2" || printf '%s\n' "$HOME$2" ;;
  esac
}
XDG_DATA="$(xdg_folder XDG_DATA_HOME /.local/share)"
XDG_CONFIG="$(xdg_folder XDG_CONFIG_HOME /.config)"
XDG_CACHE="$(xdg_folder XDG_CACHE_HOME /.cache)"

# The launcher's own folder in each of them (its settings, the browser's storage and cache),
# and the entry of its URL protocol.
LAUNCHER_USER_FOLDER=QzLauncherZEFA
PROTOCOL=qzzefa
PROTOCOL_ENTRY="$PROTOCOL-launcher.desktop"

# A program path as one argument of a desktop entry's Exec line: quoted, the characters the
# quoting reserves escaped, then escaped again as a string value; "%" doubled.
exec_argument() {
  local text="$1" quoted="" c i
  for ((i = 0; i < ${#text}; i++)); do
    c="${text:i:1}"
    case "$c" in
      '"' | '`' | '$') quoted+='\\'"$c" ;;
      '\') quoted+='\\\\' ;;
      '%') quoted+='%%' ;;
      $'\n') quoted+='\n' ;;
      $'\t') quoted+='\t' ;;
      $'\r') quoted+='\r' ;;
      *) quoted+="$c" ;;
    esac
  done
  printf '"%s"\n' "$quoted"
}

# The menu entry and icons this installer writes for the product.
ICON_SIZES="16 32 48"
menu_entry() { printf '%s\n' "$XDG_DATA/applications/$PRODUCT_ID.desktop"; }
icon_file() { printf '%s\n' "$XDG_DATA/icons/hicolor/$1x$1/apps/$PRODUCT_ID.png"; }

# ask <question>: true for yes; the default is the answer in capitals ([Y/n] or [y/N]).
ask() {
  local answer
  printf '%s ' "$1"
  read -r answer || [ -n "$answer" ] || return 1
  case "$answer" in
    [Yy]*) return 0 ;;
    [Nn]*) return 1 ;;
    *) [[ "$1" == *"[Y/n]" ]] ;;
  esac
}
