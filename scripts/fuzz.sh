#!/usr/bin/env bash
# Runs each libFuzzer target for SECONDS (default 600) from seeds the build writes, and prints per
# target the executions, the crashes (inputs kept under build-fuzz/artifacts/) and the peak RSS.
# An input that crashes, hangs or blows up memory belongs in tests/regressions/<target>/, which the
# ordinary test suite replays. Needs clang (installed here when missing; the ordinary build does not).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
"$root/scripts/setup.sh"
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

build="$root/build-fuzz"
targets=(fuzz_dpx fuzz_cineon fuzz_movie fuzz_atom_container fuzz_sequence_names)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DREELMAKER_FUZZ=ON -DREELMAKER_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}" make_fuzz_seeds
rm -rf "$build/seeds"
"$build/fuzz/make_fuzz_seeds" "$build/seeds" >/dev/null

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
printf '%-22s %12s %8s %12s\n' target executions crashes peak_rss_mb
status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  log="$build/$target.log"
  # -rss_limit_mb and -timeout make a memory bomb or a hang a finding like a crash.
  inputs=("$corpus" "$build/seeds/$target")
  [ -d "$root/tests/regressions/$target" ] && inputs+=("$root/tests/regressions/$target")
  "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${inputs[@]}" >"$log" 2>&1 || status=1
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  rss="$(grep -o 'stat::peak_rss_mb: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  crashes="$(find "$artifacts" -type f | wc -l)"
  printf '%-22s %12s %8s %12s\n' "$target" "${runs:-?}" "$crashes" "${rss:-?}"
done
exit $status
