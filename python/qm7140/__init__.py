"""The QM7140 amplifier for lab scripts and notebooks: the module's dialogs as Python objects,
over the same device and bus code as the terminal and web hosts.

    import qm7140
    with qm7140.open("i2c:/dev/i2c-1@0x41") as amp:
        amp.limiter.show()
        amp.limiter["InflectionPoint"] = 3.3
        print([record.text for record in amp.log])
"""
from __future__ import annotations

import os
import re
from collections.abc import Callable, Iterator, Sequence
from typing import Any, Union, overload

from . import _qm7140
from ._qm7140 import Record, __version__, bridges

__all__ = ["Amplifier", "BusError", "Dialog", "Log", "PaintBox", "Record", "Registers", "bridges", "open",
           "__version__"]

PathType = Union[str, "os.PathLike[str]"]


class BusError(OSError):
    """A chip that could not be reached: ``errno`` as the bus gave it, ``register`` (None
    for a connect) and ``place`` as it was opened."""

    register: int | None = None
    place: str = ""


_qm7140._set_bus_error(BusError)

_PAINT_BOX = 9  # the seam's kind of a paint box


def _snake(name: str) -> str:
    """InflectionPoint -> inflection_point, APTThreshold -> apt_threshold."""
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])|(?<=[A-Z])(?=[A-Z][a-z])", "_", name).lower()


class PaintBox:
    """A paint box of a dialog: drags in its pixels, its picture as PNG."""

    def __init__(self, device: _qm7140._Device, dialog: int, index: int, name: str) -> None:
        self._device, self._dialog, self._index, self.name = device, dialog, index, name

    def drag(self, start: tuple[int, int], end: tuple[int, int]) -> None:
        """Left button pressed at ``start``, moved there in eight steps, released at ``end``."""
        self._device.drag(self._dialog, self._index, tuple(start), tuple(end))

    def png(self) -> bytes:
        return self._device.png(self._dialog, self._index)

    def _repr_png_(self) -> bytes:
        return self.png()

    def __repr__(self) -> str:
        return f"<PaintBox {self.name}>"


class Dialog:
    """One of the module's dialogs. ``d["Name"]`` is a control by the module's own name and
    ``d.name_in_snake_case`` the same control; ``list(d)`` gives the names."""

    def __init__(self, device: _qm7140._Device, index: int, key: str) -> None:
        controls = device.controls(index)
        state = {
            "_device": device, "_dialog": index, "_key": key,
            "_controls": {name: (i, kind) for i, (name, kind) in enumerate(controls)},
            "_aliases": {_snake(name): name for name, _ in controls},
        }
        for attribute, value in state.items():
            object.__setattr__(self, attribute, value)

    def _find(self, name: str) -> tuple[int, int]:
        try:
            return self._controls[name]
        except (KeyError, TypeError):
            raise KeyError(f"no control {name!r} in {self._key}") from None

    def __getitem__(self, name: str) -> Any:
        index, kind = self._find(name)
        if kind == _PAINT_BOX:
            return PaintBox(self._device, self._dialog, index, name)
        return self._device.get(self._dialog, index)

    def __setitem__(self, name: str, value: Any) -> None:
        try:
            index, kind = self._controls[name]
        except (KeyError, TypeError):
            self._find(name)  # raises the KeyError that names it
        self._device.set(self._dialog, index, kind, value)

    def __getattr__(self, attribute: str) -> Any:
        name = self.__dict__["_aliases"].get(attribute)
        if name is None:
            raise AttributeError(f"{self.__dict__['_key']} has no control {attribute!r}")
        return self[name]

    def __setattr__(self, attribute: str, value: Any) -> None:
        name = self._aliases.get(attribute)
        if name is None:
            raise AttributeError(f"{self._key} has no control {attribute!r}")
        self[name] = value

    def __dir__(self) -> list[str]:
        return sorted(set(super().__dir__()) | set(self._aliases))

    def __iter__(self) -> Iterator[str]:
        return iter(list(self._controls))

    def __len__(self) -> int:
        return len(self._controls)

    def __contains__(self, name: object) -> bool:
        return name in self._controls

    def items(self, name: str) -> list[str]:
        """The item texts of a combo box or a radio group."""
        return self._device.items(self._dialog, self._find(name)[0])

    def click(self, name: str) -> None:
        """Presses a button (or toggles a check box)."""
        self._device.click(self._dialog, self._find(name)[0])

    def show(self) -> None:
        self._device.show(self._dialog)

    def hide(self) -> None:
        self._device.hide(self._dialog)

    @property
    def visible(self) -> bool:
        return self._device.visible(self._dialog)

    @property
    def curve(self) -> PaintBox:
        """The dialog's paint box (the Limiter's transfer curve)."""
        for name, (_, kind) in self._controls.items():
            if kind == _PAINT_BOX:
                return self[name]
        raise AttributeError(f"{self._key} has no paint box")

    def _repr_png_(self) -> bytes | None:
        try:
            return self.curve.png()
        except AttributeError:
            return None

    def __repr__(self) -> str:
        return f"<Dialog {self._key}: {len(self)} controls>"


