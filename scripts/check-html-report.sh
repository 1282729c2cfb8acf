#!/usr/bin/env bash
# The whole-comparison HTML report of the two PFC releases, rendered by a real headless
# browser: the page the browser built must hold the library statuses and a line known to
# have changed, and a screenshot of it must show the list colours of changed, added and
# deleted rows. Exit status 77 (a skip for ctest) when chromium or the real data is absent.
#   scripts/check-html-report.sh TANDREL-CLI REALDATA-DIR
set -euo pipefail
cli=$1
realdata=$2
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "chromium is not installed; skipped"
    exit 77
fi
if [ ! -f "$realdata/pfc105/PFC.pbw" ] || [ ! -f "$realdata/pfc2022/PFC.pbw" ]; then
    echo "no real data at $realdata; skipped"
    [ "${CI:-}" = true ] && exit 1
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-html-XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
"$cli" compare --html "$work/report.html" "$realdata/pfc105/PFC.pbw" -- \
    "$realdata/pfc2022/PFC.pbw" >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || { echo "tandrel-cli compare exited with $status"; exit 1; }

# No network, no first-run work, a profile of its own.
run_browser() {
    timeout 180 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" --window-size=1400,1000 "$@" 2>/dev/null
}
run_browser --dump-dom "file://$work/report.html" >"$work/dom.html"
run_browser --screenshot="$work/shot.png" "file://$work/report.html" >/dev/null

python3 - "$work/dom.html" "$work/shot.png" <<'PY'
import re, struct, sys, zlib

dom = open(sys.argv[1], encoding="utf-8").read()
failures = []
def need(pattern, what):
    if not re.search(pattern, dom):
        failures.append("the rendered page lacks " + what)
need(r'<td class="name">pfcmsg\.pbl</td><td class="status">减少</td>', "the deleted library pfcmsg.pbl")
need(r'<td class="name">exmwnsrv\.pbl</td><td class="status">相同</td>', "the same library exmwnsrv.pbl")
need(r'<td class="name">appexamp\.pbl</td><td class="status">更改</td>', "the changed library appexamp.pbl")
need(r'<td class="name">p_pfcexamp_exe\.srj</td><td class="status">增加</td>', "the added object p_pfcexamp_exe.srj")
need(r'<h3>appexamp\.pbl / pfcexamp\.sra</h3>', "the diff of pfcexamp.sra")
need(r'<tr class="m"><td class="line">15</td><td> end type</td><td class="line">15</td>'
     r'<td> string appruntimeversion = "21\.0\.0\.1311"</td></tr>',
     "the changed line of pfcexamp.sra, aligned")

def pixels(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and ctype in (2, 6) and interlace == 0, "unexpected PNG form"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 4 if ctype == 6 else 3
    raw, stride = zlib.decompress(idat), width * bpp
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return {tuple(row[x:x + 3]) for row in rows for x in range(0, stride, bpp)}

seen = pixels(sys.argv[2])
for name, rgb in (("changed", (0x8A, 0xFB, 0x6F)), ("added", (0xA8, 0xCC, 0xF0)),
                  ("deleted", (0xFF, 0x77, 0xBB))):
    if rgb not in seen:
        failures.append("the screenshot shows no %s row colour" % name)
if failures:
    print("\n".join(failures))
    sys.exit(1)
print("the browser rendered the report with its statuses, colours and changed line")
PY
