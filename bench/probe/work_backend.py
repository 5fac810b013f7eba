"""A backend for bench/build_cost whose build step is fixed work that keeps every core
busy, as a compile would: WORK_UNITS units of hashing, shared out among one worker
process per core. It answers the info query at once, reports progress ten times a second,
writes the seconds the work took, and when it began and ended (wall clock, ns), to the
file named by WORK_OUT and ends the job with "ok". WORK_OUT + ".began" appears when the
work begins.

    python3 work_backend.py --alone    # the same work with no window, for comparison"""
import hashlib
import json
import multiprocessing
import os
import sys
import time

UNIT = b"\x5a" * (1 << 16)


def work(units, done):
    for _ in range(units):
        h = hashlib.sha256()
        for _ in range(16):
            h.update(UNIT)
        with done.get_lock():
            done.value += 1


def run(say):
    units = int(os.environ.get("WORK_UNITS", "20000"))
    cores = os.cpu_count() or 1
    done = multiprocessing.Value("l", 0)
    began, began_ns = time.monotonic(), time.time_ns()
    open(os.environ["WORK_OUT"] + ".began", "w").close()
    workers = [multiprocessing.Process(target=work, args=(units // cores + (i < units % cores), done))
               for i in range(cores)]
    for w in workers:
        w.start()
    while any(w.is_alive() for w in workers):
        say({"type": "progress", "text": "Compiling", "done": done.value, "total": units})
        time.sleep(0.1)
    took = time.monotonic() - began
    with open(os.environ["WORK_OUT"], "w") as f:
        f.write("%.4f %d %d\n" % (took, began_ns, time.time_ns()))
    return took


def main():
    out = sys.stdout
    def say(m):
        out.write(json.dumps(m) + "\n")
        out.flush()
    if "--alone" in sys.argv:
        run(lambda m: None)
        return
    if "--info" in sys.argv:
        say({"version": "bench", "gpu": "bench", "missing": [], "quality": "light", "suggested": "light",
             "levels": [{"id": "light", "name": "Light", "about": "bench"}]})
        return
    steps = [{"id": "s%d" % i, "title": "Step %d" % i} for i in range(13)]
    say({"type": "start", "steps": steps})
    for s in steps[:8]:
        say({"type": "step", "step": s["id"], "state": "finished"})
    say({"type": "step", "step": "s8", "state": "started"})
    run(say)
    say({"type": "end", "result": "ok", "play": "/nonexistent/tarnwell.sh"})
    time.sleep(30)


if __name__ == "__main__":
    main()
