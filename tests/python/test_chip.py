"""Registers, files and records: what the hosts write and read back."""
import contextlib
import pathlib
import runpy
import struct
import sys
import threading

import pytest

import qm7140


def png_size(png):
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    return struct.unpack(">II", png[16:24])


def test_curve_drag_writes_the_curve_and_repaints(amp):
    amp.limiter.show()
    before = amp.limiter.curve.png()
    assert png_size(before) == (602, 394)
    assert amp.limiter._repr_png_() == before and amp.boost._repr_png_() is None
    # From the inflection cursor (3.59 V, 7.90 V) down and to the left.
    amp.limiter.curve.drag((326, 97), (200, 200))
    assert amp.limiter.inflection_point != "3.59" and amp.registers[11] != 143
    assert {r.register for r in amp.log if r.kind == "write"} == {11, 13}
    assert amp.limiter.curve.png() != before
    with pytest.raises(ValueError, match="pixels"):
        amp.limiter.curve.drag((0, 0), (40000, 0))
    with pytest.raises(AttributeError):
        amp.boost.curve


def test_register_write_tells_the_dialogs_and_logs(amp):
    seen = []
    amp.on_record(seen.append)
    amp.registers[2] = 0x40
    assert amp.registers[2] == 0x40 and amp.boost.enable_boost is True
    (record,) = amp.log
    assert (record.kind, record.register, record.value) == ("write", 2, 0x40)
    assert record.text == "W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)"
    assert [r.text for r in seen] == [record.text]
    assert len(amp.registers) == 256 and list(amp.registers)[2] == 0x40
    # As a bytearray takes them.
    for reg, value, error in ((256, 0, IndexError), (-257, 0, IndexError), (2, 256, ValueError), (2, -1, ValueError),
                              ("2", 0, TypeError), (2, 1.5, TypeError), (2.0, 1, TypeError)):
        with pytest.raises(error) as raised:
            amp.registers[reg] = value
        assert "_Device" not in str(raised.value) and "incompatible" not in str(raised.value)
    assert amp.registers[0:4] == [0, 0, 0x40, 0] and amp.registers[-254] == 0x40
    amp.log.clear()
    assert len(amp.log) == 0 and amp.log[:] == []
    amp.registers[3] = 1
    assert amp.log[-1].register == 3 and [r.register for r in amp.log[0:5]] == [3]


def test_export_and_replay_round_trip(amp, tmp_path):
    amp.boost.show()
    amp.boost.enable_boost = True
    amp.boost.apt_delay = "200ms"
    amp.limiter.show()
    amp.limiter.inflection_point = 2.5
    script = tmp_path / "regs.txt"
    amp.export("script", script)
    for kind in ("c", "i2cset"):
        amp.export(kind, tmp_path / kind)
        assert "0X0B" in (tmp_path / kind).read_text().upper()
    with pytest.raises(ValueError, match="unknown export format"):
        amp.export("xml", tmp_path / "x")
    with qm7140.open() as other:
        other.replay(str(script))
        assert [other.registers[r] for r in range(2, 32)] == [amp.registers[r] for r in range(2, 32)]
        assert other.boost.enable_boost is True and other.boost.apt_delay == 3
        assert {r.kind for r in other.log} == {"write", "note"}


def test_replay_refuses_a_bad_script_whole(amp, tmp_path):
    bad = tmp_path / "bad.txt"
    bad.write_text("w 80 02 40\nbogus\n")
    with pytest.raises(ValueError, match="bad.txt:2"):
        amp.replay(bad)
    assert len(amp.log) == 0
    with pytest.raises(OSError):
        amp.replay(tmp_path / "missing.txt")


