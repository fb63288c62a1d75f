# Reads the operator's product.ini for the installer builders (build-setup.sh, build-run.sh).
# shellcheck shell=bash
#
# product_load <product.ini> sets PRODUCT_NAME, PRODUCT_ID, PRODUCT_PUBLISHER, PRODUCT_OEM_INI
# (an absolute path, or empty), PRODUCT_PORTAL_ADDRESS and PRODUCT_REPORT_HOST (empty for the
# build's defaults), PRODUCT_RELEASE_KEY (empty for none), PRODUCT_BROWSER_EMULATION (empty for none) and PRODUCT_VERSION (the
# launcher's own version without its "V", e.g. 7.0).
# On a fault it names the file and the key on standard error and returns 1.

PACKAGING_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# The version the launcher writes in its log and in its version marker.
project_version() {
  local header="$PACKAGING_DIR/../src/update/install_records.h"
  local version
  version="$(sed -n 's/.*constexpr char LAUNCHER_VERSION\[\] = "V\([0-9][0-9.]*\)".*/\1/p' \
    "$header")"
  [ -n "$version" ] || { echo "no LAUNCHER_VERSION in $header" >&2; return 1; }
  printf '%s\n' "$version"
}

# ini_value <file> <section> <key>: the value, with the blanks around it removed.
ini_value() {
  local file="$1" section="$2" key="$3"
  sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' "$file" | awk -v section="$section" -v key="$key" '
    /^[ \t]*[;#]/ { next }
    /^[ \t]*\[/ { in_section = ($0 ~ "^[ \t]*\\[" section "\\][ \t]*$"); next }
    in_section {
      split_at = index($0, "=")
      if (split_at == 0) next
      name = substr($0, 1, split_at - 1)
      gsub(/^[ \t]+|[ \t]+$/, "", name)
      if (name != key) next
      value = substr($0, split_at + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      print value
      exit
    }'
}

product_load() {
  local ini="$1"
  [ -f "$ini" ] || { echo "$ini: no such file" >&2; return 1; }
  PRODUCT_NAME="$(ini_value "$ini" product name)"
  PRODUCT_ID="$(ini_value "$ini" product id)"
  PRODUCT_PUBLISHER="$(ini_value "$ini" product publisher)"
  local oem
  oem="$(ini_value "$ini" product oem_ini)"
  PRODUCT_VERSION="$(project_version)" || return 1

  local control=$'[\x01-\x1f\x7f]'
  if [ -z "$PRODUCT_NAME" ] || [[ "$PRODUCT_NAME" =~ $control ]] ||
    [[ "$PRODUCT_NAME" == *[\\/:*?\"\<\>\|]* ]] || [[ "$PRODUCT_NAME" =~ (^[. ]|[. ]$) ]]; then
    echo "$ini: name \"$PRODUCT_NAME\" must be set, without \\ / : * ? \" < > |, control" \
      "characters, or a dot or blank at either end" >&2
    return 1
  fi
  if ! [[ "$PRODUCT_ID" =~ ^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$ ]]; then
    echo "$ini: id \"$PRODUCT_ID\" must be 1 to 64 ASCII letters, digits, \".\", \"-\" or \"_\"," \
      "starting with a letter or digit" >&2
    return 1
  fi
  if [ -z "$PRODUCT_PUBLISHER" ] || [[ "$PRODUCT_PUBLISHER" =~ $control ]] ||
    [[ "$PRODUCT_PUBLISHER" == *\"* ]]; then
    echo "$ini: publisher must be set, without double quotes or control characters" >&2
    return 1
  fi
  PRODUCT_PORTAL_ADDRESS="$(ini_value "$ini" product portal_address)"
  PRODUCT_REPORT_HOST="$(ini_value "$ini" product report_host)"
  if [ -n "$PRODUCT_PORTAL_ADDRESS" ] && ! [[ "$PRODUCT_PORTAL_ADDRESS" =~ ^https?://[^[:space:]]+$ ]]; then
    echo "$ini: portal_address must be an http:// or https:// address without blanks" >&2
    return 1
  fi
  if [ -n "$PRODUCT_REPORT_HOST" ] && ! [[ "$PRODUCT_REPORT_HOST" =~ ^[A-Za-z0-9.-]+(:[0-9]{1,5})?$ ]]; then
    echo "$ini: report_host must be a host name or address, with :port when not 80" >&2
    return 1
  fi
  PRODUCT_RELEASE_KEY="$(ini_value "$ini" product release_key)"
  if [ -n "$PRODUCT_RELEASE_KEY" ] && ! [[ "$PRODUCT_RELEASE_KEY" =~ ^04[0-9a-fA-F]{128}$ ]]; then
    echo "$ini: release_key must be a public key as launcher-publish keygen prints it (04 and 128 hexadecimal digits)" >&2
    return 1
  fi
  PRODUCT_BROWSER_EMULATION="$(ini_value "$ini" product browser_emulation)"
  if [ -n "$PRODUCT_BROWSER_EMULATION" ] &&
    ! [[ "$PRODUCT_BROWSER_EMULATION" =~ ^[1-9][0-9]{3,4}$ ]]; then
    echo "$ini: browser_emulation must be a document mode number such as 11001, or empty" >&2
    return 1
  fi
  PRODUCT_OEM_INI=""
  if [ -n "$oem" ]; then
    case "$oem" in
      /*) PRODUCT_OEM_INI="$oem" ;;
      *) PRODUCT_OEM_INI="$(cd "$(dirname "$ini")" && pwd)/$oem" ;;
    esac
    [ -f "$PRODUCT_OEM_INI" ] || { echo "$ini: oem_ini $PRODUCT_OEM_INI: no such file" >&2; return 1; }
  fi
}
