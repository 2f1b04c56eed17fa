"""The log a lab keeps (times, a bounded ring, the saved files, Python's logging) and the
bench's workflow (apply, diff, check, presets, undo)."""
import copy
import csv
import logging
import pickle
import struct
import time

import pytest

import qm7140


def test_records_carry_their_times_and_behave_as_values(amp):
    wall, before = time.time(), time.monotonic_ns()
    amp.limiter.release = 3
    after = time.monotonic_ns()
    record = amp.log[-1]
    assert record.kind == "write" and record.register is not None
    assert record.source == "python: limiter Release"
    assert before <= record.monotonic_ns <= after and 0 <= record.duration_ns <= after - before
    assert abs(record.wall - wall) < 60 and abs(record.time.timestamp() - record.wall) < 1e-5
    assert record.as_dict()["text"] == record.text and record.as_dict()["monotonic"] == record.monotonic
    assert amp.log[-1] == record and hash(amp.log[-1]) == hash(record)
    assert copy.copy(record) == record == copy.deepcopy(record) == pickle.loads(pickle.dumps(record))
    amp.limiter.release = 4
    records = list(amp.log)
    assert sorted(reversed(records)) == records and records[0] < records[-1] and records[0] != records[-1]


def test_the_log_is_a_ring_whose_files_hold_the_same(amp, tmp_path):
    assert amp.log.size == 10_000
    amp.log.size = 5
    for value in range(20):
        amp.registers[2] = value
    assert len(amp.log) == 5 and amp.log[-1].value == 19 and amp.log[0].value == 15
    amp.log.to_csv(tmp_path / "log.txt")  # the format asked, whatever the name
    rows = list(csv.reader((tmp_path / "log.txt").open()))
    assert len(rows) == 1 + 5 and ("0x13" in rows[-1] or "19" in rows[-1])
    amp.log.to_pcap(tmp_path / "log.pcap")
    magic, _, _, _, _, _, link = struct.unpack("<IHHiIII", (tmp_path / "log.pcap").read_bytes()[:24])
    assert magic in (0xA1B2C3D4, 0xA1B23C4D) and link == 209  # by us, or by ns
    amp.log.clear()
    amp.log.to_csv(tmp_path / "empty.csv")
    assert len(amp.log) == 0 and len(list(csv.reader((tmp_path / "empty.csv").open()))) == 1
    amp.registers[2] = 1
    assert [r.value for r in amp.log] == [1]
    for bad, error in [(0, ValueError), (True, TypeError), ("5", TypeError)]:
        with pytest.raises(error):
            amp.log.size = bad
    assert amp.log.size == 5


def test_every_record_reaches_pythons_logging(amp, caplog, chip):
    with caplog.at_level(logging.DEBUG, logger="qm7140"):
        amp.registers[2] = 7
    assert [(r.levelno, r.getMessage()) for r in caplog.records] == [(logging.DEBUG, "sim: " + amp.log[-1].text)]
    assert caplog.records[0].qm7140 == amp.log[-1]
    caplog.clear()
    with qm7140.open("i2c:/dev/i2c-qm7140-test") as real, caplog.at_level(logging.WARNING, logger="qm7140"):
        chip.refuse = 2
        with pytest.raises(qm7140.BusError):
            real.registers[2] = 1
    assert [r.levelno for r in caplog.records] == [logging.WARNING]


def test_apply_diff_check_and_undo(amp, tmp_path):
    golden = tmp_path / "golden.txt"
    amp.limiter.release = 9
    amp.save_state(golden)
    amp.limiter.release = 2
    assert amp.check(golden).equal is False and not amp.check(golden)
    differences = amp.diff(golden)
    assert any(d.field == "Release" and (d.a, d.b) == (9, 2) and d.shown_a and d.shown_b for d in differences)
    assert any(d.field is None and d.register == differences[0].register for d in differences)
    applied = amp.apply(golden)
    assert applied.written and amp.limiter.release == 9 and amp.check(golden) and amp.diff(golden) == []
    assert amp.undo() and amp.limiter.release == 2
    assert amp.redo() and amp.limiter.release == 9
    assert amp.undo() and amp.undo() and amp.limiter.release == 9  # the set to 2 undone as well
    with qm7140.open() as other:
        assert {d.field for d in amp.diff(other)} >= {"Release"}
    assert amp.diff() == []
    with pytest.raises(TypeError):
        amp.diff(3)  # type: ignore[arg-type]
    with pytest.raises(OSError):
        amp.apply(tmp_path / "missing.txt")


def test_presets_are_saved_applied_and_deleted(amp, tmp_path, monkeypatch):
    monkeypatch.setenv("XDG_DATA_HOME", str(tmp_path))
    assert qm7140.presets() == []
    amp.limiter.release = 4
    amp.save_preset("quiet")
    with pytest.raises(ValueError, match="force=True"):
        amp.save_preset("quiet")
    amp.save_preset("quiet", force=True)
    assert qm7140.presets() == ["quiet"]
    amp.limiter.release = 1
    assert amp.apply_preset("quiet").written and amp.limiter.release == 4
    amp.delete_preset("quiet")
    assert qm7140.presets() == []
    for name, error in [("quiet", ValueError), ("../x", ValueError), (3, TypeError)]:
        with pytest.raises(error):
            amp.apply_preset(name)
