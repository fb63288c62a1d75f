# The Windows test environment: one Xvfb, a persistent wineserver and a Wine prefix under build/,
# with the zh_CN.UTF-8 locale so that Wine's ANSI code page is 936.
# shellcheck shell=bash

WINE_PREFIX_DIR="$ROOT/build/wine-prefix"
WINE_XVFB_PID=""

ensure_chinese_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
  echo "== generating the zh_CN.UTF-8 locale"
  if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen >/dev/null
}

# Starts Xvfb and the wineserver and creates the prefix on first use. Exports what wine needs.
start_wine() {
  ensure_chinese_locale || return 1
  export WINEPREFIX="$WINE_PREFIX_DIR"
  export WINEARCH=win32
  export WINEDEBUG=-all
  # No Mono or Gecko installers: the tests need neither, and they would reach for the network.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

  # Xvfb picks a free display itself and tells its number on the descriptor.
  local display_file
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || { echo "Xvfb did not start"; rm -f "$display_file"; return 1; }
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"

  mkdir -p "$WINEPREFIX"
  # Persistent, with its output detached: a wineserver holding ctest's pipe stalls ctest.
  wineserver -p </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix (once)"
  fi
  wineboot -i </dev/null >/dev/null 2>&1
  return 0
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null
    wait "$WINE_XVFB_PID" 2>/dev/null
  fi
  WINE_XVFB_PID=""
}