def test_state_round_trip_all_or_nothing(amp, tmp_path):
    amp.registers[2] = 0x40
    amp.registers[200] = 7
    state = tmp_path / "state.txt"
    amp.save_state(state)
    with qm7140.open() as other:
        other.load_state(state)
        assert list(other.registers) == list(amp.registers)
        assert other.boost.enable_boost is True
        broken = tmp_path / "broken.txt"
        broken.write_text("0x02 0x00\n0x03 0x100\n")
        with pytest.raises(ValueError, match="broken.txt:2"):
            other.load_state(broken)
        assert other.registers[2] == 0x40


def test_several_devices_are_apart():
    with qm7140.open() as a, qm7140.open("sim") as b, qm7140.open() as c:
        a.registers[2] = 0x40
        b.boost.show()
        b.boost.apt_delay = 2
        assert (a.registers[2], b.registers[2], c.registers[2]) == (0x40, 0, 0)
        assert b.boost.apt_delay == 2 and a.boost.apt_delay == 0
        assert [len(d.log) for d in (a, b, c)] == [1, 1, 0]


def test_threads_share_the_module_one_call_at_a_time():
    def sweep(amp):
        for i in range(1, 501):
            amp.limiter["Release"] = i % 16

    with contextlib.ExitStack() as stack:
        amps = [stack.enter_context(qm7140.open()) for _ in range(3)]
        for amp in amps:
            amp.limiter.show()
        threads = [threading.Thread(target=sweep, args=(amp,)) for amp in amps]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for amp in amps:
            assert amp.limiter.release == 500 % 16 and len(amp.log) == 500


def rss_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * 4


def test_open_close_cycles_keep_memory_flat():
    def cycles(n):
        for _ in range(n):
            with qm7140.open() as amp:
                amp.registers[2] = 1

    cycles(500)  # warm-up: allocator pools, the module's first loads
    before = rss_kib()
    cycles(10_000)
    assert rss_kib() - before < 8 * 1024


def test_opens_go_on_for_ever_with_16_open_at_once():
    keep = qm7140.open()
    for _ in range(40):  # past several loads' 16 instances while one device of the first stays
        with qm7140.open() as amp:
            amp.registers[2] = 1
    for _ in range(40):  # a name rebound: the old device goes only once the new one is open
        amp = qm7140.open()
    with contextlib.ExitStack() as stack:
        amps = [keep, amp] + [stack.enter_context(qm7140.open()) for _ in range(14)]
        with pytest.raises(RuntimeError, match="16 amplifiers are open"):
            qm7140.open()
        amps[3].close()
        amps.append(stack.enter_context(qm7140.open()))
        for i, each in enumerate(amps):
            if each is not amps[3]:
                each.registers[5] = i
        assert [each.registers[5] for each in amps if each is not amps[3]] == [i for i in range(17) if i != 3]
    keep.close()
    amp.close()


def test_the_examples_run(capsys, tmp_path, monkeypatch):
    examples = pathlib.Path(__file__).parents[2] / "examples"
    monkeypatch.setattr(sys, "argv", ["sweep.py"])
    runpy.run_path(str(examples / "sweep.py"), run_name="__main__")
    lines = capsys.readouterr().out.splitlines()
    assert len(lines) == 258 and "refused" in lines[0] and "refused" in lines[-1]
    assert lines[1].endswith("W 0x80/0 reg 0x0B = 0x00  (Limiter / AGC: Inflection Point), W 0x80/0 reg 0x0D = 0xBE")
    assert lines[-2].endswith("W 0x80/0 reg 0x0B = 0xFF  (Limiter / AGC: Inflection Point), W 0x80/0 reg 0x0D = 0xBE")
    monkeypatch.chdir(tmp_path)
    runpy.run_path(str(examples / "curve.py"), run_name="__main__")
    assert png_size((tmp_path / "limiter-curve.png").read_bytes()) == (602, 394)
    capsys.readouterr()
    monkeypatch.setitem(sys.modules, "matplotlib", None)  # the suite's machine may have it
    runpy.run_path(str(examples / "notebook_sweep.py"), run_name="__main__")
    out = capsys.readouterr().out
    assert "41 settings, largest quantisation 0.0" in out and "no plot" in out
