#include "host/terminal/commands.h"

#include "host/common/parse.h"
#include "host/common/state_file.h"
#include "host/terminal/bus_commands.h"
#include "host/terminal/session.h"
#include "host/terminal/user.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/form.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace host {

namespace {

using Args = std::vector<std::string>;
using platform::Kind;

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

platform::Control& ControlOf(const platform::Form& form, const DialogInfo& dialog, std::string_view name) {
    if (platform::Control* control = form.FindControl(name)) return *control;
    throw CommandError("no control " + Quoted(name) + " in " + std::string(dialog.key));
}

// A control the user can reach: its dialog has to be on the screen, and acting on it makes
// that dialog the active window.
struct Target {
    platform::Form& form;
    platform::Control& control;
};

Target Reach(Session& session, std::string_view dialog, std::string_view control) {
    const DialogInfo& info = FindDialog(dialog);
    platform::Form& form = session.FormOf(info);
    if (!form.Visible()) throw CommandError(std::string(info.key) + " is not shown (show it first)");
    platform::Control& found = ControlOf(form, info, control);
    form.userActivate();
    return {form, found};
}

// The user picks one of the host's menu entries: the host's own window takes the focus.
void HostWindowTakesFocus(Session& s) {
    for (const DialogInfo& d : Dialogs()) s.FormOf(d).userDeactivate();
}

void Show(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    HostWindowTakesFocus(s);
    s.Api().SelectMenu(s.Instance(), info.index);
}

void ShowByName(Session& s, const Args& a) {
    HostWindowTakesFocus(s);
    s.Api().ShowDialog(s.Instance(), a[0].c_str(), 0, 0, nullptr);
    for (const DialogInfo& d : Dialogs())
        if (s.FormOf(d).Active()) return;
    s.Out() << "nothing shown\n";
}

// The user clicks into a shown dialog, or back into the host's own window.
void Activate(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    platform::Form& form = s.FormOf(info);
    if (!form.Visible()) throw CommandError(std::string(info.key) + " is not shown");
    form.userActivate();
}

void Deactivate(Session& s, const Args&) { HostWindowTakesFocus(s); }

void Link(Session& s, const Args&) {
    HostWindowTakesFocus(s);
    s.LinkGraphObject(true);
}

void Unlink(Session& s, const Args&) {
    HostWindowTakesFocus(s);
    s.LinkGraphObject(false);
}

void Close(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    platform::Form& form = s.FormOf(info);
    if (!form.Visible()) throw CommandError(std::string(info.key) + " is not shown");
    form.userClose();
}

void ListDialogs(Session& s, const Args&) {
    for (const DialogInfo& d : Dialogs()) {
        const platform::Form& form = s.FormOf(d);
        s.Out() << Padded(std::string(d.key), 9) << Padded(form.Name(), 20) << Padded(Quoted(form.Caption()), 18)
                << (form.Visible() ? (form.Active() ? "shown, active" : "shown") : "hidden") << '\n';
    }
}

void ListControls(Session& s, const Args& a) {
    const platform::Form& form = s.FormOf(FindDialog(a[0]));
    size_t width = 0;
    for (const auto& control : form.Controls()) width = std::max(width, control->Name().size());
    for (const auto& control : form.Controls())
        s.Out() << Padded(control->Name(), width + 2) << Padded(user::KindName(control->kind()), 12) << user::Describe(form, *control)
                << '\n';
    if (form.Controls().empty()) s.Out() << "(no controls)\n";
}

void ListItems(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    const platform::Control& control = ControlOf(s.FormOf(info), info, a[1]);
    if (control.kind() != Kind::ComboBox && control.kind() != Kind::RadioGroup)
        throw CommandError(control.Name() + " is a " + user::KindName(control.kind()) + "; it has no items");
    const auto& items = static_cast<const platform::ItemList&>(control).Items();
    for (size_t i = 0; i < items.size(); ++i) s.Out() << i << ' ' << Quoted(items[i]) << '\n';
}

void Click(Session& s, const Args& a) { user::Click(Reach(s, a[0], a[1]).control); }

void Select(Session& s, const Args& a) { user::Select(Reach(s, a[0], a[1]).control, a[2]); }

void Type(Session& s, const Args& a) {
    const Target t = Reach(s, a[0], a[1]);
    user::Type(t.form, t.control, a[2]);
}

void Leave(Session& s, const Args& a) {
    const Target t = Reach(s, a[0], a[1]);
    user::Leave(t.form, t.control);
}

void Enter(Session& s, const Args& a) {
    const Target t = Reach(s, a[0], a[1]);
    user::Enter(t.form, t.control);
}

void Slide(Session& s, const Args& a) { user::Slide(Reach(s, a[0], a[1]).control, a[2]); }

platform::MouseButton ButtonArgument(const Args& a, size_t index) {
    return a.size() > index ? user::ButtonOf(a[index]) : platform::MouseButton::Left;
}

void Press(Session& s, const Args& a) { user::Press(Reach(s, a[0], a[1]).control, a[2], a[3], ButtonArgument(a, 4)); }

void Move(Session& s, const Args& a) { user::Move(Reach(s, a[0], a[1]).control, a[2], a[3]); }

void Release(Session& s, const Args& a) { user::Release(Reach(s, a[0], a[1]).control, a[2], a[3], ButtonArgument(a, 4)); }

// Press, eight moves along the way, release: what a hand on a mouse reports.
void Drag(Session& s, const Args& a) {
    platform::Control& control = Reach(s, a[0], a[1]).control;
    const auto from = std::array{ParseSigned(a[2]), ParseSigned(a[3])};
    const auto to = std::array{ParseSigned(a[4]), ParseSigned(a[5])};
    if (!from[0] || !from[1] || !to[0] || !to[1]) throw CommandError("drag: pixels are whole numbers");
    user::Press(control, a[2], a[3], platform::MouseButton::Left);
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        const int64_t x = *from[0] + (*to[0] - *from[0]) * i / kSteps, y = *from[1] + (*to[1] - *from[1]) * i / kSteps;
        user::Move(control, std::to_string(x), std::to_string(y));
    }
    user::Release(control, a[4], a[5], platform::MouseButton::Left);
}

