#!/bin/sh
# Jar for Linux against tar and the zstd program, side by side in one run.
#
#   bench/bench_jar.sh [JAR32.EXE [OLD_JAR32.EXE]]
#
# Builds a corpus in a temporary folder (removed afterwards): a copy of
# /usr/include (generated source-like text when there is none), a
# compressible log and a file that does not compress (200 MB each, or
# BENCH_JAR_MB), and 100,000 files under 1 KiB (BENCH_JAR_SMALL). Best is
# compared on the copy of /usr/include alone, or on the folder of the corpus
# BENCH_JAR_BEST names ("." for all of it): zstd -19 takes minutes. OLD_JAR32.EXE, a build of
# version 1, gives the old listing time. Needs GNU time, tar and zstd.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
jar=$(realpath "${1:-build/bin/JAR32.EXE}")
old=${2:-}
[ -n "$old" ] && old=$(realpath "$old")
mb=${BENCH_JAR_MB:-200}
small=${BENCH_JAR_SMALL:-100000}
for tool in /usr/bin/time tar zstd awk; do
    command -v "$tool" > /dev/null || { echo "bench_jar: needs $tool" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench_jar.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
. "$here/corpus.sh"

# Seconds and peak resident kilobytes of a command; its output is dropped.
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2>&1 || { echo "bench_jar: failed: $*" >&2; exit 1; }
    cat "$work/time"
}
size() { stat -c %s "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
row() { printf '%-44s %14s %14s %7s  %s\n' "$@"; }
peak=0
track() { [ "$1" -gt "$peak" ] && peak=$1; return 0; }

echo "Adding and extracting ..." >&2
set -- $(measure "$jar" a normal.j corpus -r -m2); addTime=$1; track "$2"
set -- $(measure tar -I "zstd -3 -T0" -cf normal.tar.zst corpus); tarTime=$1
mkdir out1 out2
set -- $(measure "$jar" x normal.j -oout1 -y); extractTime=$1; track "$2"
set -- $(measure tar -I zstd -xf normal.tar.zst -C out2); tarExtract=$1
set -- $(measure "$jar" t normal.j); testTime=$1; track "$2"
one=corpus/include/stdio.h
[ -f "$one" ] || one=$(cd corpus && find include -type f | head -n 1)
one=${one#corpus/}
set -- $(measure "$jar" e normal.j "corpus/$one" -oone -y); oneTime=$1; track "$2"
cmp -s "one/$(basename "$one")" "corpus/$one" || { echo "bench_jar: extracted file differs" >&2; exit 1; }

echo "Best ..." >&2
best=corpus/${BENCH_JAR_BEST:-include}
set -- $(measure "$jar" a best.j "$best" -r -m4); bestTime=$1; track "$2"
set -- $(measure sh -c "tar cf - '$best' | zstd -19 --long=27 -T0 -q -o best.tar.zst"); zstdBestTime=$1

echo "Listing ..." >&2
"$jar" a small.j small -r > /dev/null
set -- $(measure "$jar" lt small.j small.dmp); ltTime=$1; track "$2"
oldLt=-
if [ -n "$old" ]; then
    "$old" a small-v1.j small -r > /dev/null
    set -- $(measure "$old" lt small-v1.j small-v1.dmp); oldLt=$1
fi

input=$(du -sb corpus | cut -f1)
echo
echo "Jar for Linux against tar and zstd: $(nproc) cores, corpus $((input / 1000000)) MB"
echo "(include: $(find corpus/include -type f | wc -l) files; log and noise ${mb} MB each; $small small files)"
echo
row "Figure" "Jar" "Reference" "Ratio" "Target"
row "archive size, Normal (bytes)" "$(size normal.j)" "$(size normal.tar.zst)" \
    "$(ratio "$(size normal.j)" "$(size normal.tar.zst)")" "<= 1.05 x tar | zstd -3"
row "archive size, Best, ${best#corpus/} (bytes)" "$(size best.j)" "$(size best.tar.zst)" \
    "$(ratio "$(size best.j)" "$(size best.tar.zst)")" "<= 1.03 x zstd -19 --long=27"
row "add, Normal (s)" "$addTime" "$tarTime" "$(ratio "$addTime" "$tarTime")" \
    "<= 1.2 x tar -I 'zstd -3 -T0' -cf"
row "extract all (s)" "$extractTime" "$tarExtract" "$(ratio "$extractTime" "$tarExtract")" \
    "<= 1.2 x tar -I zstd -xf"
row "test (s)" "$testTime" "$extractTime" "$(ratio "$testTime" "$extractTime")" "<= the extract time"
row "extract one small file (s)" "$oneTime" "-" "-" "<= 0.05 (archive $(($(size normal.j) / 1000000)) MB)"
row "add, Best (s)" "$bestTime" "$zstdBestTime" "$(ratio "$bestTime" "$zstdBestTime")" "(for information)"
row "peak memory of Jar (MiB)" "$((peak / 1024))" "-" "-" "<= 256"
row "lt of $small files (s)" "$ltTime" "$oldLt" \
    "$([ "$oldLt" = - ] && echo - || ratio "$ltTime" "$oldLt")" "<= 2 x version 1"
