#!/bin/sh
# Builds the libFuzzer targets for the two import readers under ASan and UBSan.
# Usage: fuzz/build-import.sh [output folder]; then, for instance,
#   ./reference_list_fuzzer -max_total_time=600 -max_len=1024 work fuzz/corpus-reference-list
#   ./abstract_fuzzer -max_total_time=600 -max_len=2048 work fuzz/corpus-abstract
# and keep each corpus small by merging on edges only:
#   ./abstract_fuzzer -merge=1 -use_counters=0 new-corpus fuzz/corpus-abstract work
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$here}
mkdir -p "$out"
for target in reference_list abstract; do
  clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" $(pkg-config --cflags Qt6Core) \
    "$here/${target}_fuzzer.cpp" "$root"/import/ReferenceList.cpp "$root"/import/AbstractText.cpp \
    "$root"/rtf/CodePage.cpp "$root"/platform/Error.cpp \
    $(pkg-config --libs Qt6Core) -o "$out/${target}_fuzzer"
done
