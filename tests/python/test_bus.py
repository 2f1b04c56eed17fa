"""Opening places, and what a chip that cannot be reached raises: through the chip double."""
import errno

import pytest

import qm7140
from conftest import DOUBLE_PATH

PLACE = f"i2c:{DOUBLE_PATH}"


def test_bad_places_and_speeds_are_value_errors():
    for place in ("", "i2c:", "usb:/dev/x", "i2c:/dev/i2c-1@0x78"):
        with pytest.raises(ValueError):
            qm7140.open(place)
    with pytest.raises(ValueError, match="300"):
        qm7140.open(speed=300)
    assert isinstance(qm7140.bridges(), list)


def test_a_chip_on_the_double_is_read_and_written(chip):
    chip.regs[2] = 0x40
    with qm7140.open(PLACE) as amp:
        assert amp.online and amp.place == PLACE
        assert amp.boost.enable_boost is True
        amp.boost.show()
        amp.boost.enable_boost = False
        assert chip.regs[2] == 0
        chip.regs[5] = 9
        amp.read_all()
        assert amp.registers[5] == 9


def test_a_refused_register_raises_bus_error(chip):
    with qm7140.open(PLACE) as amp:
        chip.refuse = 2
        amp.boost.show()
        with pytest.raises(qm7140.BusError) as raised:
            amp.boost.enable_boost = True
        error = raised.value
        assert isinstance(error, OSError)
        assert (error.errno, error.register, error.place) == (errno.EREMOTEIO, 2, PLACE)
        assert "0x02" in str(error)
        assert any(r.kind == "failure" and r.register == 2 for r in amp.log)
        with pytest.raises(qm7140.BusError):
            amp.registers[2] = 0x40
        chip.refuse = -1
        amp.registers[2] = 0x40
        assert chip.regs[2] == 0x40


def test_an_adapter_gone_raises_at_open_and_after(chip):
    chip.vanished = 1
    with pytest.raises(qm7140.BusError) as raised:
        qm7140.open(PLACE)
    assert (raised.value.errno, raised.value.register) == (errno.ENOENT, None)
    chip.vanished = 0
    with pytest.raises(qm7140.BusError) as raised:
        qm7140.open(PLACE + "@0x41")  # nothing answers there
    assert raised.value.register is None and raised.value.place == PLACE + "@0x41"
    with qm7140.open(PLACE) as amp:
        chip.vanished = 1
        with pytest.raises(qm7140.BusError) as raised:
            amp.registers[3] = 1
        assert raised.value.errno == errno.ENODEV and not amp.online
        with pytest.raises(qm7140.BusError):
            amp.read_all()


def test_two_chips_share_the_adapter(chip):
    chip.others[0].address = 0x41
    with qm7140.open(PLACE) as a, qm7140.open(PLACE + "@0x41") as b:
        a.registers[3] = 1
        b.registers[3] = 2
        assert (chip.regs[3], chip.others[0].regs[3]) == (1, 2)
        assert chip.opens == 1


def test_a_script_stops_at_the_refused_transfer(chip, tmp_path):
    script = tmp_path / "script.txt"
    script.write_text("w 80 02 40\nw 80 03 01\nw 80 04 05\n")
    with qm7140.open(PLACE) as amp:
        chip.refuse = 3
        with pytest.raises(qm7140.BusError) as raised:
            amp.replay(script)
        assert (raised.value.errno, raised.value.register) == (errno.EREMOTEIO, 3)
        assert (chip.regs[2], chip.regs[4]) == (0x40, 0)  # nothing after the failed setting
        assert [r.kind for r in amp.log][-1] == "stopped"
