#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (ASan + UBSan) into BUILD_DIR
# and runs each for a bounded time; a crash, leak or sanitizer report fails.
#   fuzz/run.sh [BUILD_DIR]      PELL_FUZZ_SECONDS=30 per target by default
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build/fuzz}"
seconds="${PELL_FUZZ_SECONDS:-30}"
cxx="${PELL_FUZZ_CXX:-clang++-14}"
mkdir -p "$out/obj"

# Only the code under test: text search, number parsing, decoding, summaries,
# IMAP responses.
sources=(
    "$root/src/startup/text_search.cpp"
    "$root/src/settings/number_parsing.cpp"
    "$root"/src/mime/*.cpp
    "$root/src/mail/header_fields.cpp"
    "$root/src/mail/imap_response.cpp"
    "$root/src/mail/imap_message.cpp"
    "$root"/src/mail/summary_*.cpp
)
targets=(decode_header_fuzz jis_euc_fuzz extract_message_fuzz charset_fuzz mime_body_fuzz
         imap_response_fuzz)
flags=(-std=c++17 -O1 -g -Wall -Wextra -I"$root/src"
       -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

jobs="$(nproc)"
# Runs at most $jobs of the given commands at once; fails when any failed.
limit_jobs() {
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n || build_failed=1; done
}
build_failed=0
objects=()
for src in "${sources[@]}"; do
    obj="$out/obj/$(basename "${src%.cpp}").o"
    limit_jobs
    "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj" &
    objects+=("$obj")
done
while (($(jobs -rp | wc -l) > 0)); do wait -n || build_failed=1; done
((build_failed == 0)) || { echo "fuzz: a source did not compile" >&2; exit 1; }

for target in "${targets[@]}"; do
    limit_jobs
    "$cxx" "${flags[@]}" -fsanitize=fuzzer "$root/fuzz/$target.cpp" "${objects[@]}" -o "$out/$target" &
done
while (($(jobs -rp | wc -l) > 0)); do wait -n || build_failed=1; done
((build_failed == 0)) || { echo "fuzz: a target did not link" >&2; exit 1; }

# One fuzzing run; its log tells what it found.
run_target() {
    local target="$1"
    # New inputs go to a work corpus in the build folder; the seeds stay as written.
    local work="$out/corpus/$target"
    mkdir -p "$work" "$out/artifacts"
    local seeds="$root/fuzz/corpus/$target"
    local dict=()
    if [ -f "$root/fuzz/mail.dict" ]; then dict=(-dict="$root/fuzz/mail.dict"); fi
    "$out/$target" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" \
        "$work" "$seeds" >"$out/$target.log" 2>&1
}

# The targets run side by side, as many at once as there are cores.
# Each run leaves its exit status in a file.
for target in "${targets[@]}"; do
    limit_jobs
    echo "== $target (${seconds}s)"
    rm -f "$out/$target.status"
    (
        status=0
        run_target "$target" || status=$?
        echo "$status" >"$out/$target.status"
    ) &
done
wait
status=0
for target in "${targets[@]}"; do
    if [ "$(cat "$out/$target.status" 2>/dev/null)" != 0 ]; then
        tail -n 60 "$out/$target.log" >&2
        echo "fuzz: $target failed (log: $out/$target.log)" >&2
        status=1
    else
        echo "$target: $(grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$out/$target.log" | tr '\n' ' ')"
    fi
done
exit $status
