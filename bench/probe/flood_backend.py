"""A backend for bench/frame_rate that answers the info query at once and, as a build,
floods its output: 100,000 "log" lines and then one 10 MB "log" line. It writes to the file
named by FLOOD_OUT when the flood began and when its last write returned (the reader had
then taken in all but what the pipe holds), ends the job with "end" and waits to be
stopped."""
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
