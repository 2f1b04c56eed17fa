"""The QM7140 amplifier for lab scripts and notebooks: the module's dialogs as Python objects,
over the same device and bus code as the terminal and web hosts.

    import qm7140
    with qm7140.open("i2c:/dev/i2c-1@0x41") as amp:
        amp.limiter.inflection_point = 3.3
        print(amp.limiter.inflection_point, [record.text for record in amp.log])

``qm7140.places()`` lists what ``qm7140.open()`` takes on this machine.
"""
from __future__ import annotations

import errno as _errno
import functools as _functools
import gc as _gc
import locale as _locale
import logging as _logging
import math as _math
import operator as _operator
import os
import re
import warnings as _warnings
import weakref as _weakref
from collections.abc import Callable, Iterator, Sequence
from typing import Any, NamedTuple, Union, overload

# The system libraries the extension links, by the Debian package that gives each.
_SYSTEM_LIBRARIES = {"libi2c.so.0": "libi2c0", "libcairo.so.2": "libcairo2"}


def _missing_library(error: ImportError) -> ImportError:
    """The loader's words for a system library not installed, with the package to install."""
    text = str(error)
    for library, package in _SYSTEM_LIBRARIES.items():
        if library in text:
            return ImportError(f"qm7140 needs the system library {library}, which is not installed: install the "
                               f"package {package} (sudo apt install {package}) [{text}]", name=error.name, path=error.path)
    return error


try:
    from . import _qm7140
except ImportError as _error:
    raise _missing_library(_error) from _error
from ._qm7140 import Record, __version__

__all__ = ["Amplifier", "Applied", "BusError", "BusTimeout", "CallbackWarning", "Check", "Dialog", "Difference", "Log",
           "Nack", "PaintBox", "Place", "Record", "RecordCallback", "Registers", "bridges", "places", "presets",
           "__version__"]

logger = _logging.getLogger("qm7140")
"""Every record of every amplifier, as it happens: transfers and notes at DEBUG, failures and
stopped scripts at WARNING; the message is "PLACE: TEXT" and the record is ``record.qm7140``."""

PathType = Union[str, "os.PathLike[str]"]


class BusError(OSError):
    """A chip that could not be reached: ``errno`` as the bus gave it, ``register`` (None
    for a connect) and ``place`` as it was opened."""

    register: int | None = None
    place: str = ""


class Nack(BusError):
    """The chip did not acknowledge a transfer (EREMOTEIO, ENXIO)."""


class BusTimeout(BusError, TimeoutError):
    """A transfer, or the wait for the module another call kept busy, took longer than allowed."""


class CallbackWarning(RuntimeWarning):
    """A record callback raised; the write it was told of reached the chip all the same."""


_NACKS = {_errno.EREMOTEIO, _errno.ENXIO}


def _bus_error(error: int, text: str, register: int | None, place: str) -> BusError:
    kind = BusTimeout if error == _errno.ETIMEDOUT else Nack if error in _NACKS else BusError
    raised = kind(error, text)
    raised.register, raised.place = register, place
    return raised


_qm7140._set_bus_error(_bus_error)

# The seam's kinds of control.
_CHECK_BOX, _COMBO_BOX, _RADIO_GROUP, _TRACK_BAR, _EDIT, _PAINT_BOX, _BUTTON = 1, 2, 3, 4, 5, 9, 8
_INT32 = 2**31
_BY_NUMBER = frozenset((_TRACK_BAR, _RADIO_GROUP, _COMBO_BOX))

# Abbreviations the controls' names run together, as words of their own.
_WORDS = sorted(["I2S", "CLKs", "LRCLK", "BCLK", "SDOUT", "PDM", "APT", "VBAT", "PLL", "SWS"], key=len, reverse=True)
_WORD = re.compile(r"[A-Z]?[a-z]+[0-9]*|[A-Z]+[0-9]*(?![a-z])|[A-Z]+(?=[A-Z][a-z])|[0-9]+")


