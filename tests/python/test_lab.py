"""What a lab script and a notebook lean on: lifetimes, numbers, locales, Ctrl+C, fair
threads, errors in the package's words, names and help."""
import _thread
import gc
import inspect
import os
import pathlib
import shutil
import subprocess
import sys
import threading
import time
import weakref

import numpy as np
import pytest

import qm7140


def test_a_callback_naming_its_amplifier_does_not_keep_it():
    log = []

    def session():
        amp = qm7140.open()
        amp.on_record(lambda r: log.append((amp.place, r.text)))
        amp.registers[2] = 1
        return weakref.ref(amp)

    refs = [session() for _ in range(20)]  # more than 16: each must really be freed
    gc.collect()
    assert all(ref() is None for ref in refs) and len(log) == 20
    with qm7140.open() as amp:
        assert amp.online


def test_callbacks_are_removed_and_one_that_raises_is_told_once(amp):
    seen = []
    handle = amp.on_record(seen.append)

    def broken(record):
        raise RuntimeError("no disk")

    amp.on_record(broken)
    with pytest.warns(qm7140.CallbackWarning, match="no disk") as warned:
        amp.registers[2] = 1
        amp.registers[2] = 2  # neither raises nor is kept from the chip
    assert len(warned) == 1 and amp.registers[2] == 2 and len(seen) == 2
    handle.remove()
    handle.remove()
    amp.registers[3] = 1
    assert len(seen) == 2


@pytest.mark.parametrize("value, shown", [
    (np.int64(3), 3), (np.float32(7.0), 7), (np.uint8(15), 15), (12.0, 12), (2**70, None), (-(2**70), None), (3.5, None),
])
def test_track_bars_take_any_whole_number(amp, value, shown):
    if shown is None:
        with pytest.raises(ValueError, match="Release"):
            amp.limiter.release = value
    else:
        amp.limiter.release = value
        assert amp.limiter.release == shown


def test_edits_and_check_boxes_take_numpy_scalars(amp):
    for value in np.linspace(2.0, 4.0, 5):
        amp.limiter.inflection_point = value
        assert abs(amp.limiter.inflection_point - value) < 0.05
    amp.limiter.inflection_point = np.float32(3.3)
    assert amp.limiter.inflection_point == 3.3
    amp.boost.enable_boost = np.bool_(True)
    assert amp.boost.enable_boost is True
    for release in np.arange(16):
        amp.limiter.release = release
    assert amp.limiter.release == 15


def test_controls_tell_their_kind_range_and_items(amp):
    assert (amp.limiter.kind("Release"), amp.limiter.range("Release")) == ("trackbar", (0, 15))
    assert amp.limiter.kind("InflectionPoint") == "edit" and amp.boost.kind("APTDelay") == "combobox"
    with pytest.raises(TypeError, match="no range"):
        amp.limiter.range("InflectionPoint")
    with pytest.raises(TypeError, match="no items"):
        amp.boost.items("EnableBoost")
    with pytest.raises(TypeError, match="clicked"):
        amp.boost.click("APTDelay")


def test_numbers_whatever_the_locale(tmp_path):
    # A German desktop's locale, made here when the machine has none.
    made = subprocess.run(["localedef", "-i", "de_DE", "-f", "UTF-8", str(tmp_path / "de_DE.UTF-8")], capture_output=True)
    if made.returncode not in (0, 1) or not (tmp_path / "de_DE.UTF-8").exists():
        pytest.skip("localedef cannot make de_DE.UTF-8 here")
    script = """
import locale, qm7140
locale.setlocale(locale.LC_ALL, "de_DE.UTF-8")
with qm7140.open() as amp:
    amp.limiter.inflection_point = 3.3
    assert amp.limiter.inflection_point == 3.3 and amp.limiter.text("InflectionPoint") == "3,30"
    amp.limiter.inflection_point = "3,5"
    assert amp.limiter.inflection_point == 3.49
    assert [r.value for r in amp.log if r.register == 11] == [126, 137]
"""
    run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         env=dict(os.environ, LOCPATH=str(tmp_path)))
    assert run.returncode == 0, run.stderr


