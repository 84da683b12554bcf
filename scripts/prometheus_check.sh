#!/usr/bin/env bash
# Two `quedral-cli serve` on the simulated meters SN-A and SN-B, and a real Prometheus that scrapes
# both every second, all on loopback ports of their own and in a temporary folder. Asks
# Prometheus's query API for quedral_level_db until it has a series for each meter (a bounded
# number of tries), then checks the levels are plausible dB figures, quedral_up is 1 for both, and
# every query of the Grafana dashboard is valid PromQL naming only metrics the service exports;
# first, that the example scrape configuration in packaging/ is valid.
# Stops every process it started on exit; on failure prints why and their logs.
#   scripts/prometheus_check.sh [QUEDRAL_CLI]   (default build/bin/quedral-cli)
# PROMETHEUS names another prometheus binary, DASHBOARD another dashboard; TRIES (default 60) the
# queries, 0.5 s apart.
set -euo pipefail
cd "$(dirname "$0")/.."
# Everything here is on loopback: no HTTP proxy from the environment for curl or python.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
cli=$(realpath "${1:-build/bin/quedral-cli}")
prometheus=${PROMETHEUS:-prometheus}
tries=${TRIES:-60}
# Debian's python3 (deps.sh installs it): a version manager's shim on PATH can take a second a call.
python=${PYTHON:-$(command -v /usr/bin/python3 || command -v python3)}
dashboard=${DASHBOARD:-$PWD/packaging/grafana/quedral-dashboard.json}
meters=(SN-A SN-B)
work=$(mktemp -d "${TMPDIR:-/tmp}/quedral-prometheus.XXXXXX")
pids=() names=()
started=$SECONDS

say() { echo "prometheus_check: $*"; }

# TERM to every process started, KILL to any still running 10 s later.
stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for _ in $(seq 100); do
    local running=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && running=1; done
    [ $running -eq 0 ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
}
trap 'stop_all; rm -rf "$work"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

