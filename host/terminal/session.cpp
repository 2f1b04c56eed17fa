#include "host/terminal/session.h"

#include "host/terminal/commands.h"
#include "host/common/seam/user.h"
#include "host/common/text/parse.h"

#include <cerrno>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace host {

namespace {

std::string Trimmed(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t\r"), last = line.find_last_not_of(" \t\r");
    return first == std::string_view::npos ? std::string() : std::string(line.substr(first, last - first + 1));
}

}  // namespace

Session::Session(const std::filesystem::path& modulePath, std::ostream& out, std::ostream& err,
                 std::vector<ChipPlace> chips, bool verify, bool timestamps)
    : module_(modulePath), out_(out), err_(err), timestamps_(timestamps) {
    if (chips.empty()) chips.emplace_back();
    several_ = chips.size() > 1;
    for (ChipPlace& chip : chips) {
        const size_t index = devices_.size();
        auto slot = std::make_unique<Slot>();
        slot->where = std::move(chip.where);
        slot->device = std::make_unique<Device>(
            module_, std::move(chip.bus), [this, index](const Record& record) { Print(record, index); }, verify);
        devices_.push_back(std::move(slot));
    }
    for (const auto& slot : devices_) slot->device->Start();
}

Session::~Session() = default;

QM7140UiForm Session::Form(const DialogInfo& dialog) const { return user::FormOf(Ui(), Instance(), dialog); }

void Session::Poke(uint8_t reg, uint8_t value) { Current().Chip().Registers().bytes[reg] = value; }

void Session::Notify(uint8_t reg) { Current().Chip().Notify(reg); }

bool Session::UseBus(Bus bus) {
    std::string where = bus.Name();
    devices_[selected_]->where = where.substr(0, where.rfind(" at "));
    return Current().Use(std::move(bus));
}

bool Session::AllOnline() const {
    for (const auto& slot : devices_)
        if (!slot->device->Chip().Online()) return false;
    return true;
}

void Session::Select(std::string_view number) {
    const auto n = ParseUnsigned(number);
    if (!n || *n == 0 || *n > devices_.size())
        throw CommandError("no device " + Quoted(number) + " (1 to " + std::to_string(devices_.size()) + "); device " +
                           std::to_string(selected_ + 1) + " stays selected");
    selected_ = static_cast<size_t>(*n - 1);
}

void Session::Print(const Record& record, size_t device) {
    // With several devices every line says whose it is.
    const std::string whose =
        (timestamps_ ? TimeStamp(record, 6) + "  " : "") + (several_ ? "device " + std::to_string(device + 1) + ": " : "");
    if (IsError(record)) {
        out_.flush();
        err_ << "error: " << where_ << whose << RecordLine(record) << std::endl;
    } else {
        out_ << whose << RecordLine(record) << '\n';
    }
}

void Session::LinkGraphObject(bool link) {
    graphLinked_ = link;
    shownState_ = graph_.object.AnimationState;
    shownHitMode_ = graph_.object.HitMode;
    module_.ShowDialog(Instance(), "DigitalControl", 0, 0, link ? &graph_.object : nullptr);
}

void Session::ReportGraphObject() {
    const QM7140GraphObject& graph = graph_.object;
    if (!graphLinked_ || (graph.AnimationState == shownState_ && graph.HitMode == shownHitMode_)) return;
    shownState_ = graph.AnimationState;
    shownHitMode_ = graph.HitMode;
    out_ << "G animation state " << shownState_ << ", hit mode " << shownHitMode_ << " (" << HitModeName(shownHitMode_)
         << ")\n";
}

int Session::Failures() const {
    int failures = 0;
    for (const auto& slot : devices_) failures += slot->device->Chip().Failures();
    return failures;
}

bool Session::Execute(std::string_view line) {
    const int failures = Failures();
    bool ran = true;
    try {
        const std::vector<std::string> words = Tokenize(line);
        // The command asks for what the module writes while it runs.
        const Amplifier::Asking asking(Current().Chip(), std::make_shared<const std::string>(Trimmed(line)));
        if (!words.empty()) RunCommand(*this, words);
    } catch (const std::exception& e) {
        out_.flush();
        err_ << "error: " << where_ << e.what() << std::endl;
        ran = false;
    }
    // The module's call is over: its failed writes are read back and reported now.
    for (const auto& slot : devices_) {
        slot->device->Chip().Settle();
        slot->device->EndAction();
    }
    if (Failures() != failures) ran = false;
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
        // A program driving the host through a pipe reads each answer before its next line.
        if (!out_.flush() && outputError_ == 0) outputError_ = errno != 0 ? errno : EIO;
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