def test_ctrl_c_stops_a_replay_with_nothing_written_after(amp, tmp_path):
    script = tmp_path / "slow.txt"
    script.write_text("w 80 02 40\nd 5000\nw 80 03 01\nd 5000\nw 80 04 05\n")
    timer = threading.Timer(0.3, _thread.interrupt_main)
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        amp.replay(script)
    assert time.monotonic() - start < 2
    time.sleep(0.1)
    amp.read_all()
    assert [amp.registers[r] for r in (2, 3, 4)] == [0x40, 0, 0]


@pytest.mark.parametrize("call, error, words", [
    (lambda: qm7140.open(None), TypeError, "place must be a str"),
    (lambda: qm7140.open(speed=-1), ValueError, "100 or 400"),
    (lambda: qm7140.open(speed=300), ValueError, "100 or 400"),
    (lambda: qm7140.open(speed="fast"), TypeError, "speed"),
    (lambda: qm7140.open(timeout="1"), TypeError, "timeout"),
    (lambda: qm7140.open(timeout=-1), ValueError, "timeout"),
])
def test_open_refuses_in_the_packages_words(call, error, words):
    with pytest.raises(error, match=words) as raised:
        call()
    assert "_Device" not in str(raised.value) and "incompatible" not in str(raised.value)


def test_wrong_arguments_raise_pythons_own_types(amp):
    cases = [
        (lambda: amp.limiter.curve.drag((1.5, 2), (3, 4)), TypeError),
        (lambda: amp.limiter.curve.drag(5, (3, 4)), TypeError),
        (lambda: amp.limiter.__setattr__("release", 2**70), ValueError),
        (lambda: amp.limiter.__setattr__("release", "3"), TypeError),
        (lambda: amp.limiter[3], TypeError),
        (lambda: amp.log[1.0], TypeError),
        (lambda: amp.export(3, "x"), TypeError),
        (lambda: amp.replay(None), TypeError),
        (lambda: amp.on_record(3), TypeError),
    ]
    for call, error in cases:
        with pytest.raises(error) as raised:
            call()
        assert "_Device" not in str(raised.value) and "incompatible" not in str(raised.value), raised.value


def test_bus_errors_by_class(chip):
    assert issubclass(qm7140.Nack, qm7140.BusError) and issubclass(qm7140.BusTimeout, qm7140.BusError)
    assert issubclass(qm7140.BusTimeout, TimeoutError)
    with qm7140.open("i2c:/dev/i2c-qm7140-test") as amp:
        chip.refuse = 2
        with pytest.raises(qm7140.Nack):
            amp.registers[2] = 1
        chip.refuse = -1
        chip.vanished = 1
        with pytest.raises(qm7140.BusError, match="connect"):
            amp.registers[3] = 1
        chip.vanished = 0
        amp.connect()
        assert amp.online
        amp.registers[3] = 1
        assert chip.regs[3] == 1


def test_names_from_words_and_old_spellings():
    with qm7140.open() as amp:
        names = dir(amp.digital) + dir(amp.limiter)
        for new, old in (("i2s_out", "i2_s_out"), ("clks_frame", "cl_ks_frame"), ("lrclk_in", "lrclk_in")):
            assert new in names and getattr(amp.digital, new) == getattr(amp.digital, old)
        assert "apt_vbat" in names and "aptvbat" not in names
        assert amp.limiter.apt_vbat == amp.limiter.aptvbat
    assert "open" not in qm7140.__all__
    scope: dict = {}
    exec("from qm7140 import *", scope)
    assert "open" not in scope


