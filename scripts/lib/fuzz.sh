# The fuzzing tier: builds the libFuzzer harnesses of fuzz/ with clang (ASan + UBSan) and runs
# them. Used by ./scripts/fuzz (campaigns) and ./scripts/test (a short fixed replay).
# shellcheck shell=bash

FUZZ_BUILD="$ROOT/build/fuzz"
FUZZ_CORPUS="$ROOT/fuzz/corpus"
FUZZ_FINDINGS="$FUZZ_BUILD/findings"
# New inputs the test tier tries after the corpus, with a fixed seed: the same inputs every run.
FUZZ_TEST_SEED=1

fuzz_build() {
  ensure_packages "${FUZZ_PACKAGES[@]}" || return 1
  CC=clang CXX=clang++ BUILD_TARGETS=fuzz_harnesses configure_and_build "$FUZZ_BUILD" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAUNCHER_WERROR=ON -DLAUNCHER_FUZZ=ON \
    -DLAUNCHER_BUILD_TESTS=OFF
}

# The harnesses the build made, by name (fuzz_<name> in the build's bin folder).
fuzz_harnesses() {
  local program
  for program in "$FUZZ_BUILD"/bin/fuzz_*; do
    [ -x "$program" ] && basename "$program" | sed 's/^fuzz_//'
  done
}

# The longest input a harness is given: archives need room for headers and data.
fuzz_max_len() {
  case "$1" in
    zip_extract) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

# How many new inputs the test tier tries per harness: the slow ones (files on every input)
# fewer, so the tier takes a few minutes in all.
fuzz_test_runs() {
  case "$1" in
    zip_extract) echo 500 ;;
    dlist|profile) echo 10000 ;;
    *) echo 50000 ;;
  esac
}

# Scratch files of the harnesses: in memory where the machine has it (the list and profile
# harnesses write and flush files for every input).
fuzz_scratch() {
  local base=/dev/shm
  [ -d "$base" ] && [ -w "$base" ] || base="$FUZZ_BUILD"
  mkdir -p "$base/launcher-fuzz-$$" && echo "$base/launcher-fuzz-$$"
}

# fuzz_run <harness> <libFuzzer arguments...>: runs one harness, findings saved under
# build/fuzz/findings/<harness>/, its output in build/fuzz/logs/<harness>.log.
fuzz_run() {
  local harness="$1"
  shift
  local scratch
  scratch="$(fuzz_scratch)"
  mkdir -p "$FUZZ_FINDINGS/$harness" "$FUZZ_BUILD/logs"
  TMPDIR="$scratch" "$FUZZ_BUILD/bin/fuzz_$harness" -max_len="$(fuzz_max_len "$harness")" \
    -timeout=30 -print_final_stats=1 -artifact_prefix="$FUZZ_FINDINGS/$harness/" "$@" \
    >"$FUZZ_BUILD/logs/$harness.log" 2>&1
  local status=$?
  rm -rf "$scratch"
  return $status
}

# fuzz_report <harness> <status>: one line of executions per second, coverage and corpus, and
# for a finding the saved input and the command that replays it.
fuzz_report() {
  local harness="$1" status="$2" log="$FUZZ_BUILD/logs/$1.log"
  local stats rate
  stats="$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [^ ]+')"
  rate="$(grep -oE 'average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$')"
  # libFuzzer counts whole seconds and says 0 for a run that ended within the first one.
  if [ "${rate:-0}" = 0 ]; then
    rate="> $(grep -oE 'number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')"
  fi
  if [ "$status" -eq 0 ]; then
    echo "[$harness] ${rate:-?} exec/s, ${stats:-no stats}, no finding"
    return 0
  fi
  local input
  input="$(grep -oE "Test unit written to [^ ]+" "$log" | tail -n 1 | sed 's/Test unit written to //')"
  echo "[$harness] FINDING after ${rate:-?} exec/s, ${stats:-no stats}:"
  grep -E '== property broken|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error' \
    "$log" | head -n 4 | sed 's/^/    /'
  echo "    input: ${input:-see $log}"
  [ -n "$input" ] && echo "    reproduce: $FUZZ_BUILD/bin/fuzz_$harness $input"
  echo "    log: $log"
  return 1
}

# The test tier: every harness over its committed corpus, then a fixed number of new inputs
# from a fixed seed. New inputs go to a throwaway folder, never into the committed corpus.
fuzz_tier() {
  fuzz_build || { echo "fuzz build failed"; return 1; }
  local harness failed=0 fresh
  for harness in $(fuzz_harnesses); do
    fresh="$(mktemp -d)"
    fuzz_run "$harness" -seed="$FUZZ_TEST_SEED" -runs="$(fuzz_test_runs "$harness")" \
      "$fresh" "$FUZZ_CORPUS/$harness"
    fuzz_report "$harness" $? || failed=1
    rm -rf "$fresh"
  done
  return $failed
}