fail() {
  say "FAILED after $((SECONDS - started)) s: $*" >&2
  local i log
  for i in "${!pids[@]}"; do
    kill -0 "${pids[$i]}" 2> /dev/null && echo "${names[$i]}: running" >&2 || echo "${names[$i]}: exited" >&2
  done
  for log in "$work"/*.log; do
    [ -f "$log" ] || continue
    echo "----- $(basename "$log") (last 40 lines) -----" >&2
    tail -n 40 "$log" >&2
  done
  exit 1
}

[ -x "$cli" ] || fail "no quedral-cli at $cli (build it first)"
command -v "$prometheus" > /dev/null || fail "no $prometheus (scripts/deps.sh installs Debian's)"
# The example scrape configuration shipped in packaging/ (promtool comes with prometheus).
promtool=$(dirname "$(command -v "$prometheus")")/promtool
"$promtool" check config packaging/prometheus/quedral-scrape.yml > "$work/promtool.log" 2>&1 ||
  fail "packaging/prometheus/quedral-scrape.yml is not a valid configuration"
say "packaging/prometheus/quedral-scrape.yml: valid"

# The services pick free ports themselves (port 0) and print the one they got.
declare -A port
for sn in "${meters[@]}"; do
  "$cli" --simulate --simulate-serial "$sn" --data-dir "$work/$sn/data" \
    serve --listen 127.0.0.1:0 --log "$work/$sn/log" > "$work/serve-$sn.log" 2>&1 &
  pids+=($!) names+=("serve $sn")
done
for i in "${!meters[@]}"; do
  sn=${meters[$i]}
  for _ in $(seq 100); do
    port[$sn]=$(grep -o 'serving http://127.0.0.1:[0-9]*' "$work/serve-$sn.log" | grep -o '[0-9]*$' || true)
    [ -n "${port[$sn]}" ] && break
    kill -0 "${pids[$i]}" 2> /dev/null || fail "serve for $sn exited"
    sleep 0.1
  done
  [ -n "${port[$sn]}" ] || fail "serve for $sn did not start listening"
  say "serve $sn on 127.0.0.1:${port[$sn]}"
done

free_port() { "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

cat > "$work/prometheus.yml" << EOF
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: quedral
    static_configs:
      - targets: ['127.0.0.1:${port[SN-A]}', '127.0.0.1:${port[SN-B]}']
EOF

# Prometheus on a free loopback port; another port if that one was taken meanwhile.
api=""
for attempt in 1 2 3; do
  prom_port=$(free_port)
  "$prometheus" --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$prom_port" > "$work/prometheus.log" 2>&1 &
  prom_pid=$!
  pids+=($prom_pid) names+=(prometheus)
  for _ in $(seq 100); do
    if curl -sf --max-time 2 "http://127.0.0.1:$prom_port/-/ready" > /dev/null 2>&1; then
      api="http://127.0.0.1:$prom_port"
      break 2
    fi
    kill -0 "$prom_pid" 2> /dev/null || break
    sleep 0.2
  done
  kill -0 "$prom_pid" 2> /dev/null && fail "prometheus on 127.0.0.1:$prom_port did not get ready"
  grep -q 'address already in use' "$work/prometheus.log" || fail "prometheus exited"
  say "port $prom_port was taken, trying another"
done
[ -n "$api" ] || fail "prometheus found no free port"
say "prometheus $("$prometheus" --version 2>&1 | head -n 1 | awk '{print $3}') on 127.0.0.1:$prom_port"

# One instant query's series, a line each: the meter label, the value, the other labels.
series() {
  curl -sS -G --max-time 5 --data-urlencode "query=$1" "$api/api/v1/query" | "$python" -c '
import json, sys
r = json.load(sys.stdin)
if r.get("status") != "success":
    sys.exit("query failed: " + r.get("error", "?"))
for s in r["data"]["result"]:
    m = s["metric"]
    rest = ",".join(f"{k}={v}" for k, v in sorted(m.items()) if k not in ("meter", "__name__"))
    print(m.get("meter", "-"), s["value"][1], rest)' | sort
}

# The meters (sorted, space-separated) that a series list names.
meters_in() { awk '{print $1}' <<< "$1" | sort -u | xargs; }

want=$(printf '%s\n' "${meters[@]}" | sort | xargs)
levels=""
for ((try = 1; try <= tries; try++)); do
  levels=$(series quedral_level_db) || fail "query quedral_level_db: $levels"
  [ "$(meters_in "$levels")" = "$want" ] && break
  sleep 0.5
done
if [ "$(meters_in "$levels")" != "$want" ]; then
  curl -sS --max-time 5 "$api/api/v1/targets?state=active" | "$python" -c '
import json, sys
for t in json.load(sys.stdin)["data"]["activeTargets"]:
    print("target", t["scrapeUrl"], t["health"], t.get("lastError", ""), file=sys.stderr)' || true
  fail "after $tries tries quedral_level_db has meters [$(meters_in "$levels")], not [$want]:
$levels"
fi
say "quedral_level_db after $try tries:"
sed 's/^/  /' <<< "$levels"

implausible=$(awk '$2 !~ /^[0-9]+(\.[0-9]+)?$/ || $2 < 20 || $2 > 140 {print $1 "=" $2}' <<< "$levels" | xargs)
[ -z "$implausible" ] || fail "not plausible levels in dB: $implausible"
unlabelled=$(awk '!/weighting=[AC](,|$)/ || !/response=(FAST|SLOW)(,|$)/' <<< "$levels")
[ -z "$unlabelled" ] || fail "quedral_level_db without its weighting or response label: $unlabelled"

up=$(series quedral_up) || fail "query quedral_up: $up"
say "quedral_up:"
sed 's/^/  /' <<< "$up"
[ "$(awk '$2 == "1" {print $1}' <<< "$up" | sort -u | xargs)" = "$want" ] || fail "quedral_up is not 1 for [$want]"

# The dashboard: its meter variable's values, and each panel's query run with the variables put in.
exported=$(curl -sS --max-time 5 "http://127.0.0.1:${port[SN-A]}/metrics" | awk '$1 == "#" && $2 == "TYPE" {print $3}' | xargs)
"$python" - "$dashboard" "$api" "$want" "$exported" << 'EOF' || fail "the dashboard does not fit the service"
import json, re, sys, urllib.parse, urllib.request
path, api, want, exported = sys.argv[1], sys.argv[2], sys.argv[3].split(), set(sys.argv[4].split())
dash = json.load(open(path))

def get(url):
    with urllib.request.urlopen(url, timeout=5) as r:
        return json.load(r)

bad = []
variables = {v["name"]: v for v in dash["templating"]["list"]}
m = re.fullmatch(r"label_values\((\w+), *(\w+)\)", variables["meter"]["query"])
if not m:
    bad.append("meter variable: " + variables["meter"]["query"])
else:
    q = urllib.parse.urlencode({"match[]": m.group(1)})
    values = get(f"{api}/api/v1/label/{m.group(2)}/values?{q}")["data"]
    if sorted(values) != want:
        bad.append(f"meter variable gives {values}")
subst = {"$meter": "|".join(want), "$__rate_interval": "10s", "$__interval": "1s", "$__range": "5m"}
exprs = [t["expr"] for p in dash["panels"] for t in p.get("targets", [])]
for expr in exprs:
    names = set(re.findall(r"\bquedral_\w+", expr))
    if not names or names - exported:
        bad.append(f"{expr}: names {sorted(names - exported) or 'no quedral metric'}")
    query = expr
    for k, v in subst.items():
        query = query.replace(k, v)
    try:
        get(f"{api}/api/v1/query?" + urllib.parse.urlencode({"query": query}))
    except Exception as e:
        bad.append(f"{expr}: {getattr(e, 'read', lambda: str(e).encode())().decode()}")
for b in bad:
    print("dashboard:", b, file=sys.stderr)
if bad:
    sys.exit(1)
print(f"prometheus_check: dashboard: {len(exprs)} queries valid, meter variable {want}")
EOF

say "OK in $((SECONDS - started)) s"
