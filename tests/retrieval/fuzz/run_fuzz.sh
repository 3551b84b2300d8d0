#!/usr/bin/env bash
# Builds the mail-parser fuzz target with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, outside the CMake tree, and runs it for the given time.
#
#   tests/retrieval/fuzz/run_fuzz.sh [seconds] [--merge]
#
# New inputs collect in build-fuzz/corpus; the kept corpus (tests/data/retrieval/fuzz/corpus) seeds
# every run, and --merge adds to it the inputs that reach new code. Crashing inputs are written to
# tests/data/retrieval/fuzz/crashes/, where the test suite replays them: fix the cause, keep the file.
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
seconds="${1:-60}"
merge="${2:-}"
out="$root/build-fuzz"
kept="$root/tests/data/retrieval/fuzz/corpus"
crashes="$root/tests/data/retrieval/fuzz/crashes"
mkdir -p "$out/corpus" "$crashes"
source "$root/tools/packages.sh"
quillbox_ensure_packages clang libclang-rt-14-dev

sources=("$root"/retrieval/*.cpp
         "$root"/platform/{Strings,Folders,TextFile,MessagePump,MimeTypes}.cpp
         "$root"/tests/retrieval/fuzz/{MailFuzzInput,FuzzTarget}.cpp)
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" -I"$root/tests/retrieval/fuzz" "${sources[@]}" -o "$out/mail_fuzzer"

"$out/mail_fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$crashes/" "$out/corpus" "$kept"

if [ "$merge" = "--merge" ]; then
  "$out/mail_fuzzer" -set_cover_merge=1 "$kept" "$out/corpus"
fi
