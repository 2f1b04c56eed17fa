#include "host/terminal/commands.h"

#include "host/common/text/parse.h"
#include "host/common/text/files.h"
#include "host/terminal/bench_commands.h"
#include "host/terminal/bus_commands.h"
#include "host/terminal/session.h"
#include "host/common/seam/cairo_drawing.h"
#include "host/terminal/environment.h"
#include "host/common/seam/user.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace host {

namespace {

using Args = std::vector<std::string>;

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// A control of a dialog by its name, as the seam finds it.
user::Target ControlOf(const Session& s, const DialogInfo& dialog, std::string_view name) {
    int32_t index = -1;
    const std::string wanted(name);
    if (name.find('\0') != std::string_view::npos || s.Ui().find(s.Instance(), dialog.index, wanted.c_str(), &index) != QM7140_UI_OK)
        throw CommandError("no control " + Quoted(name) + " in " + std::string(dialog.key));
    QM7140UiControl c{.size = sizeof c};
    if (s.Ui().control(s.Instance(), dialog.index, index, &c) != QM7140_UI_OK)
        throw CommandError("cannot read " + Quoted(name) + " in " + std::string(dialog.key));
    return {s.Ui(), s.Instance(), dialog.index, std::string(dialog.key), index, wanted, c.kind};
}

// A control the user can reach (user::Reach).
user::Target Reach(Session& s, std::string_view dialog, std::string_view control) {
    const DialogInfo& info = FindDialog(dialog);
    user::Reach(s.Ui(), s.Instance(), info);
    return ControlOf(s, info, control);
}

void HostWindowTakesFocus(Session& s) { user::HostWindowTakesFocus(s.Ui(), s.Instance()); }

void Show(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    HostWindowTakesFocus(s);
    s.Api().SelectMenu(s.Instance(), info.index);
}

void ShowByName(Session& s, const Args& a) {
    HostWindowTakesFocus(s);
    s.Api().ShowDialog(s.Instance(), a[0].c_str(), 0, 0, nullptr);
    for (const DialogInfo& d : Dialogs())
        if (s.Form(d).active != 0) return;
    s.Out() << "nothing shown\n";
}

const DialogInfo& ShownDialog(Session& s, std::string_view name) {
    const DialogInfo& info = FindDialog(name);
    if (s.Form(info).visible == 0) throw CommandError(std::string(info.key) + " is not shown");
    return info;
}

// The user clicks into a shown dialog, or back into the host's own window.
void Activate(Session& s, const Args& a) { s.Ui().activate(s.Instance(), ShownDialog(s, a[0]).index); }

void Deactivate(Session& s, const Args&) { HostWindowTakesFocus(s); }

void Link(Session& s, const Args&) {
    HostWindowTakesFocus(s);
    s.LinkGraphObject(true);
}

void Unlink(Session& s, const Args&) {
    HostWindowTakesFocus(s);
    s.LinkGraphObject(false);
}

void Close(Session& s, const Args& a) { s.Ui().close(s.Instance(), ShownDialog(s, a[0]).index); }

void ListDialogs(Session& s, const Args&) {
    for (const DialogInfo& d : Dialogs()) {
        const QM7140UiForm form = s.Form(d);
        s.Out() << Padded(std::string(d.key), 9) << Padded(Text(form.name), 20) << Padded(Quoted(Text(form.caption)), 18)
                << (form.visible != 0 ? (form.active != 0 ? "shown, active" : "shown") : "hidden") << '\n';
    }
}

// In the dialog's tab order, a group's controls after the group.
void ListControls(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    std::vector<user::Target> controls;
    for (int32_t i = 0; i < s.Form(info).control_count; ++i) {
        QM7140UiControl c{.size = sizeof c};
        if (s.Ui().control(s.Instance(), info.index, i, &c) != QM7140_UI_OK) throw CommandError("cannot read the controls");
        controls.push_back({s.Ui(), s.Instance(), info.index, std::string(info.key), i, Text(c.name), c.kind});
    }
    size_t width = 0;
    for (const auto& c : controls) width = std::max(width, c.name.size());
    for (const auto& c : controls)
        s.Out() << Padded(c.name, width + 2) << Padded(user::KindName(c.kind), 12) << user::Describe(c) << '\n';
    if (controls.empty()) s.Out() << "(no controls)\n";
}

void ListItems(Session& s, const Args& a) {
    const user::Target t = ControlOf(s, FindDialog(a[0]), a[1]);
    if (t.kind != QM7140_UI_COMBO_BOX && t.kind != QM7140_UI_RADIO_GROUP)
        throw CommandError(t.name + " is a " + user::KindName(t.kind) + "; it has no items");
    for (int32_t i = 0; i < user::Read(t).item_count; ++i) {
        const char* text = nullptr;
        if (s.Ui().item(s.Instance(), t.dialog, t.index, i, &text) != QM7140_UI_OK) throw CommandError("cannot read the items");
        s.Out() << i << ' ' << Quoted(text) << '\n';
    }
}

void Click(Session& s, const Args& a) { user::Click(Reach(s, a[0], a[1])); }

void Select(Session& s, const Args& a) { user::Select(Reach(s, a[0], a[1]), a[2]); }

void Type(Session& s, const Args& a) { user::Type(Reach(s, a[0], a[1]), a[2]); }

void Leave(Session& s, const Args& a) { user::Leave(Reach(s, a[0], a[1])); }

void Enter(Session& s, const Args& a) { user::Enter(Reach(s, a[0], a[1])); }

void Slide(Session& s, const Args& a) { user::Slide(Reach(s, a[0], a[1]), a[2]); }

QM7140UiButton ButtonArgument(const Args& a, size_t index) {
    return a.size() > index ? user::ButtonOf(a[index]) : QM7140_UI_BUTTON_LEFT;
}

void Press(Session& s, const Args& a) {
    const user::Target t = Reach(s, a[0], a[1]);
    user::Mouse(t, QM7140_UI_MOUSE_DOWN, user::Coordinate(a[2]), user::Coordinate(a[3]), ButtonArgument(a, 4));
}

void Move(Session& s, const Args& a) {
    const user::Target t = Reach(s, a[0], a[1]);
    user::Mouse(t, QM7140_UI_MOUSE_MOVE, user::Coordinate(a[2]), user::Coordinate(a[3]), QM7140_UI_BUTTON_LEFT);
}

void Release(Session& s, const Args& a) {
    const user::Target t = Reach(s, a[0], a[1]);
    user::Mouse(t, QM7140_UI_MOUSE_UP, user::Coordinate(a[2]), user::Coordinate(a[3]), ButtonArgument(a, 4));
}

void Drag(Session& s, const Args& a) {
    const user::Target t = Reach(s, a[0], a[1]);
    const auto from = std::array{ParseSigned(a[2]), ParseSigned(a[3])};
    const auto to = std::array{ParseSigned(a[4]), ParseSigned(a[5])};
    if (!from[0] || !from[1] || !to[0] || !to[1]) throw CommandError("drag: pixels are whole numbers");
    user::Drag(t, user::Coordinate(a[2]), user::Coordinate(a[3]), user::Coordinate(a[4]), user::Coordinate(a[5]));
}

void Resize(Session& s, const Args& a) { user::Resize(Reach(s, a[0], a[1]), a[2], a[3]); }

// The dialog's paint box, painted through Cairo into a PNG file.
void Snapshot(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    for (int32_t i = 0; i < s.Form(info).control_count; ++i) {
        QM7140UiControl c{.size = sizeof c};
        if (s.Ui().control(s.Instance(), info.index, i, &c) != QM7140_UI_OK || c.kind != QM7140_UI_PAINT_BOX) continue;
        CairoPicture picture(c.width, c.height);
        if (s.Ui().paint(s.Instance(), info.index, i, &CairoPicture::kDrawing, &picture) != QM7140_UI_OK)
            throw CommandError("the module did not paint " + Text(c.name));
        const auto png = picture.Png();
        if (!png) throw CommandError("cannot encode " + Text(c.name) + " as PNG");
        WriteReplacing(a[1], *png);
        s.Out() << "wrote " << Shown(a[1]) << " (" << picture.Width() << " x " << picture.Height() << ")\n";
        return;
    }
    throw CommandError(std::string(info.key) + " has no paintbox to snapshot");
}

void Poke(Session& s, const Args& a) { s.Poke(ParseByte(a[0], "register"), ParseByte(a[1], "value")); }

void Notify(Session& s, const Args& a) { s.Notify(ParseByte(a[0], "register")); }

void Set(Session& s, const Args& a) { s.Current().SetRegister(ParseByte(a[0], "register"), ParseByte(a[1], "value")); }

void Peek(Session& s, const Args& a) {
    const uint8_t reg = ParseByte(a[0], "register");
    s.Out() << "reg " << Hex(reg) << " = " << Hex(s.Registers().bytes[reg]) << '\n';
}

void Dump(Session& s, const Args&) { s.Registers().Dump(s.Out()); }

void Save(Session& s, const Args& a) { s.Current().SaveState(a[0]); }

void Load(Session& s, const Args& a) { s.Current().LoadState(a[0]); }

void Menu(Session& s, const Args&) {
    for (uint32_t index = 0; index < 256; ++index) {
        const char* caption = s.Api().GetMenuItem(index);
        if (caption == nullptr) break;
        s.Out() << index << ' ' << caption << '\n';
    }
}

void Name(Session& s, const Args& a) { s.Api().SetCodecName(s.Instance(), a[0].c_str()); }

void Help(Session& s, const Args&) { PrintCommands(s.Out()); }

void Quit(Session& s, const Args&) { s.Quit(); }

constexpr Command kCommands[] = {
    {"show", "DIALOG", "show a dialog through its menu entry (_SelectMenu)", 1, false, Show},
    {"show-by-name", "NAME", "show a dialog by name (_ShowDialog), e.g. Boost", 1, true, ShowByName},
    {"close", "DIALOG", "close a dialog (it only hides)", 1, false, Close},
    {"activate", "DIALOG", "click into a shown dialog: it becomes the active window", 1, false, Activate},
    {"deactivate", "", "click into the host's own window: no dialog is active", 0, false, Deactivate},
    {"link", "", "show digital by name with the host's graph object linked", 0, false, Link},
    {"unlink", "", "show digital by name with no graph object", 0, false, Unlink},
    {"dialogs", "", "list the dialogs, shown or hidden", 0, false, ListDialogs},
    {"controls", "DIALOG", "list a dialog's controls, kind and state", 1, false, ListControls},
    {"items", "DIALOG CONTROL", "list the items of a combobox or radiogroup", 2, false, ListItems},
    {"click", "DIALOG CONTROL", "click a checkbox or a button", 2, false, Click},
    {"select", "DIALOG CONTROL ITEM", "pick a list item by its text or index", 3, true, Select},
    {"type", "DIALOG CONTROL TEXT", "replace an edit's text key by key, or a combobox's", 3, true, Type},
    {"leave", "DIALOG CONTROL", "move the focus out of an edit", 2, false, Leave},
    {"enter", "DIALOG CONTROL", "press Enter in an edit", 2, false, Enter},
    {"slide", "DIALOG CONTROL POSITION", "move a trackbar", 3, false, Slide},
    {"press", "DIALOG CONTROL X Y [BUTTON]", "press a mouse button at a pixel of a paintbox", 4, false, Press},
    {"move", "DIALOG CONTROL X Y", "move the mouse to a pixel of a paintbox", 4, false, Move},
    {"release", "DIALOG CONTROL X Y [BUTTON]", "release a mouse button over a paintbox", 4, false, Release},
    {"drag", "DIALOG CONTROL X1 Y1 X2 Y2", "left-press, move in 8 steps, release", 6, false, Drag},
    {"resize", "DIALOG CONTROL W H", "give a paintbox a new size (its plot follows)", 4, false, Resize},
    {"snapshot", "DIALOG FILE", "paint the dialog's paintbox into a PNG file", 2, true, Snapshot},
    {"poke", "REG VALUE", "change a register without telling the module", 2, false, Poke},
    {"notify", "REG", "tell every register window a register changed", 1, false, Notify},
    {"set", "REG VALUE", "send a register to the chip, every window told", 2, false, Set},
    {"peek", "REG", "print one device register", 1, false, Peek},
    {"dump", "", "print every device register, 16 a line", 0, false, Dump},
    {"save", "FILE", "write the registers to a file, one a line", 1, true, Save},
    {"load", "FILE", "read saved registers into the cache alone (others stay), notify all", 1, true, Load},
    {"bus", "", "print the chip's bus and address, online or offline", 0, false, bus_commands::Status},
    {"connect", "", "(re)open the bus, read registers 0x00-0x1F, notify all", 0, false, bus_commands::Connect},
    {"readall", "", "read registers 0x00-0x1F from the chip, notify all", 0, false, bus_commands::ReadAll},
    {"export", "FORMAT FILE", "write 0x00-0x1F as c, i2cset or script", 2, true, bus_commands::Export},
    {"replay", "FILE", "check a register script whole, then play it", 1, true, bus_commands::Replay},
    {"log", "save FILE", "save the transfers with their times as .csv or .pcap (Wireshark)", 2, true, bus_commands::Log},
    {"apply", "FILE", "bring the chip to a state file: only registers 0x00-0x1F that differ are sent", 1, true, bench_commands::Apply},
    {"diff", "A [B]", "compare two of: chip, device N, a state FILE (B: this chip); fields by name", 1, false, bench_commands::Diff, 4},
    {"check", "FILE", "compare the chip, read now, with a state file and say equal or not", 1, true, bench_commands::Check},
    {"preset", "ACTION [NAME] [--force]", "list, save NAME [--force], apply NAME, diff NAME, delete NAME", 1, false, bench_commands::Preset},
    {"undo", "", "write back what the last change (a dialog's, a set, an apply) changed", 0, false, bench_commands::Undo},
    {"redo", "", "write the last undone change again", 0, false, bench_commands::Redo},
    {"devices", "", "list the devices: number, where, address, online", 0, false, bus_commands::ListDevices},
    {"device", "N", "act on device N (from 1) from now on", 1, false, bus_commands::SelectDevice},
    {"bridges", "", "list the USB-HID I2C bridges plugged in and the place to use", 0, false, bus_commands::ListBridges},
    {"menu", "", "list the menu captions (_GetMenuItem)", 0, false, Menu},
    {"name", "NAME", "give the instance a device name (_SetCodecName)", 1, true, Name},
    {"help", "", "list the commands", 0, false, Help},
    {"quit", "", "free the instance and leave", 0, false, Quit},
};

size_t WordCount(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ' && (i == 0 || text[i - 1] == ' ')) ++count;
    return count;
}

std::string Usage(const Command& command) {
    std::string usage(command.name);
    if (!command.arguments.empty()) usage += " " + std::string(command.arguments);
    return usage;
}

}  // namespace

