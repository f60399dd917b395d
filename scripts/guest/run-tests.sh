#!/bin/sh
# Runs inside the guest, from the payload disk mounted at /zv: every test
# program of the 32-bit build under 32-bit Wine, one after the other, each
# within its own time limit. Logs go to /zv/results/NAME.log; the summary
# goes to the console and to /zv/results/summary, the exit status to
# /zv/results/status.
zv=/zv
results=$zv/results
rm -rf "$results"
mkdir -p "$results"
. "$zv/settings"

# The host's absolute paths of the build and source folders, as the test
# commands name them.
while read -r host_path payload_path; do
  mkdir -p "$(dirname "$host_path")"
  ln -sfn "$zv/$payload_path" "$host_path"
done <"$zv/paths"

say() { echo "guest: $*"; }
now() { cut -d. -f1 /proc/uptime; }

# One X display for the whole run, as on the host.
Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >"$results/xvfb.log" 2>&1 &
i=0
while [ ! -S /tmp/.X11-unix/X99 ] && [ $i -lt 300 ]; do
  sleep 0.1
  i=$((i + 1))
done
export DISPLAY=:99
# A crashing program ends at once, its fault in its log, instead of waiting in
# Wine's debugger.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"

# One wineserver for the whole run; Wine's background processes start now,
# detached from the programs' output files.
start_wine() {
  wineserver -p
  timeout 120 wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
}
stop_wine() {
  timeout 30 wineserver -k >/dev/null 2>&1
  timeout 30 wineserver -w >/dev/null 2>&1
}
t=$(now)
start_wine
say "Wine ready in $(($(now) - t)) s (wine $(wine --version 2>/dev/null), ZELVANOOR_TIME_SCALE=$ZELVANOOR_TIME_SCALE)"

passed=0 failed=0 skipped=0 cases_passed=0 cases_failed=0 cases_skipped=0
failed_names=

count() {  # count LOG MARK: the N of GoogleTest's "[ MARK ] N tests" line
  sed -n "s/^\[ *$2 *\] \([0-9][0-9]*\) tests\{0,1\}[,.].*/\1/p" "$1" | tail -n 1
}

zv_test() {
  name=$1 limit=$2 dir=$3
  if [ -n "$filter" ] && ! echo "$name" | grep -Eq -- "$filter"; then
    return
  fi
  if [ -n "$limit_cap" ] && [ "$limit" -gt "$limit_cap" ]; then
    limit=$limit_cap
  fi
  log="$results/$name.log"
  t=$(now)
  (
    shift 3
    mkdir -p "$dir" && cd "$dir" || exit 126
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
      export "$1"
      shift
    done
    shift
    exec timeout -k 10 "$limit" wine "$@"
  ) >"$log" 2>&1 </dev/null
  status=$?
  took=$(($(now) - t))
  p=$(count "$log" PASSED) f=$(count "$log" FAILED) s=$(count "$log" SKIPPED)
  cases_passed=$((cases_passed + ${p:-0}))
  cases_failed=$((cases_failed + ${f:-0}))
  cases_skipped=$((cases_skipped + ${s:-0}))
  detail="${p:-0} passed"
  [ -z "$s" ] || detail="$detail, $s skipped"
  [ -z "$f" ] || detail="$detail, $f failed"
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
    say "PASS  $name ($took s; cases: $detail)"
  else
    failed=$((failed + 1))
    failed_names="$failed_names $name"
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
      reason="time-out after $limit s"
    else
      reason="exit status $status"
    fi
    say "FAIL  $name ($took s, $reason; cases: $detail)"
    sed 's/^/    | /' "$log"
    if [ $status -eq 124 ] || [ $status -eq 137 ]; then
      # What the program left running must not disturb the next one.
      stop_wine
      start_wine
    fi
  fi
}

zv_host_only() {
  skipped=$((skipped + 1))
  say "SKIP  $1 ($2)"
  echo "$1: $2" >>"$results/host-only"
}

t_all=$(now)
. "$zv/tests.list"
stop_wine

{
  echo "programs run in the guest: $((passed + failed)) in $(($(now) - t_all)) s"
  echo "test cases: $cases_passed passed, $cases_failed failed, $cases_skipped skipped"
  [ -z "$failed_names" ] || echo "failed:$failed_names"
  echo "32-bit: $passed passed, $failed failed, $skipped skipped"
} >"$results/summary"
if [ $((passed + failed)) -eq 0 ]; then
  echo "no test program ran" >>"$results/summary"
  echo 1 >"$results/status"
elif [ $failed -eq 0 ]; then
  echo 0 >"$results/status"
else
  echo 1 >"$results/status"
fi
sed 's/^/guest: /' "$results/summary"
sync
