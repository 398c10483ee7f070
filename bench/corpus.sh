# The corpus Jar's benchmarks share, built in the current folder: corpus/
# holds a copy of /usr/include (generated source-like text when there is
# none), a compressible log and a file that does not compress ($mb MB each),
# and small/ ($small files under 1 KiB), copied into corpus/small.
#
#   mb=200 small=100000 . bench/corpus.sh
mkdir corpus
echo "Building the corpus in $PWD ..." >&2
if [ -d /usr/include ]; then
    cp -r /usr/include corpus/include
else
    mkdir corpus/include
    awk 'BEGIN { srand(1); for (f = 0; f < 9000; f++) { name = sprintf("corpus/include/h%04d.h", f);
         for (l = 0; l < 400; l++) printf "static inline int f%d_%d(struct s%d *p) { return p->v%d + %d; }\n",
         f, l, int(rand() * 50), int(rand() * 20), l > name; close(name) } }'
fi
awk -v bytes=$((mb * 1000000)) 'BEGIN { srand(2); split("INFO WARN DEBUG ERROR", level, " ");
     split("GET POST PUT DELETE", verb, " ");
     while (n < bytes) { line = sprintf("2026-12-07 12:%02d:%02d.%03d %s worker-%d %s /api/v1/items/%d took %d ms\n",
         int(rand() * 60), int(rand() * 60), int(rand() * 1000), level[1 + int(rand() * 4)],
         int(rand() * 32), verb[1 + int(rand() * 4)], int(rand() * 100000), int(rand() * 900));
         printf "%s", line > "corpus/app.log"; n += length(line) } }'
head -c $((mb * 1000000)) /dev/urandom > corpus/noise.bin
mkdir small
awk -v files="$small" 'BEGIN { srand(3); for (f = 0; f < files; f++) { if (f % 1000 == 0) { dir = sprintf("small/d%03d", f / 1000);
     system("mkdir -p " dir) } name = sprintf("%s/f%05d.txt", dir, f); size = int(rand() * 1000);
     line = ""; while (length(line) < size) line = line sprintf("%d,", int(rand() * 100000));
     printf "%s", substr(line, 1, size) > name; close(name) } }'
cp -r small corpus/small