void Resize(Session& s, const Args& a) {
    platform::Control& control = Reach(s, a[0], a[1]).control;
    const auto w = ParseUnsigned(a[2]), h = ParseUnsigned(a[3]);
    if (!w || !h || *w < 1 || *h < 1 || *w > 8192 || *h > 8192) throw CommandError("resize: sizes are 1 to 8192 pixels");
    control.Bounds.Width = static_cast<int>(*w);
    control.Bounds.Height = static_cast<int>(*h);
}

// The dialog's paint box, painted through Cairo into a PNG file.
void Snapshot(Session& s, const Args& a) {
    const DialogInfo& info = FindDialog(a[0]);
    platform::Form& form = s.FormOf(info);
    for (const auto& control : form.Controls()) {
        if (control->kind() != Kind::PaintBox) continue;
        platform::cairo::CairoCanvas canvas(control->Bounds.Width, control->Bounds.Height);
        static_cast<platform::PaintBox&>(*control).PaintOn(canvas);
        if (!canvas.WritePng(a[1])) throw CommandError("cannot write " + a[1]);
        s.Out() << "wrote " << a[1] << " (" << canvas.Width() << " x " << canvas.Height() << ")\n";
        return;
    }
    throw CommandError(std::string(info.key) + " has no paintbox to snapshot");
}

void Poke(Session& s, const Args& a) { s.Poke(ParseByte(a[0], "register"), ParseByte(a[1], "value")); }

void Notify(Session& s, const Args& a) { s.Notify(ParseByte(a[0], "register")); }

void Set(Session& s, const Args& a) {
    const uint8_t reg = ParseByte(a[0], "register");
    s.Poke(reg, ParseByte(a[1], "value"));
    s.Notify(reg);
}

void Peek(Session& s, const Args& a) {
    const uint8_t reg = ParseByte(a[0], "register");
    s.Out() << "reg " << Hex(reg) << " = " << Hex(s.Registers().bytes[reg]) << '\n';
}

void Dump(Session& s, const Args&) { s.Registers().Dump(s.Out()); }

void Save(Session& s, const Args& a) { WriteStateFile(a[0], s.Registers()); }

// All or nothing: a bad line leaves the device as it was.
void Load(Session& s, const Args& a) {
    for (const auto& [reg, value] : ReadStateFile(a[0])) s.Poke(reg, value);
    for (unsigned reg = 0; reg < 256; ++reg) s.Notify(static_cast<uint8_t>(reg));
}

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
    {"resize", "DIALOG CONTROL W H", "give a control a new size (a paintbox's plot follows)", 4, false, Resize},
    {"snapshot", "DIALOG FILE", "paint the dialog's paintbox into a PNG file", 2, true, Snapshot},
    {"poke", "REG VALUE", "change a register without telling the module", 2, false, Poke},
    {"notify", "REG", "tell every register window a register changed", 1, false, Notify},
    {"set", "REG VALUE", "poke, then notify", 2, false, Set},
    {"peek", "REG", "print one device register", 1, false, Peek},
    {"dump", "", "print every device register, 16 a line", 0, false, Dump},
    {"save", "FILE", "write the registers to a file, one a line", 1, true, Save},
    {"load", "FILE", "read saved registers (others stay), notify all", 1, true, Load},
    {"bus", "", "print the chip's bus and address, online or offline", 0, false, bus_commands::Status},
    {"connect", "", "(re)open the bus, read registers 0x00-0x1F, notify all", 0, false, bus_commands::Connect},
    {"readall", "", "read registers 0x00-0x1F from the chip, notify all", 0, false, bus_commands::ReadAll},
    {"export", "FORMAT FILE", "write 0x00-0x1F as c, i2cset or script", 2, true, bus_commands::Export},
    {"replay", "FILE", "check a register script whole, then play it", 1, true, bus_commands::Replay},
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
    } else if (arguments.size() > WordCount(command->arguments)) {
        throw CommandError(std::string(command->name) + ": too many arguments; usage: " + Usage(*command));
    }
    command->run(session, arguments);
}

void PrintCommands(std::ostream& out) {
    for (const Command& command : kCommands) out << "  " << Padded(Usage(command), 32) << command.summary << '\n';
    out << "DIALOG is digital, limiter or boost. BUTTON is left (the default), right or middle.\nNumbers are decimal or 0x hex; \"double quotes\"\n"
           "keep blanks together; # starts a comment.\n";
}

}  // namespace host
