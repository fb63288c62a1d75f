# The Windows test environment: one Xvfb, a persistent wineserver and a Wine prefix under build/,
# with the zh_CN.UTF-8 locale so that Wine's ANSI code page is 936.
#
# The Windows tests run as 32-bit programs under wine32 where this machine can run 32-bit x86
# programs at all; some machines' kernels refuse them ("Exec format error"), and there a 64-bit
# build runs the same tests under wine64, in a 64-bit prefix of its own.
# shellcheck shell=bash

WINE_XVFB_PID=""
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Prints i686 when this machine runs a 32-bit x86 program (Wine's own 32-bit loader, so the
# answer is the one that matters), x86_64 otherwise. LAUNCHER_WINE64=1 forces x86_64, to try
# the 64-bit path on a machine that could run either. Needs the Windows packages installed.
windows_test_arch() {
  if [ "${LAUNCHER_WINE64:-0}" = 1 ]; then
    echo x86_64
  elif "$WINE32_LOADER" --version >/dev/null 2>&1; then
    echo i686
  else
    echo x86_64
  fi
}

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

# start_wine [i686|x86_64]: starts Xvfb and the wineserver and creates the prefix of that
# architecture (i686 when not given) on first use. Exports what wine needs; LAUNCHER_WINE is
# the loader that runs a program of that architecture.
start_wine() {
  local arch="${1:-i686}"
  ensure_chinese_locale || return 1
  if [ "$arch" = x86_64 ]; then
    export WINEPREFIX="$ROOT/build/wine-prefix64" WINEARCH=win64
    # Programs started from inside Wine use the same loader.
    export LAUNCHER_WINE="$WINE64_LOADER" WINELOADER="$WINE64_LOADER"
  else
    export WINEPREFIX="$ROOT/build/wine-prefix" WINEARCH=win32
    export LAUNCHER_WINE=wine
  fi
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
  "$LAUNCHER_WINE" wineboot -i </dev/null >/dev/null 2>&1
  keep_wine_folders_in_prefix
  return 0
}

# Wine links the prefix's Desktop, Documents, Music... to the home's folders, or to the home
# itself where it has none: a program under test that puts a file on its Desktop (a setup's
# shortcut) would put it into the real home. They become folders of the prefix.
keep_wine_folders_in_prefix() {
  local prefix link
  prefix="$(readlink -f "$WINEPREFIX")"
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    case "$(readlink -f "$link")" in "$prefix"/*) continue ;; esac
    rm -f "$link" && mkdir -p "$link"
  done
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null
    wait "$WINE_XVFB_PID" 2>/dev/null
  fi
  WINE_XVFB_PID=""
}
