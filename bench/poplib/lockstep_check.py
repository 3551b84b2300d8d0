#!/usr/bin/env python3
"""Lists every message's header the way the mail check did before pipelining, with Python's
poplib: USER, PASS, STAT, LIST, then for each message "TOP n 0" and "LIST n", each waiting
for its reply, then QUIT. The peer the main window's check is measured against.

    lockstep_check.py PORT USER PASSWORD        (127.0.0.1)

Prints one line of figures (key=value) for people and for check_speed_bench alike.
"""
import poplib
import resource
import sys
import time


def main():
    if len(sys.argv) != 4:
        print(f"usage: {sys.argv[0]} PORT USER PASSWORD", file=sys.stderr)
        return 2
    port, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    cpu_before = time.thread_time()
    start = time.perf_counter()
    box = poplib.POP3("127.0.0.1", port, timeout=30)
    box.user(user)
    box.pass_(password)
    box.stat()
    _, listing, _ = box.list()
    numbers = [int(line.split()[0]) for line in listing]
    summaries = header_lines = header_bytes = 0
    size_total = 0
    for n in numbers:
        _, lines, _ = box.top(n, 0)
        summaries += 1
        header_lines += len(lines)
        header_bytes += sum(len(line) + 2 for line in lines)
        size_total += int(box.list(n).split()[2])
    box.quit()
    wall = time.perf_counter() - start
    cpu = time.thread_time() - cpu_before
    peak_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(f"figures: wall={wall:.6f} cpu={cpu:.6f} messages={len(numbers)} summaries={summaries} "
          f"header_lines={header_lines} header_bytes={header_bytes} octets={size_total} peak_kb={peak_kb}")
    return 0 if summaries == len(numbers) else 1


if __name__ == "__main__":
    sys.exit(main())
