#!/usr/bin/env python3
"""Take file created -> `quorvel --headless --json` says so: the delay, over many takes.

quorvel-simulate records REAPER takes (1.5 s each, 0.7 s apart, so that the one-second clock
meets them at ever other moments) and prints a line the moment a take's files exist; Quorvel
prints a line when what it shows changes. Each delay runs from the simulator's line to the first
of Quorvel's that shows that take recording. The run is made twice: as built, and with
QUORVEL_POLL_ONLY=1 (the clock alone, as before folder changes woke Quorvel). Then an idle
Quorvel (no DAW running) is watched for its wake-ups per second (the voluntary context switches
of all its threads), and the processor time Quorvel takes while a DAW records 64 tracks at once
is measured both ways.

Usage: bench/latency/headless_latency.py [--build build/test] [--takes 20]
"""
import argparse
import json
import os
import selectors
import subprocess
import sys
import tempfile
import time


def pinned_environment(work, poll_only):
    config = os.path.join(work, "config", "Quorvel")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Quorvel.conf"), "w") as f:
        f.write("[General]\ndawSelection=reaper\n")
    env = dict(os.environ)
    env["HOME"] = os.path.join(work, "home")
    os.makedirs(env["HOME"], exist_ok=True)
    env["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    env["QT_QPA_PLATFORM"] = "offscreen"
    env["QUORVEL_POLL_ONLY"] = "1" if poll_only else "0"
    return env


def measure(build, takes, poll_only):
    with tempfile.TemporaryDirectory(prefix="quorvel-latency-") as work:
        env = pinned_environment(work, poll_only)
        quorvel = subprocess.Popen([os.path.join(build, "src/app/quorvel"), "--headless", "--json"],
                                   stdout=subprocess.PIPE, env=env, text=True, bufsize=1)
        time.sleep(2)  # started and idle before the first take
        simulate = subprocess.Popen(
            [os.path.join(build, "tools/quorvel-simulate"), "reaper", "--folder",
             os.path.join(work, "Session"), "--takes", str(takes), "--take-seconds", "1.5",
             "--gap-seconds", "0.7", "--tracks", "2"],
            stdout=subprocess.PIPE, env=env, text=True, bufsize=1)
        selector = selectors.DefaultSelector()
        selector.register(quorvel.stdout, selectors.EVENT_READ, "quorvel")
        selector.register(simulate.stdout, selectors.EVENT_READ, "simulate")
        created = {}
        shown = {}
        deadline = time.monotonic() + takes * 2.0 + 30
        while time.monotonic() < deadline and len(set(shown) & set(created)) < takes:
            for key, _ in selector.select(timeout=1):
                line = key.fileobj.readline()
                now = time.monotonic()
                if not line:
                    selector.unregister(key.fileobj)
                    continue
                if key.data == "simulate":
                    words = line.split()
                    if len(words) >= 3 and words[0] == "take" and words[2] == "recording:":
                        created.setdefault(int(words[1]), now)
                else:
                    state = json.loads(line)
                    take = state.get("take")
                    # Quorvel can answer before the simulator's own line is read: each side's
                    # first moment is kept, and the pair compared once both are in.
                    if state.get("recording") and take and take.isdigit():
                        shown.setdefault(int(take), now)
        simulate.kill()
        quorvel.terminate()
        quorvel.wait(10)
        simulate.wait(10)
    if os.environ.get("QUORVEL_LATENCY_VERBOSE"):
        print({t: round((shown[t] - created[t]) * 1000, 1) for t in sorted(set(shown) & set(created))},
              file=sys.stderr)
    both = sorted(set(shown) & set(created))
    return sorted(max(0.0, shown[t] - created[t]) * 1000 for t in both)


def idle_wakeups(build, seconds=10):
    with tempfile.TemporaryDirectory(prefix="quorvel-idle-") as work:
        env = pinned_environment(work, False)
        quorvel = subprocess.Popen([os.path.join(build, "src/app/quorvel"), "--headless", "--json"],
                                   stdout=subprocess.DEVNULL, env=env)
        time.sleep(3)

        def switches():
            total = 0
            for task in os.listdir(f"/proc/{quorvel.pid}/task"):
                with open(f"/proc/{quorvel.pid}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith("voluntary_ctxt_switches"):  # preemptions are not wake-ups
                            total += int(line.split()[1])
            return total

        before = switches()
        time.sleep(seconds)
        after = switches()
        quorvel.terminate()
        quorvel.wait(10)
    return (after - before) / seconds


def busy_cpu(build, poll_only, seconds=30):
    """Share of a core Quorvel uses while 64 tracks are being written (30 s: the counters move
    in hundredths of a second)."""
    with tempfile.TemporaryDirectory(prefix="quorvel-busy-") as work:
        env = pinned_environment(work, poll_only)
        quorvel = subprocess.Popen([os.path.join(build, "src/app/quorvel"), "--headless", "--json"],
                                   stdout=subprocess.DEVNULL, env=env)
        simulate = subprocess.Popen(
            [os.path.join(build, "tools/quorvel-simulate"), "reaper", "--folder",
             os.path.join(work, "Session"), "--takes", "1", "--take-seconds", str(seconds + 6),
             "--tracks", "64"], stdout=subprocess.DEVNULL, env=env)
        time.sleep(3)

        def cpu():
            with open(f"/proc/{quorvel.pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

        before = cpu()
        time.sleep(seconds)
        used = cpu() - before
        simulate.kill()
        quorvel.terminate()
        quorvel.wait(10)
        simulate.wait(10)
    return 100 * used / seconds


def percentile(values, p):
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/test")
    parser.add_argument("--takes", type=int, default=20)
    args = parser.parse_args()
    results = {}
    for label, poll_only in (("woken by changes", False), ("poll only", True)):
        delays = measure(args.build, args.takes, poll_only)
        if not delays:
            print(f"{label}: no take was shown", file=sys.stderr)
            return 1
        results[label] = delays
        print(f"{label:17} takes {len(delays):3}  p50 {percentile(delays, 50):7.1f} ms  "
              f"p95 {percentile(delays, 95):7.1f} ms  max {max(delays):7.1f} ms")
    woken, polled = results["woken by changes"], results["poll only"]
    print(f"ratio poll/woken   p50 {percentile(polled, 50) / percentile(woken, 50):.1f}x  "
          f"p95 {percentile(polled, 95) / percentile(woken, 95):.1f}x")
    print(f"idle wake-ups      {idle_wakeups(args.build):.1f} per second (all threads)")
    print(f"64 tracks writing  {busy_cpu(args.build, False):.1f} % of a core woken by changes, "
          f"{busy_cpu(args.build, True):.1f} % poll only")
    return 0


if __name__ == "__main__":
    sys.exit(main())
