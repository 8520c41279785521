#!/usr/bin/env bash
# Whole-process figures of veltra-cli as a user runs it, each beside the command that sets its
# floor, the two alternated, RUNS times each (default 5), medians of wall time and peak memory:
#   scripts/bench-cli.sh [BUILD_DIR] [RUNS] [ONLY]
# ONLY, when given, runs the comparisons whose name holds it ("list", "stats", "import"...).
# It needs the benchmarks' cached files: build/bench-cache/logbook-50000.db (made by
# `build/bench/bench_logbook --benchmark_filter=BM_StoreDive/50000`) and logbook-500.uddf (made
# by `build/bench/bench_uddf --benchmark_filter=readLogbookFile`).
set -euo pipefail
build=${1:-build}
runs=${2:-5}
only=${3:-}
cli=$build/cli/veltra-cli
cache=$build/bench-cache
db=$cache/logbook-50000.db
uddf=$cache/logbook-500.uddf
needed=("$cli" "$db")
case "list stats" in *"$only"*) [ -n "$only" ] || needed+=("$uddf") ;; *) needed+=("$uddf") ;; esac
for f in "${needed[@]}"; do
  [ -e "$f" ] || { echo "missing $f (see the head of this script)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The statistics as the shell answers them: the statement logbook stats runs.
cat > "$work/stats.sql" <<'SQL'
WITH s AS MATERIALIZED (SELECT d.diveid AS id, COALESCE(d.datetime, 0) AS t, COALESCE(x.maxtime, (SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid), 0) AS dur, COALESCE(x.maxdepth, (SELECT MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid), 0) AS depth, x.mintemperature AS temp, strftime('%Y-%m', COALESCE(d.datetime, 0), 'unixepoch', 'localtime') AS ym FROM dives d LEFT JOIN divedetails x ON x.diveid=d.diveid), m AS (SELECT ym, COUNT(*) AS n, TOTAL(dur) AS td, TOTAL(depth) AS tz, MAX(depth) AS zmax, MAX(dur) AS dmax, TOTAL(temp) AS tt, COUNT(temp) AS nt FROM s GROUP BY ym) SELECT 0, m.ym, m.n, m.td, m.tz, m.zmax, m.dmax, MIN(CASE WHEN s.depth=m.zmax THEN printf('%020d %d', s.t + 1099511627776, s.id) END), MIN(CASE WHEN s.dur=m.dmax THEN printf('%020d %d', s.t + 1099511627776, s.id) END), m.tt, m.nt FROM m JOIN s ON s.ym=m.ym GROUP BY m.ym UNION ALL SELECT 1, CAST(depth / 5 AS INTEGER), COUNT(*), 0, 0, 0, 0, NULL, NULL, 0, 0 FROM s WHERE depth>=0 AND depth<50000 GROUP BY 2 ORDER BY 1, 2;
SQL
# The list as the shell answers it: the same columns, newest first, as JSON.
list_sql="SELECT d.diveid AS id, x.number, d.name, d.computer, d.serial, datetime(d.datetime, 'unixepoch', 'localtime') AS start, COALESCE(x.maxtime, (SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid)) AS duration, COALESCE(x.maxdepth, (SELECT MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid)) AS maxDepth, x.site, x.location, x.buddies, x.rating, x.tags FROM dives d LEFT JOIN divedetails x ON x.diveid=d.diveid ORDER BY d.datetime DESC, d.diveid DESC"

# One run: "seconds KiB" of the command, its output thrown away.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> /dev/null || true
  cat "$work/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME -- COMMAND... -- FLOOR... : alternated runs, then the medians and their ratio.
compare() {
  local name=$1; shift; shift
  case "$name" in *"$only"*) ;; *) return 0 ;; esac
  local a=() b=()
  while [ "$1" != "--" ]; do a+=("$1"); shift; done; shift
  b=("$@")
  : > "$work/a"; : > "$work/b"
  for _ in $(seq "$runs"); do
    measure "${a[@]}" >> "$work/a"
    [ ${#b[@]} -gt 0 ] && measure "${b[@]}" >> "$work/b"
  done
  local ta ma tb mb
  ta=$(cut -d' ' -f1 "$work/a" | median); ma=$(cut -d' ' -f2 "$work/a" | median)
  if [ ${#b[@]} -gt 0 ]; then
    tb=$(cut -d' ' -f1 "$work/b" | median); mb=$(cut -d' ' -f2 "$work/b" | median)
    awk -v n="$name" -v ta="$ta" -v ma="$ma" -v tb="$tb" -v mb="$mb" 'BEGIN {
      printf "%-34s %7.2f s %7.1f MiB | floor %7.2f s %7.1f MiB | %.2fx\n", n, ta, ma / 1024, tb, mb / 1024, (tb > 0 ? ta / tb : 0) }'
  else
    awk -v n="$name" -v ta="$ta" -v ma="$ma" 'BEGIN { printf "%-34s %7.2f s %7.1f MiB\n", n, ta, ma / 1024 }'
  fi
}

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
compare "logbook list --json (50k dives)" -- "$cli" logbook --db "$db" list --json \
  -- sqlite3 -json "$db" "$list_sql"
compare "logbook stats --by month (50k)" -- "$cli" logbook --db "$db" stats --by month --json \
  -- sqlite3 "$db" ".read $work/stats.sql"
compare "info logbook-500.uddf (read)" -- "$cli" info "$uddf" -- xmllint --noout "$uddf"
# Import into an empty logbook each run, then export that logbook's 500 dives.
import_one() { rm -f "$work/500.db"; "$cli" logbook --db "$work/500.db" import "$uddf"; }
export -f import_one; export cli work uddf
compare "logbook import (500 dives, empty)" -- bash -c import_one --
compare "logbook export --all (500 dives)" -- "$cli" logbook --db "$work/500.db" export --all "$work/out.uddf" --
