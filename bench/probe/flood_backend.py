"""A backend for bench/frame_rate that answers the info query at once and, as a build,
floods its output: 100,000 "log" lines and then one 10 MB "log" line. It writes to the file
named by FLOOD_OUT when the flood began and when its last write returned (the reader had
then taken in all but what the pipe holds), ends the job with "end" and waits to be
stopped.

With FLOOD_KIND=memory it first lists 13 steps and waits two seconds (time to show the log),
then sends 2,000 "log" lines of 1 MB each and 100,000 warnings, and stays running.
With FLOOD_KIND=huge it sends one line of 60 MiB holding 30 million tiny values, and stays
running. With FLOOD_KIND=detail it fails at once with an "error" whose detail is 10 MB of
text in lines of 80, so that the stopped view shows it."""
import json
import os
import sys
import time

out = sys.stdout.buffer
if "--info" in sys.argv:
    reply = {"version": "flood", "gpu": "bench", "missing": [], "quality": "light", "suggested": "light",
             "levels": [{"id": "light", "name": "Light", "about": "bench"}]}
    out.write(json.dumps(reply).encode() + b"\n")
    sys.exit(0)

kind = os.environ.get("FLOOD_KIND")
if kind in ("huge", "detail"):
    if kind == "huge":
        line = b'{"type":"log","x":[' + b"0," * (30 * 1000 * 1000) + b'0]}\n'
    else:
        detail = ("Traceback line of the bench, eighty characters long, or near enough to it.\n" * 130000)[:10000000]
        line = (json.dumps({"type": "error", "text": "The bench failed on purpose.", "detail": detail}) +
                '\n{"type":"end","result":"failed"}\n').encode()
    began = time.time_ns()
    out.write(line)
    out.flush()
    with open(os.environ["FLOOD_OUT"], "w") as f:
        f.write("%d %d %d\n" % (began, time.time_ns(), len(line)))
    time.sleep(60)
    sys.exit(0)

if kind == "memory":
    steps = [{"id": "s%d" % i, "title": "Step %d" % i} for i in range(13)]
    out.write(json.dumps({"type": "start", "steps": steps}).encode() + b"\n")
    out.flush()
    time.sleep(2)
    began = time.time_ns()
    big = b'{"type":"log","line":"' + b"m" * (1 << 20) + b'"}\n'
    for i in range(2000):
        out.write(big)
    out.flush()
    for i in range(0, 100000, 1000):
        out.write(b"".join(b'{"type":"warning","text":"warning %d of the bench"}\n' % n for n in range(i, i + 1000)))
    out.flush()
    with open(os.environ["FLOOD_OUT"], "w") as f:
        f.write("%d %d %d\n" % (began, time.time_ns(), 2000 * len(big)))
    time.sleep(60)
    sys.exit(0)

lines = b"".join(b'{"type":"log","line":"flood line %d of the bench"}\n' % i for i in range(100000))
big = b'{"type":"log","line":"' + b"x" * (10 * 1000 * 1000) + b'"}\n'
began = time.time_ns()
for i in range(0, len(lines), 1 << 16):
    out.write(lines[i:i + (1 << 16)])
    out.flush()
out.write(big)
out.flush()
ended = time.time_ns()
with open(os.environ["FLOOD_OUT"], "w") as f:
    f.write("%d %d %d\n" % (began, ended, len(lines) + len(big)))
out.write(b'{"type":"end","result":"cancelled"}\n')
out.flush()
time.sleep(3)
