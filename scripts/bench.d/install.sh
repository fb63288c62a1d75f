# Package installation: file MD5 against md5sum, extraction against unzip.
#   md5 ratio: our throughput / md5sum's (goal >= 0.95)
#   unzip ratio: our time / unzip's (goal <= 1.1)
# Each side runs RUNS times, alternating, and the best wall time of each counts; cpu times
# (user + system) are printed too, as they are steadier on a shared machine.
set -euo pipefail
source "$(dirname "$0")/../lib/common.sh"
cd "$ROOT"
ensure_packages build-essential cmake ninja-build pkg-config zlib1g-dev libminizip-dev python3 unzip coreutils aria2

RUNS="${RUNS:-5}"
BUILD="$ROOT/build/bench"
WORK="$ROOT/build/bench-install"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target install_bench -j "$JOBS" >/dev/null
TOOL="$BUILD/bin/install_bench"
mkdir -p "$WORK"

BIG="$WORK/package-256MiB.bin"
ZIP="$WORK/package-2000-files.zip"
if [ ! -f "$BIG" ] || [ "$(stat -c %s "$BIG")" -ne $((256 * 1024 * 1024)) ]; then
  head -c $((256 * 1024 * 1024)) /dev/urandom >"$BIG"
fi
[ -f "$ZIP" ] || python3 "$ROOT/tools/make_zip.py" --bulk "$ZIP" 2000 $((100 * 1024 * 1024)) 7

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
# timed <command...>: "wall cpu" seconds of one run (cpu = user + system of the command).
timed() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
start = time.perf_counter()
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
wall = time.perf_counter() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{wall:.6f} {usage.ru_utime + usage.ru_stime:.6f}")
PY
}
# best <column> <"wall cpu" lines...>: the smallest value of that column.
best() {
  local column=$1
  shift
  printf '%s\n' "$@" | awk -v c="$column" '{ print $c }' | sort -g | head -n 1
}

# Warm the page cache so that both sides read from memory.
cat "$BIG" "$ZIP" >/dev/null

ours_md5=() ref_md5=()
for _ in $(seq "$RUNS"); do
  ours_md5+=("$(timed "$TOOL" md5 "$BIG")")
  ref_md5+=("$(timed md5sum "$BIG")")
done
ours_digest=$("$TOOL" md5 "$BIG")
ref_digest=$(md5sum "$BIG" | cut -c1-32 | tr a-f A-F)
[ "$ours_digest" = "$ref_digest" ] || { echo "digest differs: $ours_digest vs $ref_digest" >&2; exit 1; }

ours_unzip=() ref_unzip=()
for _ in $(seq "$RUNS"); do
  rm -rf "$WORK/out-ours" && mkdir "$WORK/out-ours"
  ours_unzip+=("$(timed "$TOOL" unzip "$WORK/out-ours" "$ZIP")")
  rm -rf "$WORK/out-ref" && mkdir "$WORK/out-ref"
  ref_unzip+=("$(timed unzip -o -q "$ZIP" -d "$WORK/out-ref")")
done
diff -r "$WORK/out-ours" "$WORK/out-ref" >/dev/null || { echo "extracted trees differ" >&2; exit 1; }
files=$(find "$WORK/out-ours" -type f | wc -l)
zip_bytes=$(stat -c %s "$ZIP")
tree_bytes=$(du -sb "$WORK/out-ours" | cut -f1)
rm -rf "$WORK/out-ours" "$WORK/out-ref"

for side in ours_md5 ref_md5 ours_unzip ref_unzip; do
  declare -n runs=$side
  declare "${side}_wall=$(best 1 "${runs[@]}")" "${side}_cpu=$(best 2 "${runs[@]}")"
done
mib=256
printf 'md5 of %d MiB, best of %d: ours %.3f s wall (%.0f MiB/s), %.3f s cpu; md5sum %.3f s wall (%.0f MiB/s), %.3f s cpu\n' \
  "$mib" "$RUNS" "$ours_md5_wall" "$(calc "$mib / $ours_md5_wall")" "$ours_md5_cpu" \
  "$ref_md5_wall" "$(calc "$mib / $ref_md5_wall")" "$ref_md5_cpu"
printf 'unzip of %d files (%.1f MiB archive, %.1f MiB extracted), best of %d: ours %.3f s wall, %.3f s cpu; unzip -o -q %.3f s wall, %.3f s cpu\n' \
  "$files" "$(calc "$zip_bytes / 1048576")" "$(calc "$tree_bytes / 1048576")" "$RUNS" \
  "$ours_unzip_wall" "$ours_unzip_cpu" "$ref_unzip_wall" "$ref_unzip_cpu"
printf 'cpu-time ratios (for a busy machine): md5 %.3f, unzip %.3f\n' \
  "$(calc "$ref_md5_cpu / $ours_md5_cpu")" "$(calc "$ours_unzip_cpu / $ref_unzip_cpu")"
printf 'md5 ratio: %.3f\n' "$(calc "$ref_md5_wall / $ours_md5_wall")"
printf 'unzip ratio: %.3f\n' "$(calc "$ours_unzip_wall / $ref_unzip_wall")"