def _snake(name: str) -> str:
    """InflectionPoint -> inflection_point, I2SOut -> i2s_out, APTVBAT -> apt_vbat."""
    words, i = [], 0
    while i < len(name):
        known = next((w for w in _WORDS if name.startswith(w, i)), None)
        match = None if known else _WORD.match(name, i)
        word = known or (match.group() if match else name[i])
        words.append(word.lower())
        i += len(word)
    return "_".join(words)


def _old_snake(name: str) -> str:
    """The spelling of earlier releases (I2SOut -> i2_s_out), still taken."""
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])|(?<=[A-Z])(?=[A-Z][a-z])", "_", name).lower()


def _decimal_point() -> str:
    """The separator the module writes and reads numbers with: the process's locale's."""
    point = _locale.localeconv()["decimal_point"]
    return point if isinstance(point, str) and len(point) == 1 else "."


def _is_numpy_bool(value: object) -> bool:
    kind = type(value)
    return kind.__module__ == "numpy" and kind.__name__ in ("bool_", "bool")


def _type_name(value: object) -> str:
    return type(value).__name__


def _whole(name: str, value: object, what: str) -> int:
    """An int, a numpy integer, or a real number with no fraction; far outside any range
    clamped, so that the control refuses it as out of range."""
    if isinstance(value, bool) or _is_numpy_bool(value) or isinstance(value, (str, bytes)):
        raise TypeError(f"{name} takes {what}, not {_type_name(value)}")
    if hasattr(type(value), "__index__"):
        number = _operator.index(value)  # type: ignore[arg-type]
    elif hasattr(type(value), "__float__"):
        real = float(value)  # type: ignore[arg-type]
        if not real.is_integer():
            raise ValueError(f"{name} takes {what}, not {value!r}")
        number = int(real)
    else:
        raise TypeError(f"{name} takes {what}, not {_type_name(value)}")
    return max(-_INT32, min(_INT32 - 1, number))


def _edit_text(name: str, value: object) -> str:
    """What is typed into an edit: a str as it is; a number as the module reads numbers."""
    if isinstance(value, str):
        return value
    if isinstance(value, bool) or _is_numpy_bool(value) or isinstance(value, bytes):
        raise TypeError(f"{name} takes a number or a str, not {_type_name(value)}")
    if hasattr(type(value), "__index__"):
        return str(_operator.index(value))  # type: ignore[arg-type]
    if hasattr(type(value), "__float__"):
        real = float(value)  # type: ignore[arg-type]
        text = repr(real) if _math.isfinite(real) else str(real)
        return text.replace(".", _decimal_point())
    raise TypeError(f"{name} takes a number or a str, not {_type_name(value)}")


