#include "host/terminal/session.h"

#include "host/terminal/commands.h"
#include "host/common/parse.h"
#include "platform/form.h"

#include <istream>
#include <ostream>
#include <stdexcept>

namespace host {

namespace {

constexpr DialogInfo kDialogs[] = {
    {QM7140_DIALOG_DIGITAL_CONTROL, "digital", "DigitalControl", "DigitalControlForm"},
    {QM7140_DIALOG_LIMITER, "limiter", "Limiter", "LimiterForm"},
    {QM7140_DIALOG_BOOST, "boost", "Boost", "BoostForm"},
};

}  // namespace

platform::Form* FormOfWindow(const QM7140RegisterWindow& window, std::string_view formName) {
    // The headless stand-in for finding a dialog's window on the screen: a window's owner is
    // its dialog, a form of the control model that this host links as well.
    auto* form = static_cast<platform::Form*>(window.OwnerDialog);
    return form != nullptr && form->kind() == platform::Kind::Form && form->Name() == formName ? form : nullptr;
}

std::span<const DialogInfo> Dialogs() { return kDialogs; }

const DialogInfo& FindDialog(std::string_view name) {
    for (const DialogInfo& d : kDialogs)
        if (EqualsIgnoreCase(name, d.key) || EqualsIgnoreCase(name, d.showName)) return d;
    throw CommandError("unknown dialog " + Quoted(name) + " (digital, limiter or boost)");
}

Session::Session(const std::filesystem::path& modulePath, std::ostream& out, std::ostream& err)
    : module_(modulePath),
      out_(out),
      err_(err),
      device_(module_, [this](const BusWrite& write) {
          out_ << WriteLine(write, device_.Registers()) << '\n';
          if (bus_) bus_->Send(write);
      }) {
    UseBus(MakeSimulatedBus(device_.Registers()));
    for (const DialogInfo& d : kDialogs)
        if (const QM7140RegisterWindow* window = device_.Window(d.index))
            forms_[static_cast<size_t>(d.index)] = FormOfWindow(*window, d.formName);
}

Session::~Session() = default;

platform::Form& Session::FormOf(const DialogInfo& dialog) const {
    platform::Form* form = forms_[static_cast<size_t>(dialog.index)];
    if (form == nullptr) throw CommandError("the module made no " + std::string(dialog.formName));
    return *form;
}

void Session::Poke(uint8_t reg, uint8_t value) { device_.Registers().bytes[reg] = value; }

void Session::Notify(uint8_t reg) { device_.Notify(reg); }

bool Session::UseBus(std::unique_ptr<host::Bus> bus) {
    bus_ = std::make_unique<DeviceBus>(device_, std::move(bus), [this](const std::string& text) {
        out_.flush();
        err_ << "error: " << where_ << text << std::endl;
    });
    return bus_->Connect();
}

void Session::LinkGraphObject(bool link) {
    graphLinked_ = link;
    shownState_ = graph_.object.AnimationState;
    shownHitMode_ = graph_.object.HitMode;
    module_.ShowDialog(device_.Instance(), "DigitalControl", 0, 0, link ? &graph_.object : nullptr);
}

void Session::ReportGraphObject() {
    const QM7140GraphObject& graph = graph_.object;
    if (!graphLinked_ || (graph.AnimationState == shownState_ && graph.HitMode == shownHitMode_)) return;
    shownState_ = graph.AnimationState;
    shownHitMode_ = graph.HitMode;
    out_ << "G animation state " << shownState_ << ", hit mode " << shownHitMode_ << " (" << HitModeName(shownHitMode_)
         << ")\n";
}

bool Session::Execute(std::string_view line) {
    const int failures = bus_->Failures();
    bool ran = true;
    try {
        const std::vector<std::string> words = Tokenize(line);
        if (!words.empty()) RunCommand(*this, words);
    } catch (const std::exception& e) {
        out_.flush();
        err_ << "error: " << where_ << e.what() << std::endl;
        ran = false;
    }
    // A transfer that failed was reported as it happened; the line failed all the same.
    if (bus_->Failures() != failures) ran = false;
    ReportGraphObject();
    return ran;
}

int Session::RunScript(std::istream& in, bool echo) {
    int failed = 0;
    std::string line;
    for (int number = 1; !quit_; ++number) {
        const LineEnd end = ReadLine(in, line);
        if (end == LineEnd::EndOfInput && line.empty()) break;
        if (end == LineEnd::TooLong) {
            // No line at all: whatever follows cannot be told apart from it.
            err_ << "error: line " << number << ": longer than " << kLongestLine << " bytes; the rest is not read"
                 << std::endl;
            ++failed;
            break;
        }
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const auto last = line.find_last_not_of(" \t\r");
        if (echo) out_ << "> " << Escaped(line.substr(first, last - first + 1)) << '\n';
        where_ = "line " + std::to_string(number) + ": ";
        if (!Execute(line)) ++failed;
    }
    where_.clear();
    return failed;
}

void Session::RunInteractive(std::istream& in) {
    std::string line;
    while (!quit_) {
        out_ << "qm7140> " << std::flush;
        const LineEnd end = ReadLine(in, line);
        if (end == LineEnd::EndOfInput) {
            // A line the user never finished with Enter is dropped, not run.
            out_ << '\n';
            break;
        }
        if (end == LineEnd::TooLong) {
            err_ << "error: a line longer than " << kLongestLine << " bytes" << std::endl;
            while (ReadLine(in, line) == LineEnd::TooLong) {
            }
            continue;
        }
        Execute(line);
    }
}

}  // namespace host
