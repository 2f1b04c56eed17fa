"""The Limiter's Release track bar set from Python 10^4 times, five runs: the median time of
one set in ns, "PythonSetTrackBar NS" in wall time and "PythonSetTrackBar.cpu NS" in the
process's CPU time, for tools/bench_table.py."""
import statistics
import time

import qm7140

SETS = 10_000

with qm7140.open() as amp:
    amp.limiter.show()
    wall, cpu = [], []
    for _ in range(5):
        start, start_cpu = time.perf_counter_ns(), time.process_time_ns()
        for i in range(SETS):
            amp.limiter["Release"] = (i & 1) * 15
        wall.append((time.perf_counter_ns() - start) / SETS)
        cpu.append((time.process_time_ns() - start_cpu) / SETS)
        amp.log.clear()
print("PythonSetTrackBar", round(statistics.median(wall), 1))
print("PythonSetTrackBar.cpu", round(statistics.median(cpu), 1))