def test_every_public_name_has_a_docstring():
    missing = []
    for name in qm7140.__all__ + ["open"]:
        thing = getattr(qm7140, name)
        if isinstance(thing, str):
            continue
        if not (thing.__doc__ or "").strip():
            missing.append(name)
        if inspect.isclass(thing) and not issubclass(thing, BaseException):
            for member, value in vars(thing).items():
                if not member.startswith("_") and not (getattr(value, "__doc__", "") or "").strip():
                    missing.append(f"{name}.{member}")
    assert missing == []


def test_places_lists_what_open_takes():
    found = qm7140.places()
    assert found[0] == ("sim", "the simulated QM7140")
    assert all(p.description and p.place.split(":")[0] in ("sim", "i2c", "hid") for p in found)
    for place in found:
        if place.place.startswith("i2c:"):
            assert os.path.exists(place.place[4:])


@pytest.mark.skipif(shutil.which("stubtest") is None and shutil.which("mypy") is None, reason="mypy is not installed")
def test_the_stubs_agree_with_the_runtime(tmp_path):
    usage = tmp_path / "usage.py"
    usage.write_text(
        "import qm7140\n"
        "with qm7140.open('sim', speed=400, timeout=1.0) as amp:\n"
        "    amp.limiter.release = 3\n"
        "    handle = amp.on_record(lambda r: print(r.text, r.kind))\n"
        "    handle.remove()\n"
        "    low, high = amp.limiter.range('Release')\n"
        "    places: list[qm7140.Place] = qm7140.places()\n"
        "    first: int = amp.registers[0]\n"
        "    changes: list[qm7140.Difference] = amp.diff(amp) + amp.check('golden.txt').differences\n"
        "    written: list[int] = amp.apply('golden.txt').written\n"
        "    amp.log.size = 100\n"
        "    amp.log.to_pcap('log.pcap')\n"
        "    seconds: float = amp.log[0].monotonic + amp.log[0].time.timestamp()\n")
    env = dict(os.environ, MYPYPATH=os.environ.get("PYTHONPATH", ""))
    mypy = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--no-incremental", "--cache-dir", os.devnull,
                           str(usage)], capture_output=True, text=True, env=env)
    assert mypy.returncode == 0, mypy.stdout + mypy.stderr
    stubtest = subprocess.run([sys.executable, "-m", "mypy.stubtest", "qm7140", "--ignore-missing-stub",
                               "--allowlist", str(pathlib.Path(__file__).with_name("stubtest_allowlist.txt"))],
                              capture_output=True, text=True, env=env)
    assert stubtest.returncode == 0, stubtest.stdout + stubtest.stderr


def test_a_missing_system_library_names_the_package_to_install(tmp_path):
    # The loader's own failure for a missing libi2c, raised where the extension loads.
    (tmp_path / "sitecustomize.py").write_text(
        "import sys\n"
        "class Missing:\n"
        "    def find_spec(self, name, path=None, target=None):\n"
        "        if name == 'qm7140._qm7140':\n"
        "            raise ImportError('libi2c.so.0: cannot open shared object file: No such file or directory')\n"
        "sys.meta_path.insert(0, Missing())\n")
    env = dict(os.environ, PYTHONPATH=f"{tmp_path}:{os.environ.get('PYTHONPATH', '')}")
    run = subprocess.run([sys.executable, "-c", "import qm7140"], capture_output=True, text=True, env=env)
    assert run.returncode != 0 and "install the package libi2c0 (sudo apt install libi2c0)" in run.stderr
    # The names the message knows are those the extension needs beyond the C and C++ runtimes.
    extension = pathlib.Path(qm7140._qm7140.__file__)
    dynamic = subprocess.run(["readelf", "-d", str(extension)], capture_output=True, text=True, check=True).stdout
    needed = {line.split("[")[1].rstrip("]") for line in dynamic.splitlines() if "(NEEDED)" in line}
    runtimes = {"libstdc++.so.6", "libm.so.6", "libgcc_s.so.1", "libc.so.6"}
    assert needed - runtimes == set(qm7140._SYSTEM_LIBRARIES)