def _shown_number(text: str) -> float | str:
    """An edit's text as the number it shows, or the text when it shows none."""
    point, number = _decimal_point(), text.strip()
    if point != ".":
        if "." in number:
            return text
        number = number.replace(point, ".")
    if not re.fullmatch(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?", number):
        return text
    return float(number)


def _pixel(value: object) -> int:
    if isinstance(value, bool) or not hasattr(type(value), "__index__"):
        raise TypeError(f"pixels are ints, not {_type_name(value)}")
    pixel = _operator.index(value)  # type: ignore[arg-type]
    if not -32768 <= pixel <= 32767:
        raise ValueError(f"pixels are -32768 to 32767, not {pixel}")
    return pixel


def _point(value: object) -> tuple[int, int]:
    try:
        x, y = value  # type: ignore[misc]
    except (TypeError, ValueError):
        raise TypeError(f"a point is (x, y) in pixels, not {value!r}") from None
    return _pixel(x), _pixel(y)


class PaintBox:
    """A paint box of a dialog: drags in its pixels, its picture as PNG."""

    def __init__(self, device: _qm7140._Device, dialog: int, index: int, name: str) -> None:
        self._device, self._dialog, self._index, self.name = device, dialog, index, name

    def drag(self, start: tuple[int, int], end: tuple[int, int]) -> None:
        """Left button pressed at ``start``, moved there in eight steps, released at ``end``
        (pixels of the paint box, -32768 to 32767)."""
        self._device.drag(self._dialog, self._index, _point(start), _point(end))

    def png(self) -> bytes:
        """The paint box's picture as the dialog paints it, as PNG bytes."""
        return self._device.png(self._dialog, self._index)

    def _repr_png_(self) -> bytes:
        return self.png()

    def __repr__(self) -> str:
        return f"<PaintBox {self.name}>"


class Dialog:
    """One of the module's dialogs. ``d["Name"]`` is a control by the module's own name and
    ``d.name_in_snake_case`` the same control; ``list(d)`` gives the names. A control of a
    dialog not shown opens it first, as its menu item would. An edit that shows a number
    reads as a float; ``d.text(name)`` gives what it shows as text."""

    def __init__(self, device: _qm7140._Device, index: int, key: str) -> None:
        controls = device.controls(index)
        aliases = {_old_snake(name): name for name, _ in controls}
        aliases.update({_snake(name): name for name, _ in controls})
        state = {
            "_device": device, "_dialog": index, "_key": key,
            "_controls": {name: (i, kind) for i, (name, kind) in enumerate(controls)},
            "_aliases": aliases,
            "_names": sorted({_snake(name) for name, _ in controls}),
        }
        for attribute, value in state.items():
            object.__setattr__(self, attribute, value)

    def _find(self, name: object) -> tuple[int, int]:
        if not isinstance(name, str):
            raise TypeError(f"control names are str, not {_type_name(name)}")
        try:
            return self._controls[name]  # type: ignore[no-any-return]
        except KeyError:
            raise KeyError(f"no control {name!r} in {self._key}") from None

    def __getitem__(self, name: str) -> Any:
        index, kind = self._find(name)
        if kind == _PAINT_BOX:
            return PaintBox(self._device, self._dialog, index, name)
        shown = self._device.get(self._dialog, index)
        return _shown_number(shown) if kind == _EDIT else shown

    def __setitem__(self, name: str, value: Any) -> None:
        # A sweep's set, a plain int to a track bar or a list, goes straight to the seam.
        known = self._controls.get(name) if type(name) is str else None
        if known is not None and type(value) is int and known[1] in _BY_NUMBER and -_INT32 <= value < _INT32:
            self._device.set(self._dialog, known[0], known[1], value, value)
            return
        index, kind = self._find(name)
        if kind == _CHECK_BOX:
            if not isinstance(value, bool) and not _is_numpy_bool(value):
                raise TypeError(f"{name} takes a bool, not {_type_name(value)}")
            wanted: object = bool(value)
        elif kind == _COMBO_BOX and isinstance(value, str):
            wanted = value
        elif kind in (_COMBO_BOX, _RADIO_GROUP):
            wanted = _whole(name, value, "an item index" + (" or an item's text" if kind == _COMBO_BOX else ""))
        elif kind == _TRACK_BAR:
            wanted = _whole(name, value, "a whole position")
        elif kind == _EDIT:
            wanted = _edit_text(name, value)
        else:
            raise TypeError(f"{name} is a {self.kind(name)}; it takes no value")
        self._device.set(self._dialog, index, kind, wanted, value)

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
        return sorted(set(super().__dir__()) | set(self._names))

    def __iter__(self) -> Iterator[str]:
        return iter(list(self._controls))

    def __len__(self) -> int:
        return len(self._controls)

    def __contains__(self, name: object) -> bool:
        return name in self._controls

    def text(self, name: str) -> str:
        """What a control shows, as text: an edit's text, a list's item, a label's caption."""
        index, kind = self._find(name)
        shown = self._device.get(self._dialog, index)
        if kind in (_COMBO_BOX, _RADIO_GROUP):
            items = self.items(name)
            return items[shown] if 0 <= shown < len(items) else ""
        return str(shown)

    def kind(self, name: str) -> str:
        """The control's kind in the module's words: "edit", "trackbar", "checkbox", ..."""
        return str(self._device.info(self._dialog, self._find(name)[0])["kind"])

    def range(self, name: str) -> tuple[int, int]:
        """A track bar's lowest and highest position."""
        info = self._device.info(self._dialog, self._find(name)[0])
        if "range" not in info:
            raise TypeError(f"{name} is a {info['kind']}; it has no range")
        low, high = info["range"]
        return int(low), int(high)

    def items(self, name: str) -> list[str]:
        """The item texts of a combo box or a radio group."""
        return self._device.items(self._dialog, self._find(name)[0])

    def click(self, name: str) -> None:
        """Presses a button (or toggles a check box)."""
        index, kind = self._find(name)
        if kind not in (_BUTTON, _CHECK_BOX):
            raise TypeError(f"{name} is a {self.kind(name)}; only a button or a checkbox is clicked")
        self._device.click(self._dialog, index)

    def show(self) -> None:
        """Shows the dialog, as its menu item does."""
        self._device.show(self._dialog)

    def hide(self) -> None:
        """Closes the dialog's window; its controls keep their values."""
        self._device.hide(self._dialog)

    @property
    def visible(self) -> bool:
        """Whether the dialog is shown."""
        return bool(self._device.visible(self._dialog))

    @property
    def curve(self) -> PaintBox:
        """The dialog's paint box (the Limiter's transfer curve)."""
        for name, (_, kind) in self._controls.items():
            if kind == _PAINT_BOX:
                return self[name]  # type: ignore[no-any-return]
        raise AttributeError(f"{self._key} has no paint box")

    def _repr_png_(self) -> bytes | None:
        try:
            return self.curve.png()
        except AttributeError:
            return None

    def __repr__(self) -> str:
        return f"<Dialog {self._key}: {len(self)} controls>"


def _register(reg: object) -> int:
    if isinstance(reg, bool) or not hasattr(type(reg), "__index__"):
        raise TypeError(f"register indices must be integers or slices, not {_type_name(reg)}")
    index = _operator.index(reg)  # type: ignore[arg-type]
    if index < 0:
        index += 256
    if not 0 <= index < 256:
        raise IndexError("register index out of range (0 to 255)")
    return index


class Registers:
    """The register cache, indexed as a bytearray: reading gives the cached byte; writing
    sends it to the chip and tells the dialogs, as the web host's register grid does."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device

    @overload
    def __getitem__(self, reg: int) -> int: ...
    @overload
    def __getitem__(self, reg: slice) -> list[int]: ...

    def __getitem__(self, reg: int | slice) -> int | list[int]:
        if isinstance(reg, slice):
            return [self._device.register(r) for r in range(256)[reg]]
        return int(self._device.register(_register(reg)))

    def __setitem__(self, reg: int, value: int) -> None:
        index = _register(reg)
        if isinstance(value, bool) or not hasattr(type(value), "__index__"):
            raise TypeError(f"a register takes an int, not {_type_name(value)}")
        byte = _operator.index(value)
        if not 0 <= byte < 256:
            raise ValueError(f"a register takes 0 to 255, not {byte}")
        self._device.write_register(index, byte)

    def __len__(self) -> int:
        return 256

    def __iter__(self) -> Iterator[int]:
        return (self[reg] for reg in range(256))


class Log(Sequence[Record]):
    """The records of what reached the chip, oldest first: a ring of the last ``size``
    (10,000 unless set), and as many of the chip's transfers for ``to_csv`` and ``to_pcap``."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device

    def __len__(self) -> int:
        return int(self._device.record_count())

    @overload
    def __getitem__(self, index: int) -> Record: ...
    @overload
    def __getitem__(self, index: slice) -> list[Record]: ...

    def __getitem__(self, index: int | slice) -> Record | list[Record]:
        count = len(self)
        if isinstance(index, slice):
            start, stop, step = index.indices(count)
            if step == 1:
                return self._device.records(start, max(start, stop))  # type: ignore[no-any-return]
            return [self[i] for i in range(start, stop, step)]
        if isinstance(index, bool) or not hasattr(type(index), "__index__"):
            raise TypeError(f"log indices must be integers or slices, not {_type_name(index)}")
        position = _operator.index(index)
        if position < 0:
            position += count
        if not 0 <= position < count:
            raise IndexError("log index out of range")
        return self._device.records(position, position + 1)[0]  # type: ignore[no-any-return]

    @property
    def size(self) -> int:
        """The most records (and transfers) kept; the oldest go first. At least 1."""
        return int(self._device.record_limit())

    @size.setter
    def size(self, size: int) -> None:
        if isinstance(size, bool) or not hasattr(type(size), "__index__"):
            raise TypeError(f"the log's size is an int, not {_type_name(size)}")
        count = _operator.index(size)
        if not 1 <= count <= 100_000_000:
            raise ValueError(f"the log's size is 1 to 100000000, not {count}")
        self._device.set_record_limit(count)

    def clear(self) -> None:
        """Forgets every record and transfer kept, and the memory they took."""
        self._device.clear_records()

    def to_csv(self, path: PathType) -> None:
        """Writes the chip's transfers kept as CSV, one row each (time, duration, device,
        address, register, direction, value, result, source), as the hosts save them."""
        self._device.save_log(os.fspath(path), False)

    def to_pcap(self, path: PathType) -> None:
        """Writes the chip's transfers kept as a pcap capture (Linux I2C), as the hosts save them."""
        self._device.save_log(os.fspath(path), True)

    def __repr__(self) -> str:
        return f"<Log: {len(self)} records>"


class RecordCallback:
    """What ``Amplifier.on_record`` gives: ``remove()`` stops the calls; calling it calls
    the callback."""

    def __init__(self, receiver: _Receiver, callback: Callable[[Record], Any]) -> None:
        self._receiver, self.callback = receiver, callback

    def remove(self) -> None:
        """The callback is called no more; removing it twice is no error."""
        self._receiver.remove(self)

    def __call__(self, record: Record) -> Any:
        return self.callback(record)

    def __repr__(self) -> str:
        return f"<RecordCallback {self.callback!r}>"


_LEVELS = {"failure": _logging.WARNING, "stopped": _logging.WARNING}


class _Receiver:
    """The device's records handed to the logger and the callbacks. The device holds it
    weakly, and the amplifier strongly: a callback that names the amplifier keeps it no
    longer than Python's collector does."""

    def __init__(self, device: _qm7140._Device) -> None:
        self.callbacks: dict[RecordCallback, None] = {}
        self.reported: set[int] = set()
        self.device = _weakref.ref(device)
        device.set_receiver(self, _functools.partial(logger.isEnabledFor, _logging.DEBUG))

    def add(self, handle: RecordCallback) -> None:
        self.callbacks[handle] = None
        self._tell()

    def remove(self, handle: RecordCallback) -> None:
        self.callbacks.pop(handle, None)
        self._tell()

    def _tell(self) -> None:
        device = self.device()
        if device is not None:
            device.set_callbacks(bool(self.callbacks))

    def __call__(self, records: list[Record], place: str) -> None:
        for record in records:
            level = _LEVELS.get(record.kind, _logging.DEBUG)
            if logger.isEnabledFor(level):
                logger.log(level, "%s: %s", place, record.text, extra={"qm7140": record})
        for handle in list(self.callbacks):
            for record in records:
                try:
                    handle.callback(record)
                except Exception as raised:  # the write stands: told once, never undone
                    if id(handle) not in self.reported:
                        self.reported.add(id(handle))
                        _warnings.warn(f"the record callback {handle.callback!r} raised {raised!r} (the write reached "
                                       "the chip; this callback's later failures are not reported)",
                                       CallbackWarning, stacklevel=2)


class Difference(NamedTuple):
    """One difference of two register states: a register's line (``field`` None; ``a`` and
    ``b`` its bytes) or a field's (the module's control name; ``a`` and ``b`` its bits'
    value), with both as the dialogs show them and the words the dialog puts beside it."""

    register: int
    field: str | None
    a: int
    b: int
    shown_a: str
    shown_b: str
    title: str | None


class Applied(NamedTuple):
    """What an apply wrote: the registers, in the order sent, and how many were equal already."""

    written: list[int]
    equal: int


class Check(NamedTuple):
    """The chip against a state file: ``equal``, and the differences when not. True when equal."""

    equal: bool
    differences: list[Difference]

    def __bool__(self) -> bool:
        return self.equal


def _differences(rows: list[tuple[Any, ...]]) -> list[Difference]:
    return [Difference(*row) for row in rows]


def _applied(result: tuple[list[int], int]) -> Applied:
    return Applied(list(result[0]), int(result[1]))


def _preset_name(name: object) -> str:
    if not isinstance(name, str):
        raise TypeError(f"a preset's name is a str, not {_type_name(name)}")
    return name


def presets() -> list[str]:
    """The names of the saved presets, sorted (the hosts' shelf: $XDG_DATA_HOME/qm7140/presets)."""
    return list(_qm7140._presets())


class Amplifier:
    """One QM7140: its three dialogs, its registers and the log of what reached it."""

    def __init__(self, device: _qm7140._Device) -> None:
        self._device = device
        self._receiver = _Receiver(device)
        self.digital = Dialog(device, 0, "digital")
        self.limiter = Dialog(device, 1, "limiter")
        self.boost = Dialog(device, 2, "boost")
        self.registers = Registers(device)
        self.log = Log(device)

    @property
    def online(self) -> bool:
        """Whether the chip answered its last transfer (the simulated chip always does)."""
        return bool(self._device.online)

    @property
    def place(self) -> str:
        """Where the chip is, as ``open()`` took it."""
        return str(self._device.place)

    def connect(self) -> None:
        """Opens the bus again and reads the chip's registers: after the adapter came back."""
        self._device.connect()

    def read_all(self) -> None:
        """Reads the chip's registers again into the cache, and tells the dialogs."""
        self._device.read_all()

    def export(self, format: str, path: PathType) -> None:
        """Writes the registers as "c", "i2cset" or "script"."""
        if not isinstance(format, str):
            raise TypeError(f"format is a str, not {_type_name(format)}")
        self._device.export(format, os.fspath(path))

    def replay(self, path: PathType) -> None:
        """Plays a register script, checked whole first; its delays are waited. Ctrl+C stops
        it between two steps, nothing sent after it."""
        self._device.replay(os.fspath(path))

    def save_state(self, path: PathType) -> None:
        """Writes the register cache to a state file."""
        self._device.save_state(os.fspath(path))

    def load_state(self, path: PathType) -> None:
        """Takes a saved state into the cache, all or nothing, and tells the dialogs."""
        self._device.load_state(os.fspath(path))

    def on_record(self, callback: Callable[[Record], Any]) -> RecordCallback:
        """Calls ``callback`` with every new record, once the call that made it is over. One
        that raises is reported once as a CallbackWarning; the write stands. Gives the handle
        whose ``remove()`` stops it."""
        if not callable(callback):
            raise TypeError(f"the callback must be callable, not {_type_name(callback)}")
        handle = RecordCallback(self._receiver, callback)
        self._receiver.add(handle)
        return handle

    def apply(self, path: PathType) -> Applied:
        """Brings a state file's settings to the chip: a real chip read first, then only the
        registers that differ written, in a safe order, the dialogs told; one undo step.
        BusError (after what was written) when a write fails."""
        return _applied(self._device.apply(os.fspath(path)))

    def diff(self, other: PathType | Amplifier | None = None) -> list[Difference]:
        """This chip, read now, against ``other`` (side ``a``): a state file, another
        amplifier's chip read now, or (None) the register cache as the dialogs hold it.
        Every register that differs, then every field; empty when they agree."""
        if other is None:
            first = self._device.cached()
        elif isinstance(other, Amplifier):
            first = other._device.read_now(other.place)
        elif isinstance(other, (str, os.PathLike)):
            first = self._device.values_of(os.fspath(other))
        else:
            raise TypeError(f"diff takes a path, an Amplifier or None, not {_type_name(other)}")
        return _differences(self._device.compare(first, self._device.read_now("chip")))

    def check(self, path: PathType) -> Check:
        """The chip, read now, against a state file: true when equal, else the differences
        (the file's side ``a``)."""
        equal, rows = self._device.check(os.fspath(path))
        return Check(bool(equal), _differences(rows))

    def save_preset(self, name: str, force: bool = False) -> None:
        """Saves the registers as the preset ``name``; ValueError when it exists, unless ``force``."""
        try:
            self._device.save_preset(_preset_name(name), bool(force))
        except ValueError as refused:
            raise ValueError(str(refused).replace("with --force", "with force=True")) from None

    def apply_preset(self, name: str) -> Applied:
        """Applies the preset ``name`` as ``apply`` applies a file."""
        return _applied(self._device.apply_preset(_preset_name(name)))

    def delete_preset(self, name: str) -> None:
        """Deletes the preset ``name``; ValueError when there is none."""
        self._device.delete_preset(_preset_name(name))

    def undo(self) -> bool:
        """Writes back the last change (a control set, a register written, an apply); False
        when there is nothing to undo."""
        return bool(self._device.undo())

    def redo(self) -> bool:
        """Makes the change last undone again; False when there is none."""
        return bool(self._device.redo())

    def close(self) -> None:
        """Lets the chip go; the amplifier refuses every later call. Twice is no error."""
        self._device.close()

    def __enter__(self) -> Amplifier:
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<Amplifier {self.place} {'online' if self.online else 'offline'}>"


def open(place: str = "sim", *, verify: bool = False, speed: int = 100, timeout: float | None = None) -> Amplifier:
    """The QM7140 at ``place``, spelled as on the hosts' command line (sim,
    i2c:/dev/i2c-N[@0xNN], hid:/dev/hidrawN[@0xNN], hid:VVVV:PPPP[:SERIAL][@0xNN]; ``places()``
    lists them), connected. ``speed`` is 100 or 400 kHz; ``timeout`` the seconds a call waits
    for the module while another thread's call holds it (None: as long as it takes), past
    which BusTimeout. ValueError for a bad place, BusError when the chip cannot be reached;
    at most 16 are open at once."""
    if not isinstance(place, str):
        raise TypeError(f"place must be a str, not {_type_name(place)}")
    if isinstance(speed, bool) or not hasattr(type(speed), "__index__"):
        raise TypeError(f"speed must be an int (100 or 400), not {_type_name(speed)}")
    kilohertz = _operator.index(speed)
    if kilohertz not in (100, 400):
        raise ValueError(f"speed must be 100 or 400 (kHz), not {kilohertz}")
    seconds = None
    if timeout is not None:
        if isinstance(timeout, bool) or not hasattr(type(timeout), "__float__"):
            raise TypeError(f"timeout must be seconds as a number or None, not {_type_name(timeout)}")
        seconds = float(timeout)
        if not 0 <= seconds <= 86400:
            raise ValueError(f"timeout must be 0 to 86400 seconds, not {timeout!r}")
    try:
        return Amplifier(_qm7140._Device(place, bool(verify), kilohertz, seconds))
    except RuntimeError as full:
        if "amplifiers are open" not in str(full):
            raise
    # Amplifiers no longer reachable, held only in cycles (a callback naming its amplifier),
    # are closed by the collector: those count for nothing.
    _gc.collect()
    return Amplifier(_qm7140._Device(place, bool(verify), kilohertz, seconds))


class Place(NamedTuple):
    """A place ``open()`` takes, and what is there."""

    place: str
    description: str


def _i2c_adapters() -> list[Place]:
    found = []
    try:
        names = os.listdir("/sys/class/i2c-dev")
    except OSError:
        names = []
    for name in sorted(names, key=lambda n: int(n.rsplit("-", 1)[-1]) if n.rsplit("-", 1)[-1].isdigit() else 0):
        try:
            with _builtin_open(f"/sys/class/i2c-dev/{name}/name") as file:
                description = file.read().strip()
        except OSError:
            description = ""
        found.append(Place(f"i2c:/dev/{name}", f"I2C adapter {description}".strip()))
    return found


def places() -> list[Place]:
    """What ``open()`` takes here: the simulated chip, each I2C adapter, each USB-HID bridge
    plugged in, each with a description. A chip at another address than 0x40 adds @0xNN."""
    found = [Place("sim", "the simulated QM7140")]
    found += _i2c_adapters()
    found += [Place(place, "USB-HID I2C bridge " + line) for place, line in _qm7140._bridges()]
    return found


def bridges() -> list[str]:
    """The USB-HID bridges plugged in, a line each as the terminal host lists them (see
    ``places()`` for what ``open()`` takes)."""
    return [line for _, line in _qm7140._bridges()]


import builtins as _builtins  # noqa: E402

_builtin_open = _builtins.open
