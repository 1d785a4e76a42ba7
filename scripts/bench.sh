#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ (the shipped RelWithDebInfo build,
# with the player's start-up stamp built in)
# and runs them all, then writes a Markdown table of the figures, with the
# targets beside them, to stdout. Progress and raw output go to stderr and
# to build-bench/figures/. Figures are only reported, never judged: a slow
# or busy machine gives slower figures, not a failure.
#
#   bash scripts/bench.sh
#
# Needs what scripts/setup.sh installs (Google Benchmark, Xvfb, xdotool,
# ImageMagick's import) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
figures="$build/figures"
say() { echo "bench: $*" >&2; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DYOMITE_STARTUP_STAMP=ON > /dev/null
targets=(yomite-bench-steps yomite-trace)
known=$(ninja -C "$build" -t targets all)
for t in yomite-bench-picture yomite yomite-bench-render yomite-bench-mci yomite-bench-synth; do
  if grep -q "^$t:" <<< "$known"; then targets+=("$t"); fi
done
cmake --build "$build" --target "${targets[@]}" >&2
mkdir -p "$figures"
has() { [[ " ${targets[*]} " == *" $1 "* ]]; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

say "headless steps"
"$build/bench/yomite-bench-steps" | tee "$figures/steps.txt" >&2

if has yomite-bench-picture; then
  say "pictures"
  "$build/bench/picture/yomite-bench-picture" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_format=json \
    > "$figures/picture.json" 2> "$figures/picture.log"
fi

player="$build/yomite"
if has yomite; then
  say "start-up, 10 runs with music, 10 without"
  python3 bench/player_bench.py startup "$player" 10 dummy > "$figures/startup.json"
  python3 bench/player_bench.py startup "$player" 10 "" > "$figures/startup_silent.json"
  say "CPU while waiting for a click, 10 s with music (first time through, then a minute in, 3 runs), 10 s without"
  python3 bench/player_bench.py idle-cpu "$player" 10 dummy 3 > "$figures/idle.json"
  for run in 1 2 3; do
    python3 bench/player_bench.py idle-cpu "$player" 10 dummy 60 > "$figures/idle_replayed_$run.json"
  done
  python3 bench/player_bench.py idle-cpu "$player" 10 "" > "$figures/idle_silent.json"
  say "a whole game in the player, played with xdotool"
  python3 bench/player_bench.py x-playthrough "$player" > "$figures/x_playthrough.json"
  say "peak memory over eight 1920x1080 pictures"
  python3 tests/e2e/memory_e2e.py "$player" > "$figures/pictures_memory.txt" 2>&1 || true
fi
say "a whole game in yomite-trace"
python3 bench/player_bench.py trace-playthrough "$build/yomite-trace" demo/dat \
  > "$figures/trace_playthrough.json"

if has yomite-bench-render; then
  say "decoder and stretch (the renderer's own benchmark)"
  "$build/bench/render/yomite-bench-render" > "$figures/render.txt" 2>&1 || true
fi
if has yomite-bench-mci; then
  say "music backend (its own benchmark)"
  "$build/bench/mci/yomite-bench-mci" > "$figures/mci.txt" 2>&1 || true
fi
if has yomite-bench-synth; then
  say "the music's first pass beside FluidSynth's own rendering"
  "$build/bench/mci/yomite-bench-synth" > "$figures/synth.txt" 2>&1 || true
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

FIGURES="$figures" LOAD_BEFORE="$load_before" LOAD_AFTER="$load_after" python3 - << 'EOF'
import json, os, re, subprocess

fig = os.environ["FIGURES"]


def load(name):
    path = os.path.join(fig, name)
    return json.load(open(path)) if os.path.exists(path) else None


def fmt(v, unit="", digits=1):
    return "—" if v is None else ("{:,.%df}" % digits).format(v) + unit


rows = []


def row(what, figure, target, met, how):
    verdict = "—" if met is None else ("met" if met else "**not met**")
    rows.append("| %s | %s | %s | %s | %s |" % (what, figure, target, verdict, how))


steps = {}
for line in open(os.path.join(fig, "steps.txt")):
    m = re.match(r"(.+?)\s+([0-9]+)$", line.strip())
    if m:
        steps[m.group(1)] = float(m.group(2))
prose = steps.get("prose lines per second")
row("prose lines per second, headless", fmt(prose, "", 0), "≥ 2,000,000",
    prose is not None and prose >= 2e6, "bench/steps.cpp")
row("command lines per second, headless", fmt(steps.get("command lines per second"), "", 0),
    "", None, "bench/steps.cpp")
row("jumps between scripts per second", fmt(steps.get("jumps between scripts per second"), "", 0),
    "", None, "bench/steps.cpp")

st, silent = load("startup.json"), load("startup_silent.json")
if st:
    row("process start to first prose line on screen, music on (median of %d)" % st["runs"],
        "%s (min %s, max %s; %s of it after main)" % (fmt(st["median_ms"], " ms"),
                                                      fmt(st["min_ms"], " ms"),
                                                      fmt(st["max_ms"], " ms"),
                                                      fmt(st["main_median_ms"], " ms")),
        "< 150 ms", st["median_ms"] < 150, "player under Xvfb, its start-up stamp")
if silent:
    row("the same without an audio device (music silent)",
        "%s (min %s, max %s)" % (fmt(silent["median_ms"], " ms"), fmt(silent["min_ms"], " ms"),
                                 fmt(silent["max_ms"], " ms")),
        "< 150 ms", silent["median_ms"] < 150, "as above")

pic = load("picture.json")
if pic:
    med = {}
    for b in pic["benchmarks"]:
        if b.get("aggregate_name") == "median":
            med[b["run_name"]] = b
    for name, label in [("BM_ShowPicture/w:640/h:480", "640×480"),
                        ("BM_ShowPicture/w:1920/h:1080", "1920×1080")]:
        b = med.get(name)
        if not b:
            continue
        frame = med.get(name.replace("BM_ShowPicture", "BM_ShowPictureInFrame"))
        target = "< 15 ms" if label == "1920×1080" else ""
        met = b["real_time"] < 15 if label == "1920×1080" else None
        row("%s JPEG decoded and painted stretched into the 1080×540 area" % label,
            "%s (CPU %s); into a frame: %s" % (fmt(b["real_time"], " ms", 2),
                                                fmt(b["cpu_time"], " ms", 2),
                                                fmt(frame and frame["real_time"], " ms", 2)),
            target, met, "bench/picture, median of 5")

def threads_of(figure):
    parts = sorted(figure.get("per_thread_percent", {}).items(), key=lambda kv: -kv[1])
    return ", ".join("%s %s" % (name, fmt(pct, " %", 2)) for name, pct in parts if pct > 0)


idle = load("idle.json")
idle_silent = load("idle_silent.json")
# The machine's noise moves a figure this small by a third: the median of three.
replays = sorted((r for r in (load("idle_replayed_%d.json" % n) for n in (1, 2, 3)) if r),
                 key=lambda r: r["cpu_percent_of_one_core"])
if replays:
    replayed = replays[len(replays) // 2]
    row("CPU while waiting for a click, music playing (a minute in: the loop replayed; median of %d)"
        % len(replays),
        "%s of one core over %s s (%s; runs from %s to %s)" % (
            fmt(replayed["cpu_percent_of_one_core"], " %", 2), fmt(replayed["seconds"], "", 0),
            threads_of(replayed), fmt(replays[0]["cpu_percent_of_one_core"], " %", 2),
            fmt(replays[-1]["cpu_percent_of_one_core"], " %", 2)),
        "< 1 %", replayed["cpu_percent_of_one_core"] < 1, "schedstat of each thread, SDL dummy audio")
if idle:
    row("the same in the first 48 s, while the loop is synthesized the first time",
        "%s of one core (%s)" % (fmt(idle["cpu_percent_of_one_core"], " %", 2), threads_of(idle)),
        "", None, "as above, 3 s after the first frame")
if idle_silent:
    row("the same without an audio device",
        "%s of one core" % fmt(idle_silent["cpu_percent_of_one_core"], " %", 2), "", None,
        "as above")

xp, tp = load("x_playthrough.json"), load("trace_playthrough.json")
if xp:
    row("peak resident memory, a whole game in the player (%d picks%s)" %
        (xp["picks"], ", ending reached" if xp["reached_ending"] else ", ending NOT reached"),
        fmt(xp["peak_rss_mb"], " MB"), "< 60 MB", xp["peak_rss_mb"] < 60,
        "Xvfb + xdotool, VmHWM")
    if "first_page_peak_rss_mb" in xp:
        growth = xp["peak_rss_mb"] - xp["first_page_peak_rss_mb"]
        row("growth of that peak from the first page to the end of the game",
            "%s (%s after the first page)" % (fmt(growth, " MB"),
                                               fmt(xp["first_page_peak_rss_mb"], " MB")),
            "< 10 MB", growth < 10, "VmHWM 0.5 s after the first frame and at the end")
if tp:
    row("peak resident memory, the same game in yomite-trace (%d picks%s)" %
        (tp["picks"], ", ending reached" if tp["reached_ending"] else ", ending NOT reached"),
        fmt(tp["peak_rss_mb"], " MB"), "< 60 MB", tp["peak_rss_mb"] < 60,
        "getrusage; pictures are read for their size only")

cpu = "?"
for line in open("/proc/cpuinfo"):
    if line.startswith("model name"):
        cpu = line.split(":", 1)[1].strip()
        break
print("Machine: %d cores (%s), %.0f GiB; load average %s before, %s after." %
      (os.cpu_count(), cpu, os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30,
       os.environ["LOAD_BEFORE"], os.environ["LOAD_AFTER"]))
print()
print("| Figure | Measured | Target | | How |")
print("|---|---|---|---|---|")
print("\n".join(rows))
for name, title in [("render.txt", "Decoder and stretch (bench/render)"),
                    ("mci.txt", "Music backend (bench/mci)"),
                    ("synth.txt", "The music's first pass beside FluidSynth alone (bench/mci/synth_bench)"),
                    ("pictures_memory.txt", "Peak memory over eight 1920x1080 pictures (tests/e2e/memory_e2e.py)")]:
    path = os.path.join(fig, name)
    if os.path.exists(path):
        print()
        print("%s:" % title)
        print()
        print("```")
        print(open(path).read().rstrip())
        print("```")
EOF
