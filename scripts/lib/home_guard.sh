# The real home of whoever runs the tests must come out of the run as it went in.
# home_guard_begin notes what $HOME holds and points the XDG folders of everything the run
# starts (builds, Wine, servers, tests) into build/test-home; home_guard_end fails, naming the
# paths, when $HOME holds anything new or changed. Not watched: the project itself (it may live
# in the home), the compiler cache, and the paths in HOME_GUARD_IGNORE (colon-separated,
# absolute or relative to $HOME) for what other programs of the machine write meanwhile.
# Where $HOME is not the account's home (a run with HOME pointed at an empty folder), both are
# watched: some programs (Mesa's shader cache) find the home through the passwd entry.
# shellcheck shell=bash

HOME_GUARD_STATE=""
HOME_GUARD_HOMES=()
HOME_GUARD_PRUNE=()

# Lists the paths below the home that pass the given tests, except the pruned ones, sorted.
home_guard_list() {
  local prune=()
  local path
  for path in "${HOME_GUARD_PRUNE[@]}"; do
    [ ${#prune[@]} -gt 0 ] && prune+=(-o)
    prune+=(-path "$path")
  done
  find "${HOME_GUARD_HOMES[@]}" -xdev \( "${prune[@]}" \) -prune -o "$@" -print 2>/dev/null |
    LC_ALL=C sort
}

home_guard_begin() {
  HOME_GUARD_STATE=""
  if [ -z "${HOME:-}" ] || [ ! -d "$HOME" ]; then
    echo "== home guard: no home folder to watch"
    return 0
  fi
  pin_compiler_cache
  HOME_GUARD_HOMES=("$(cd "$HOME" && pwd -P)")
  local account_home
  account_home="$(getent passwd "$(id -u)" | cut -d: -f6)"
  if [ -n "$account_home" ] && [ -d "$account_home" ]; then
    account_home="$(cd "$account_home" && pwd -P)"
    [ "$account_home" != "${HOME_GUARD_HOMES[0]}" ] && HOME_GUARD_HOMES+=("$account_home")
  fi
  HOME_GUARD_PRUNE=("$ROOT" "$(cd "$ROOT" && pwd -P)")
  [ -n "${CCACHE_DIR:-}" ] && HOME_GUARD_PRUNE+=("$CCACHE_DIR")
  local ignored
  IFS=: read -r -a ignored <<<"${HOME_GUARD_IGNORE:-}"
  local path
  for path in "${ignored[@]}"; do
    [ -z "$path" ] && continue
    case "$path" in
      /*) HOME_GUARD_PRUNE+=("$path") ;;
      *) HOME_GUARD_PRUNE+=("${HOME_GUARD_HOMES[0]}/$path") ;;
    esac
  done

  HOME_GUARD_STATE="$(mktemp -d "${TMPDIR:-/tmp}/launcher-home-guard.XXXXXX")"
  touch "$HOME_GUARD_STATE/start"
  home_guard_list >"$HOME_GUARD_STATE/before"

  local test_home="$ROOT/build/test-home"
  mkdir -p "$test_home"
  export XDG_CONFIG_HOME="$test_home/config" XDG_DATA_HOME="$test_home/data"
  export XDG_CACHE_HOME="$test_home/cache" XDG_STATE_HOME="$test_home/state"
}

home_guard_end() {
  [ -n "$HOME_GUARD_STATE" ] || return 0
  local state="$HOME_GUARD_STATE"
  home_guard_list >"$state/after"
  LC_ALL=C comm -13 "$state/before" "$state/after" >"$state/new"
  # Files (not folders, whose times change with what they hold) written since the start.
  home_guard_list ! -type d -newer "$state/start" >"$state/newer"
  {
    sed 's/^/new:     /' "$state/new"
    LC_ALL=C comm -23 "$state/newer" "$state/new" | sed 's/^/changed: /'
  } >"$state/found"
  local status=0
  if [ -s "$state/found" ]; then
    echo "!! the run wrote into the real home (${HOME_GUARD_HOMES[*]}):"
    head -n 50 "$state/found" | sed 's/^/   /'
    status=1
  else
    echo "== home guard: ${HOME_GUARD_HOMES[*]} holds nothing new"
  fi
  rm -rf "$state"
  HOME_GUARD_STATE=""
  return $status
}
