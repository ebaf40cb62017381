#!/usr/bin/env bash
# The figures of the frame path and of saving, each beside its goal, in one run on this machine:
# the main dialog headless with a simulated camera at full speed (bench/speed_figures), then the
# composition, Rec Stop and save benchmarks (bench/pages_bench, bench/bmp_save_bench).
# Usage: scripts/measure.sh [lines a second, default 200000]. Files go to TARNWICK_BENCH_DIR or /tmp.
set -euo pipefail
cd "$(dirname "$0")/.."
rate="${1:-200000}"
command -v python3 >/dev/null || { echo "measure.sh: python3 is needed for the table of saves" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh default >/dev/null
bin=build/default/bench
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

echo "== the main dialog at full speed ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
"$bin/speed_figures" "$rate" 2>/dev/null

"$bin/pages_bench" --benchmark_filter='Memcpy|Compose|RecStop|Jpeg' --benchmark_format=json \
  >"$out/pages.json" 2>/dev/null
# The saves write hundreds of megabytes: start them with no dirty pages left by the runs before, so
# that the first one timed does not pay for the kernel writing those back; medians of five.
sync
"$bin/bmp_save_bench" --benchmark_format=json --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  >"$out/bmp.json" 2>/dev/null
echo
echo "== composition and saving of a 65500-line image"
python3 - "$out/pages.json" "$out/bmp.json" <<'PY'
import json, sys
ms = {}
for path in sys.argv[1:]:
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" or b.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            ms[b.get("run_name", b["name"])] = b["real_time"] * scale
def find(prefix):
    return next(v for k, v in ms.items() if k.startswith(prefix))
memcpy = find("BM_MemcpyStore")
bare = find("BM_JpegBareEncode")
rows = [
    ("composition, direction 0", find("BM_ComposeLineScan/direction:0"), memcpy, 4.0, "memcpy of the store"),
    ("composition, direction 1", find("BM_ComposeLineScan/direction:1"), memcpy, 4.0, "memcpy of the store"),
    ("Rec Stop to picture ready (composition + demosaic)", find("BM_RecStopToPicture"), None, None, "150 ms"),
    ("save JPEG", find("BM_SaveJpeg"), bare, 1.1, "libjpeg-turbo bare encode"),
    ("save 24-bit BMP", find("BM_WriteBmpFile/24"), find("BM_Fwrite/24"), 1.2, "one fwrite of the same bytes"),
    ("save 8-bit BMP", find("BM_WriteBmpFile/8"), find("BM_Fwrite/8"), 1.2, "one fwrite of the same bytes"),
]
print("| figure | measured | anchor | ratio | goal |\n|---|---|---|---|---|")
for name, value, anchor, goal, what in rows:
    if anchor is None:
        print(f"| {name} | {value:.1f} ms | | | within {what} |")
    else:
        print(f"| {name} | {value:.1f} ms | {what}: {anchor:.1f} ms | {value / anchor:.2f} | within {goal} x |")
PY
