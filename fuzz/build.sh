#!/bin/sh
# Builds the libFuzzer target for the RTF reader and extractor under ASan and UBSan.
# Usage: fuzz/build.sh [output]; then
#   ./rtf_fuzzer -max_total_time=1800 -dict=fuzz/rtf.dict work fuzz/corpus
# and keep the corpus small by merging on edges only:
#   ./rtf_fuzzer -merge=1 -use_counters=0 -max_len=2048 new-corpus fuzz/corpus work
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$here/rtf_fuzzer}
clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" $(pkg-config --cflags Qt6Gui) \
  "$here/rtf_fuzzer.cpp" "$root"/rtf/*.cpp "$root"/platform/Error.cpp \
  $(pkg-config --libs Qt6Gui) -o "$out"
