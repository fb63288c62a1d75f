# Shared by the scripts: the project root, package installation and the CMake builds.
# shellcheck shell=bash
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

# Debian packages the Linux build, its tests and the demo need (makeself: the Linux installer).
LINUX_PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest
  zlib1g-dev libminizip-dev libssl-dev nlohmann-json3-dev
  python3 curl zip unzip nginx-light openssl
  libgtk-3-dev libwebkit2gtk-4.1-dev libglib2.0-dev-bin libxtst-dev
  xvfb xauth fonts-noto-cjk
  makeself
)

# Debian packages of the fuzzing tier (scripts/lib/fuzz.sh): clang and its libFuzzer runtime.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Debian packages of the Windows cross build (dpkg-dev unpacks the minizip sources) and of its
# setup program (nsis).
WINDOWS_BUILD_PACKAGES=(
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev dpkg-dev nsis
  nlohmann-json3-dev
)
# Besides, the Windows tests and their run under Wine (wine32 needs the i386 architecture,
# added by ensure_windows_packages). Wine's Schannel does its TLS with the host's GnuTLS of the
# same architecture.
WINDOWS_PACKAGES=(
  "${WINDOWS_BUILD_PACKAGES[@]}" googletest
  wine wine32:i386 libgnutls30:i386 xvfb xauth locales
)
# What the 64-bit test build of machines that cannot run 32-bit x86 programs needs besides.
WINDOWS64_PACKAGES=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix wine64 libgnutls30)

# npm packages of the tests (the ES5 check of the demo portal page), installed into build/npm
# only, never into the system. npm comes with Debian's nodejs and npm packages where the machine
# has no npm of its own.
NPM_PACKAGES=(acorn@8)
NPM_PREFIX="$ROOT/build/npm"

APT_UPDATED=0
# Installs every named package that is missing, non-interactively.
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  if [ "$APT_UPDATED" = 0 ]; then
    apt-get update -qq
    APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build <build dir> <cmake args...>; BUILD_TARGETS (blank-separated) limits the
# build to those targets.
configure_and_build() {
  local dir="$1"
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  local targets=()
  [ -n "${BUILD_TARGETS:-}" ] && read -r -a targets <<<"$BUILD_TARGETS"
  cmake --build "$dir" -j "$JOBS" ${targets[@]+--target "${targets[@]}"}
}

ensure_windows_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    APT_UPDATED=0  # the package lists must now include i386
  fi
  ensure_packages "${WINDOWS_PACKAGES[@]}"
}

# The compiler cache stays where it is when HOME or the XDG folders are pointed elsewhere.
pin_compiler_cache() {
  if [ -z "${CCACHE_DIR:-}" ] && command -v ccache >/dev/null 2>&1; then
    CCACHE_DIR="$(ccache -k cache_dir 2>/dev/null || true)"
    [ -n "$CCACHE_DIR" ] && export CCACHE_DIR
  fi
  return 0
}

# Installs every npm package of NPM_PACKAGES that build/npm lacks.
ensure_npm_packages() {
  command -v npm >/dev/null 2>&1 || ensure_packages nodejs npm || return 1
  local missing=()
  local p
  for p in "${NPM_PACKAGES[@]}"; do
    [ -f "$NPM_PREFIX/node_modules/${p%@*}/package.json" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing from npm into build/npm: ${missing[*]}"
  mkdir -p "$NPM_PREFIX/home"
  # npm keeps its cache, logs and update checks in the home: give it one inside build/npm.
  HOME="$NPM_PREFIX/home" npm_config_cache="$NPM_PREFIX/cache" npm_config_update_notifier=false \
    npm install --prefix "$NPM_PREFIX" --no-audit --no-fund --loglevel=error "${missing[@]}" >/dev/null
}
