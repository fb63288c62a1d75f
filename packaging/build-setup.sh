#!/usr/bin/env bash
# Builds the Windows setup program around a launcher.exe with Debian's NSIS (makensis).
#
#   build-setup.sh --launcher launcher.exe --output setup.exe [--product product.ini]
#                  [--target x86-unicode|amd64-unicode]
#
# The product is packaging/product.ini unless given. The target is the setup's own machine:
# x86-unicode (32-bit, the default) for the 32-bit launcher.exe that players get, amd64-unicode
# for the 64-bit test build on machines that cannot run 32-bit programs.
set -euo pipefail
source "$(dirname "$0")/product.sh"

launcher="" output="" product="$PACKAGING_DIR/product.ini" target=x86-unicode
while [ $# -gt 0 ]; do
  case "$1" in
    --launcher) launcher="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    --product) product="$2"; shift 2 ;;
    --target) target="$2"; shift 2 ;;
    *) echo "usage: $0 --launcher FILE --output FILE [--product INI] [--target TARGET]" >&2; exit 2 ;;
  esac
done
[ -n "$launcher" ] && [ -n "$output" ] || { echo "usage: $0 --launcher FILE --output FILE" >&2; exit 2; }
[ -f "$launcher" ] || { echo "$launcher: no such file" >&2; exit 1; }
case "$target" in x86-unicode|amd64-unicode) ;; *) echo "unknown target $target" >&2; exit 2 ;; esac
command -v makensis >/dev/null || { echo "makensis is missing: apt-get install nsis" >&2; exit 1; }
product_load "$product"

# The setup and the launcher must be of one machine: a setup reads and removes the registry
# view its own machine sees, and the launcher writes the one of its machine.
pe_machine() {
  local header
  header="$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')"
  od -An -tx2 -j "$((header + 4))" -N 2 "$1" | tr -d ' '
}
case "$target:$(pe_machine "$launcher")" in
  x86-unicode:014c | amd64-unicode:8664) ;;
  *) echo "$launcher is not a launcher.exe for the $target setup" >&2; exit 1 ;;
esac

# A text inside an NSIS string in double quotes: "$" and the quote are escaped.
nsis_text() {
  local text="${1//\$/\$\$}"
  printf '"%s"' "${text//\"/\$\\\"}"
}

# NSIS wants four numbers (7.0 -> 7.0.0.0).
version_quad="$PRODUCT_VERSION"
while [ "$(tr -cd . <<<"$version_quad" | wc -c)" -lt 3 ]; do version_quad="$version_quad.0"; done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$(dirname "$output")"
output="$(cd "$(dirname "$output")" && pwd)/$(basename "$output")"
{
  echo "!define NSIS_TARGET $target"
  echo "!define PRODUCT_NAME $(nsis_text "$PRODUCT_NAME")"
  echo "!define PRODUCT_ID $(nsis_text "$PRODUCT_ID")"
  echo "!define PRODUCT_PUBLISHER $(nsis_text "$PRODUCT_PUBLISHER")"
  echo "!define PRODUCT_VERSION $(nsis_text "$PRODUCT_VERSION")"
  echo "!define PRODUCT_VERSION_QUAD $(nsis_text "$version_quad")"
  echo "!define LAUNCHER_EXE $(nsis_text "$(cd "$(dirname "$launcher")" && pwd)/$(basename "$launcher")")"
  echo "!define LAUNCHER_ICON $(nsis_text "$PACKAGING_DIR/../src/ui/assets/101.ico")"
  [ -n "$PRODUCT_OEM_INI" ] && echo "!define OEM_INI $(nsis_text "$PRODUCT_OEM_INI")"
  [ -n "$PRODUCT_BROWSER_EMULATION" ] && echo "!define BROWSER_EMULATION $PRODUCT_BROWSER_EMULATION"
  echo "!define OUTPUT_FILE $(nsis_text "$output")"
} >"$work/product.nsh"

makensis -V2 -INPUTCHARSET UTF8 "-DPRODUCT_NSH=$work/product.nsh" \
  "$PACKAGING_DIR/windows/setup.nsi"
echo "$output"
