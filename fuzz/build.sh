#!/bin/sh
# Builds the libFuzzer target for the RTF reader and extractor under ASan and UBSan.
# Usage: fuzz/build.sh [output]; then: ./rtf_fuzzer -max_total_time=1800 corpus-work fuzz/corpus
set -e
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$here/rtf_fuzzer}
clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" $(pkg-config --cflags Qt6Gui) \
  "$here/rtf_fuzzer.cpp" "$root"/platform/rtf/*.cpp "$root"/platform/Error.cpp \
  $(pkg-config --libs Qt6Gui) -o "$out"
