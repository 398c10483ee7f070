#!/bin/sh
# What a password costs Jar for Linux: adding and extracting the corpus of
# bench_jar.sh (a copy of /usr/include, a log and a file that does not
# compress, BENCH_JAR_MB MB each, and BENCH_JAR_SMALL small files) with and
# without -hg1, interleaved in one run so that the machine's load hits both
# alike, and the time of one key derivation.
#
#   bench/bench_jar_protect.sh [JAR32.EXE]
#
# BENCH_ROUNDS (3) rounds; the median of each is shown. Needs GNU time.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
jar=$(realpath "${1:-build/bin/JAR32.EXE}")
rounds=${BENCH_ROUNDS:-3}
mb=${BENCH_JAR_MB:-200}
small=${BENCH_JAR_SMALL:-100000}
command -v /usr/bin/time > /dev/null || { echo "bench_jar_protect: needs GNU time" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bench_jar_protect.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
. "$here/corpus.sh"
rm -rf small
echo "corpus: $(du -sb corpus | cut -f1) bytes in $(find corpus -type f | wc -l) files" >&2
printf 'bench password\n' > password
unset JAR_CFG_FILE

# Seconds of a command, its output dropped; with "key", the password comes
# on descriptor 3.
seconds() {
    if [ "$1" = key ]; then
        shift
        /usr/bin/time -f %e -o time sh -c "exec \"\$@\" -pfd3 3<password </dev/null" sh "$@" \
            > /dev/null 2>&1
    else
        /usr/bin/time -f %e -o time "$@" < /dev/null > /dev/null 2>&1
    fi || { echo "bench_jar_protect: failed: $*" >&2; exit 1; }
    cat time
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: > plain.add; : > key.add; : > plain.x; : > key.x
# Each extraction fills an empty folder, checked against one made before
# and removed before the next. Files made where as many were just removed
# cost the system less than the first ones: an untimed extraction goes
# first, so that each timed one follows a removal; which of the two goes
# first alternates too.
for round in $(seq "$rounds"); do
    order="plain key"
    [ $((round % 2)) = 0 ] && order="key plain"
    for kind in $order; do
        rm -f $kind.j
        if [ $kind = plain ]; then
            seconds "$jar" a plain.j corpus -r >> plain.add
        else
            seconds key "$jar" a key.j corpus -r -hg1 >> key.add
        fi
    done
    [ -d ref ] || "$jar" x plain.j -oref -y > /dev/null
    "$jar" x plain.j -oout -y > /dev/null
    rm -rf out
    for kind in $order; do
        if [ $kind = plain ]; then
            seconds "$jar" x plain.j -oout -y >> plain.x
        else
            seconds key "$jar" x key.j -oout -y >> key.x
        fi
        diff -r ref out > /dev/null ||
            { echo "bench_jar_protect: $kind.j extracts other files" >&2; exit 1; }
        rm -rf out
    done
    echo "round $round done" >&2
done

# One derivation: testing an archive of one tiny file, with and without a key.
echo x > tiny
"$jar" a tiny_plain.j tiny > /dev/null
sh -c "exec \"$jar\" a tiny_key.j tiny -hg1 -pfd3 3<password" > /dev/null
: > tiny.plain; : > tiny.key
for i in 1 2 3 4 5 6 7; do
    seconds "$jar" t tiny_plain.j >> tiny.plain
    seconds key "$jar" t tiny_key.j >> tiny.key
done

row() { printf '%-28s %9s %9s %8s\n' "$@"; }
cost() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.1f%%", (a > 0 ? (b - a) * 100 / a : 0) }'; }
pa=$(median < plain.add); ka=$(median < key.add); px=$(median < plain.x); kx=$(median < key.x)
row "" "plain s" "-hg1 s" "cost"
row "add the corpus" "$pa" "$ka" "$(cost "$pa" "$ka")"
row "extract it" "$px" "$kx" "$(cost "$px" "$kx")"
row "archive bytes" "$(stat -c %s plain.j)" "$(stat -c %s key.j)" \
    "$(cost "$(stat -c %s plain.j)" "$(stat -c %s key.j)")"
tp=$(median < tiny.plain); tk=$(median < tiny.key)
echo "t of a one-file archive: $tp s plain, $tk s with the key (Argon2id, 2 passes, 64 MiB):"
awk -v a="$tp" -v b="$tk" 'BEGIN { printf "one key derivation: about %.2f s\n", b - a }'
# What is left once the derivation, paid once a run whatever the size, is taken out.
awk -v pa="$pa" -v ka="$ka" -v px="$px" -v kx="$kx" -v d="$(awk -v a="$tp" -v b="$tk" 'BEGIN { print b - a }')" \
    'BEGIN { printf "without the derivation: add %+.1f%%, extract %+.1f%%\n", (ka - d - pa) * 100 / pa, (kx - d - px) * 100 / px }'