void RunCommand(Session& session, const std::vector<std::string>& words) {
    const auto command = std::ranges::find_if(kCommands, [&](const Command& c) { return EqualsIgnoreCase(c.name, words[0]); });
    if (command == std::end(kCommands))
        throw CommandError("unknown command " + Quoted(words[0]) + " (help lists the commands)");
    Args arguments(words.begin() + 1, words.end());
    if (arguments.size() < command->required) {
        std::string_view missing = command->arguments;
        for (size_t i = 0; i < arguments.size(); ++i) missing.remove_prefix(missing.find(' ') + 1);
        missing = missing.substr(0, missing.find(' '));
        throw CommandError(std::string(command->name) + ": missing " + std::string(missing) + "; usage: " +
                           Usage(*command));
    }
    if (command->restOfLine) {
        while (arguments.size() > command->required) {
            arguments[arguments.size() - 2] += " " + arguments.back();
            arguments.pop_back();
        }
    } else if (arguments.size() > std::max(WordCount(command->arguments), command->most)) {
        throw CommandError(std::string(command->name) + ": too many arguments; usage: " + Usage(*command));
    }
    std::string_view placeholders = command->arguments;
    for (std::string& argument : arguments) {
        const size_t space = placeholders.find(' ');
        if (placeholders.substr(0, space) == "FILE") argument = ExpandEnvironment(argument);
        placeholders = space == std::string_view::npos ? "" : placeholders.substr(space + 1);
    }
    command->run(session, arguments);
}

// Two blanks at least between a command and its summary, even after the longest: help2man
// takes a run of blanks for the end of the term, and one blank runs the next lines together.
void PrintCommands(std::ostream& out) {
    size_t width = 0;
    for (const Command& command : kCommands) width = std::max(width, Usage(command).size());
    for (const Command& command : kCommands) out << "  " << Padded(Usage(command), width + 2) << command.summary << '\n';
    out << "\n"
           "DIALOG is digital, limiter or boost. BUTTON is left (the default), right or\n"
           "middle. Numbers are decimal or 0x hex; \"double quotes\" keep blanks together;\n"
           "# starts a comment. A FILE takes $NAME, ${NAME} and ${NAME:-DEFAULT} from the\n"
           "environment, e.g. ${TMPDIR:-/tmp}/curve.png. A state FILE holds one \"REG VALUE\"\n"
           "line per register (save writes one); apply, diff and check take its registers\n"
           "0x00-0x1F, register 1 without its reset bit. Presets live in\n"
           "$XDG_DATA_HOME/qm7140/presets (~/.local/share/qm7140/presets).\n";
}

}  // namespace host