class Registers:
    """The register cache: reading gives the cached byte; writing sends it to the chip and
    tells the dialogs, as the web host's register grid does."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device

    def __getitem__(self, reg: int) -> int:
        return self._device.register(reg)

    def __setitem__(self, reg: int, value: int) -> None:
        self._device.write_register(reg, value)

    def __len__(self) -> int:
        return 256

    def __iter__(self) -> Iterator[int]:
        return (self[reg] for reg in range(256))


class Log(Sequence):
    """The records of what reached the chip, oldest first."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device

    def __len__(self) -> int:
        return self._device.record_count()

    @overload
    def __getitem__(self, index: int) -> Record: ...
    @overload
    def __getitem__(self, index: slice) -> list[Record]: ...

    def __getitem__(self, index: int | slice) -> Record | list[Record]:
        count = len(self)
        if isinstance(index, slice):
            start, stop, step = index.indices(count)
            if step == 1:
                return self._device.records(start, max(start, stop))
            return [self[i] for i in range(start, stop, step)]
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("log index out of range")
        return self._device.records(index, index + 1)[0]

    def clear(self) -> None:
        self._device.clear_records()

    def __repr__(self) -> str:
        return f"<Log: {len(self)} records>"


class Amplifier:
    """One QM7140: its three dialogs, its registers and the log of what reached it."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device
        self.digital = Dialog(device, 0, "digital")
        self.limiter = Dialog(device, 1, "limiter")
        self.boost = Dialog(device, 2, "boost")
        self.registers = Registers(device)
        self.log = Log(device)

    @property
    def online(self) -> bool:
        return self._device.online

    @property
    def place(self) -> str:
        return self._device.place

    def read_all(self) -> None:
        """Reads the chip's registers again into the cache, and tells the dialogs."""
        self._device.read_all()

    def export(self, format: str, path: PathType) -> None:
        """Writes the registers as "c", "i2cset" or "script"."""
        self._device.export(format, path)

    def replay(self, path: PathType) -> None:
        """Plays a register script, checked whole first; its delays are waited."""
        self._device.replay(path)

    def save_state(self, path: PathType) -> None:
        self._device.save_state(path)

    def load_state(self, path: PathType) -> None:
        """Takes a saved state into the cache, all or nothing, and tells the dialogs."""
        self._device.load_state(path)

    def on_record(self, callback: Callable[[Record], Any]) -> Callable[[Record], Any]:
        """Calls ``callback`` with every new record, once the call that made it is over."""
        self._device.on_record(callback)
        return callback

    def close(self) -> None:
        self._device.close()

    def __enter__(self) -> Amplifier:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<Amplifier {self.place} {'online' if self.online else 'offline'}>"


def open(place: str = "sim", *, verify: bool = False, speed: int = 100) -> Amplifier:
    """The QM7140 at ``place``, spelled as on the hosts' command line (sim,
    i2c:/dev/i2c-N[@0xNN], hid:/dev/hidrawN[@0xNN], hid:VVVV:PPPP[:SERIAL][@0xNN]),
    connected. ValueError for a bad place, BusError when the chip cannot be reached."""
    return Amplifier(_qm7140._Device(place, verify, speed))
