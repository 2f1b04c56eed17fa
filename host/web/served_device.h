// One device the web host serves: the module's instance, the chip behind it (the simulated
// one, or a real QM7140 on an I2C adapter) kept true by the bus, the log of what reached it,
// the failures every page of it must see, and the register script it may be playing.
#pragma once

#include "host/common/chip/amplifier.h"
#include "host/common/module/module.h"
#include "host/common/chip/register_export.h"
#include "host/common/text/register_script.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace web {

// Lines numbered from the first one ever added; past `kept`, the oldest fall off.
class Journal {
public:
    explicit Journal(size_t kept) : kept_(kept) {}
    void Add(std::string line);
    uint64_t End() const { return end_; }
    std::string Last() const { return lines_.empty() ? std::string() : lines_.back(); }
    // The lines after `seen` still kept, at most `most`; `seen` moves past them.
    std::vector<std::string> Since(uint64_t& seen, size_t most) const;

private:
    size_t kept_;
    std::deque<std::string> lines_;
    uint64_t end_ = 0;
};

class ServedDevice {
public:
    using Clock = std::chrono::steady_clock;

    // The chip is connected at once; a failure is reported and leaves it offline, for
    // Connect to try again. With `verify` every write is read back.
    ServedDevice(const host::Module& module, host::Bus chip, bool verify = false);

    QM7140Instance Instance() const { return amp_.Instance(); }
    const host::RegisterFile& Registers() const { return amp_.Registers(); }
    bool Simulated() const { return amp_.Chip().Simulated(); }
    const host::Bus& Chip() const { return amp_.Chip(); }
    bool Online() const { return amp_.Online(); }
    // After each action on the module: its failed writes read back and reported.
    void Settle() { amp_.Settle(); }

    // What went to the chip and came from it, timed; and the failures alone, for every page.
    Journal log{500};
    Journal alerts{32};

    // The grid's edit: stored, sent to the chip, every window told.
    void SetRegister(uint8_t reg, uint8_t value);
    // The chip's covered registers read again; the simulated one tells every register.
    void ReadAll();
    void Connect();
    // A state file's registers into the cache, every window told.
    void Load(const std::vector<std::pair<uint8_t, uint8_t>>& values);
    std::string Export(host::ExportFormat format) const;

    // Checks a whole register script; CommandError "script:LINE: why" and nothing played
    // when a line is bad or a script is still playing. Gives the number of steps.
    size_t StartReplay(std::string_view text);
    // One slice of the script, as the timer calls it.
    void PlayDue(Clock::time_point now);
    bool Playing() const { return amp_.Playing(); }
    // Why the last script stopped early, or empty.
    const std::string& ReplayFailure() const { return replayFailure_; }

private:
    // A log line with the time.
    void Note(std::string line);
    void Note(const host::Record& record);
    void Fail(const std::string& text);

    host::Amplifier amp_;
    std::string replayFailure_;
};

}  // namespace web
