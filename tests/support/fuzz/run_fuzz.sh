#!/usr/bin/env bash
# Builds one fuzz target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# outside the CMake tree, and runs it.
#
#   tests/support/fuzz/run_fuzz.sh TARGET [--runs N | --seconds S] [--jobs J] [--merge] [--build-only]
#
#   mime       the raw-mail parser and the decoders           (kept: tests/data/retrieval/fuzz/corpus)
#   mailbox    TKiroPOP3's check and deletion, server scripted (kept: tests/data/mailbox/fuzz/corpus)
#   retrieval  TVemPOP's view and deletion, server scripted    (kept: tests/data/retrieval/fuzz/session-corpus)
#
# The usual long runs: mime --runs 10000000, mailbox and retrieval --runs 1000000. Without --runs
# or --seconds a run lasts 60 seconds. --jobs runs J processes side by side, each for the whole
# count. New inputs collect in build-fuzz/TARGET/corpus; the kept corpus seeds every run, and
# --merge adds to it those that reach new code. A crashing input is written to the target's
# crashes folder, where the test suite replays it: fix the cause, keep the file.
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
target="${1:-}"
shift || true
runs="" seconds="" jobs=1 merge=0 build_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --merge) merge=1; shift ;;
    --build-only) build_only=1; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

support=(tests/support/fuzz/ScriptedTransport.cpp tests/support/fuzz/LoopbackListener.cpp
         tests/support/fuzz/NetFuzzSession.cpp)
case "$target" in
  mime)
    sources=(retrieval/*.cpp tls/*.cpp platform/{Strings,Folders,TextFile,MessagePump,MimeTypes,HostLookup,Transport}.cpp
             tests/support/fuzz/PrivateTempFolder.cpp tests/retrieval/fuzz/{MailFuzzInput,FuzzTarget}.cpp)
    kept=tests/data/retrieval/fuzz/corpus crashes=tests/data/retrieval/fuzz/crashes max_len=8192 ;;
  mailbox)
    sources=(mailbox/*.cpp tls/*.cpp platform/{Strings,HostLookup,MessagePump,Transport}.cpp "${support[@]}"
             tests/mailbox/fuzz/{MailboxSession,MailboxFuzzTarget}.cpp)
    kept=tests/data/mailbox/fuzz/corpus crashes=tests/data/mailbox/fuzz/crashes max_len=16384 ;;
  retrieval)
    sources=(retrieval/*.cpp tls/*.cpp platform/{Strings,Folders,TextFile,MessagePump,MimeTypes,HostLookup,Transport}.cpp
             "${support[@]}" tests/support/fuzz/PrivateTempFolder.cpp
             tests/retrieval/fuzz/{RetrievalSession,SessionFuzzTarget}.cpp)
    kept=tests/data/retrieval/fuzz/session-corpus crashes=tests/data/retrieval/fuzz/session-crashes max_len=16384 ;;
  *)
    echo "usage: $0 mime|mailbox|retrieval [--runs N | --seconds S] [--jobs J] [--merge] [--build-only]" >&2
    exit 2 ;;
esac

cd "$root"
out="build-fuzz/$target"
mkdir -p "$out/corpus" "$out/objects" "$kept" "$crashes"
source tools/packages.sh
quillbox_ensure_packages clang libclang-rt-14-dev libssl-dev

# One object per source, rebuilt when the source is newer, two compilers at a time.
flags=(-std=c++20 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root" -I"$root/tests/support" -I"$root/$(dirname "${sources[-1]}")")
objects=()
for source in "${sources[@]}"; do
  object="$out/objects/$(echo "$source" | tr / _).o"
  objects+=("$object")
  if [ ! -e "$object" ] || [ "$source" -nt "$object" ] || [ "$0" -nt "$object" ]; then
    clang++ "${flags[@]}" -c "$source" -o "$object" &
    [ "$(jobs -rp | wc -l)" -ge 2 ] && wait -n
  fi
done
wait
clang++ "${flags[@]}" "${objects[@]}" -lssl -lcrypto -o "$out/fuzzer"
[ "$build_only" -eq 1 ] && exit 0

limits=(-max_total_time="${seconds:-60}")
[ -n "$runs" ] && limits=(-runs="$runs")
[ -n "$seconds" ] && [ -n "$runs" ] && limits+=(-max_total_time="$seconds")
parallel=()
[ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
"$out/fuzzer" "${limits[@]}" "${parallel[@]}" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$crashes/" "$out/corpus" "$kept"

if [ "$merge" -eq 1 ]; then
  "$out/fuzzer" -set_cover_merge=1 -max_len="$max_len" -timeout=10 "$kept" "$out/corpus"
fi
