"""Each kind of control read as it shows itself and set as a user sets it."""
import pytest

import qm7140


def writes(amp):
    return [(r.register, r.value) for r in amp.log if r.kind == "write"]


def test_names_aliases_and_items(amp):
    assert "InflectionPoint" in list(amp.limiter)
    assert len(list(amp.boost)) == len(amp.boost)
    assert amp.limiter.inflection_point == amp.limiter["InflectionPoint"] == 3.59
    assert amp.limiter.text("InflectionPoint") == "3.59" and amp.boost.text("APTDelay") == "50ms"
    assert amp.boost.apt_threshold == 0 and amp.digital.sdout_tri_state is False
    assert amp.digital.static_text1 == "Digital Source:"
    assert amp.boost.items("APTDelay") == ["50ms", "75ms", "125ms", "200ms"]
    assert amp.digital.items("InputMode") == ["Analog", "Digital"]
    with pytest.raises(KeyError, match="NoSuch"):
        amp.boost["NoSuch"]
    with pytest.raises(AttributeError):
        amp.boost.no_such = 1
    with pytest.raises(TypeError):
        amp.boost.items("EnableBoost")


def test_show_and_hide_and_a_hidden_dialog_opens_as_its_menu_would(amp):
    assert not amp.boost.visible and not amp.limiter.visible
    amp.boost["EnableBoost"] = True
    assert writes(amp) == [(2, 0x40)] and amp.boost.visible
    assert amp.limiter.release == 0 and amp.limiter.visible
    amp.boost.hide()
    assert not amp.boost.visible
    amp.boost.show()
    assert amp.boost.visible
    amp.boost.hide()
    assert not amp.boost.visible


def test_check_box_is_a_bool_with_its_write(amp):
    amp.boost.show()
    amp.boost.enable_boost = True
    assert amp.boost["EnableBoost"] is True
    assert writes(amp) == [(2, 0x40)] and amp.registers[2] == 0x40
    amp.boost.enable_boost = True  # already checked: no click, no write
    assert writes(amp) == [(2, 0x40)]
    with pytest.raises(TypeError, match="bool"):
        amp.boost["EnableBoost"] = 1


def test_lists_take_an_index_or_an_item_text(amp):
    amp.boost.show()
    amp.boost["APTDelay"] = "125ms"
    assert amp.boost["APTDelay"] == 2
    amp.boost["APTDelay"] = 1
    assert amp.boost["APTDelay"] == 1
    with pytest.raises(ValueError, match=r"APTDelay refused 7 .*: it shows 1"):
        amp.boost["APTDelay"] = 7
    with pytest.raises(ValueError, match=r"APTDelay refused '90ms'.*it shows 1"):
        amp.boost["APTDelay"] = "90ms"
    amp.digital.show()
    amp.digital.input_mode = 1
    assert amp.digital.input_mode == 1
    with pytest.raises(ValueError, match="InputMode refused 2"):
        amp.digital.input_mode = 2
    with pytest.raises(TypeError):
        amp.digital.input_mode = "Digital"


def test_track_bar_takes_a_position_in_its_range(amp):
    amp.limiter.show()
    amp.limiter.release = 15
    assert amp.limiter.release == 15 and amp.registers[15] & 0x0F == 15
    before = len(amp.log)
    with pytest.raises(ValueError, match=r"Release refused 16 \(outside 0..15\): it shows 15"):
        amp.limiter.release = 16
    assert len(amp.log) == before


def test_edit_quantises_and_refuses_as_the_dialog_does(amp):
    amp.limiter.show()
    amp.limiter.inflection_point = 3.3
    assert amp.limiter.inflection_point == 3.3  # quantised to code 126: no error
    assert (11, 126) in writes(amp)
    amp.limiter["InflectionPoint"] = "4"
    assert amp.limiter.inflection_point == 3.99
    amp.limiter.inflection_point = " 3.3 "  # blanks are the edit's to take
    assert amp.limiter.text("InflectionPoint") == "3.30"
    amp.limiter.inflection_point = 4
    for bad in (9, "abc", "", "5.6", float("inf"), float("nan")):
        with pytest.raises(ValueError, match=r"InflectionPoint refused .*: it shows \"3.99\""):
            amp.limiter.inflection_point = bad
    with pytest.raises(ValueError, match="printable"):
        amp.limiter.inflection_point = "3\n"
    amp.digital.show()
    amp.digital.data_offset = 12
    assert amp.digital.data_offset == 12.0 and amp.registers[6] == 12
    with pytest.raises(ValueError, match="DataOffset refused 300"):
        amp.digital.data_offset = 300
    assert amp.registers[6] == 12
    with pytest.raises(TypeError):
        amp.digital.data_offset = None


def test_button_clicks_and_labels_take_no_value(amp):
    amp.digital.show()
    amp.digital.click("Reset")
    assert [reg for reg, _ in writes(amp)] == [1, 1]
    with pytest.raises(TypeError, match="label"):
        amp.digital.static_text1 = "x"


def test_closed_amplifier_refuses_everything():
    amp = qm7140.open()
    amp.close()
    assert not amp.online
    with pytest.raises(ValueError, match="closed"):
        amp.registers[0]
    amp.close()  # twice is no error
