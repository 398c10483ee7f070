#!/bin/sh
# What recovery records (-hk) cost and what they repair, in one run, on a
# copy of /usr/include (as bench_jar.sh copies it):
#
#   bench/bench_jar_recovery.sh [JAR32.EXE]
#
# Times to add and test without and with records, their overhead, and the
# largest damage repaired: one run of dd noise of a share of the archive,
# and random bytes in a share of its 4 KiB sectors. Needs GNU time and python3.
set -eu
jar=$(realpath "${1:-build/bin/JAR32.EXE}")
for tool in /usr/bin/time python3; do
    command -v "$tool" > /dev/null || { echo "bench_jar_recovery: needs $tool" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/bench_jar_recovery.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
cp -r /usr/include corpus
echo "corpus: $(du -sb corpus | cut -f1) bytes, $(find corpus -type f | wc -l) files"

# Seconds of a command; its output is dropped, its exit code kept in $code.
measure() {
    code=0
    /usr/bin/time -f "%e" -o "$work/time" "$@" > /dev/null 2>&1 || code=$?
    tail -n 1 "$work/time"
}
plainAdd=$(measure "$jar" a plain.j corpus -r)
recordsAdd=$(measure "$jar" a records.j corpus -r -hk)
plainTest=$(measure "$jar" t plain.j)
recordsTest=$(measure "$jar" t records.j)
plain=$(stat -c %s plain.j)
records=$(stat -c %s records.j)
printf '%-10s %12s %8s %8s\n' "" "bytes" "add s" "test s"
printf '%-10s %12s %8s %8s\n' "plain" "$plain" "$plainAdd" "$plainTest"
printf '%-10s %12s %8s %8s\n' "-hk" "$records" "$recordsAdd" "$recordsTest"
awk -v a="$records" -v b="$plain" -v c="$recordsAdd" -v d="$plainAdd" -v e="$recordsTest" -v f="$plainTest" \
    'BEGIN { printf "overhead %.2f %%, add x %.2f, test x %.2f\n", (a / b - 1) * 100, c / d, e / f }'

# Damages a copy: "run SHARE" (noise over SHARE % of the archive's size at a
# random place) or "bytes SHARE" (one random byte in SHARE % of the sectors).
damage() {
    python3 - "$1" "$2" "$3" "$plain" <<'EOF'
import random, sys
kind, share, seed, plain = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
random.seed(seed)
data = bytearray(open("records.j", "rb").read())
size = int.from_bytes(data[-48:-40], "little")  # the archive's own size, from the records' head
if kind == "run":
    length = int(size * share / 100)
    at = random.randrange(len(data) - length)
    for i in range(at, at + length):
        data[i] ^= random.randrange(1, 256)
else:
    sectors = len(data) // 4096
    for s in random.sample(range(sectors), int(sectors * share / 100)):
        data[s * 4096 + random.randrange(4096)] ^= 0xFF
open("bad.j", "wb").write(data)
EOF
}
for case in "run 4" "run 5" "run 5.5" "run 6" "bytes 1" "bytes 1.5" "bytes 2" "bytes 3"; do
    repaired=0
    for seed in 1 2 3 4 5; do
        damage $case $seed
        measure "$jar" t bad.j -hx > /dev/null
        [ "$code" = 1 ] && repaired=$((repaired + 1))
    done
    echo "$case %: repaired $repaired of 5 (t -hx exit 1; otherwise 3)"
done
damage run 5 9
measure "$jar" t bad.j -jr > /dev/null
repair=$(tail -n 1 "$work/time")
cmp -s bad.j records.j && same=yes || same=no
echo "-jr after a 5 % run: $repair s, exit $code, byte for byte the archive written: $same"
