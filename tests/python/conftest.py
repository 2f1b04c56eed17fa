"""Fixtures: simulated amplifiers, and the chip double that the test run preloads
(LD_PRELOAD, set by ctest), whose open and ioctl answer for its reserved path."""
import ctypes

import pytest

import qm7140

DOUBLE_PATH = "/dev/i2c-qm7140-test"


class DoubleChip(ctypes.Structure):
    _fields_ = [("address", ctypes.c_int), ("regs", ctypes.c_ubyte * 256), ("refuse_writes", ctypes.c_int)]


class Double(ctypes.Structure):
    _fields_ = [
        ("regs", ctypes.c_ubyte * 256),
        ("chip", ctypes.c_int),
        ("refuse", ctypes.c_int),
        ("refuse_reads", ctypes.c_int),
        ("vanished", ctypes.c_int),
        ("reads", ctypes.c_uint),
        ("writes", ctypes.c_uint),
        ("others", DoubleChip * 2),
        ("funcs", ctypes.c_ulong),
        ("busy", ctypes.c_int),
        ("denied", ctypes.c_int),
        ("opens", ctypes.c_uint),
        ("slaves", ctypes.c_uint),
    ]


@pytest.fixture
def amp():
    with qm7140.open() as amp:
        yield amp


@pytest.fixture
def chip():
    """The double's chip, reset; fails when the double is not preloaded."""
    process = ctypes.CDLL(None)
    try:
        reset = process.qm7140_double_reset
    except AttributeError:
        pytest.fail("the chip double is not preloaded: run these tests through ctest (-R python)")
    reset()
    size = ctypes.c_ulong.in_dll(process, "qm7140_double_size").value
    assert ctypes.sizeof(Double) == size, "Double no longer mirrors tests/native/support/i2c_double.h"
    return Double.in_dll(process, "qm7140_double")
