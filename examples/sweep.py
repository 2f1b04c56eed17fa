"""Sweeps the Limiter's inflection point across its axis, 1.0 V to 6.0 V: every code the
dialog has, each typed as a user types it, with the registers each setting wrote. The ends
of the axis lie outside what the dialog takes, so they show how a refusal reads.

    python3 examples/sweep.py [PLACE]     PLACE as on the hosts' command line; default sim
"""
import sys

import qm7140

CODES = 256
VOLTS_PER_CODE = 4.43 / 255  # the dialog's codes run from 1.11 V to 5.54 V


def settings():
    """1.0 V, the middle of every code's step (the last at the top of the range), 6.0 V."""
    yield 1.0
    for code in range(CODES):
        yield round(min(1.11 + (code + 0.5) * VOLTS_PER_CODE, 5.54), 4)
    yield 6.0


def main(place):
    with qm7140.open(place) as amp:
        amp.limiter.show()
        for volts in settings():
            logged = len(amp.log)
            try:
                amp.limiter.inflection_point = volts
            except ValueError as refused:
                print(f"{volts:6.4f} V: {refused}")
                continue
            written = ", ".join(record.text for record in amp.log[logged:])
            print(f"{volts:6.4f} V: shows {amp.limiter.inflection_point} V; {written}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "sim")
