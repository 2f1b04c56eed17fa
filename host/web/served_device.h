// One device the web host serves: the chip's object (the module's instance, the chip behind
// a bus, the cache, the script player), the journal its records go to for the pages, the
// figure Digital Control may be linked to, and its paint boxes' pictures.
#pragma once

#include "host/common/chip/amplifier.h"
#include "host/common/chip/register_export.h"
#include "host/common/module/graph_object.h"
#include "host/common/module/module.h"
#include "host/web/pictures.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
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

// What every page of a device is told: each of the chip's records and each of the host's
// notes as a timed log line, and the failures again as alerts.
struct DeviceJournal {
    Journal log{500};
    Journal alerts{32};

    void Note(std::string line);
    void Take(const host::Record& record);
};

// The figure's size, as the page draws it.
constexpr int32_t kFigureWidth = 132, kFigureHeight = 60;

struct ServedDevice {
    using Clock = std::chrono::steady_clock;

    // The chip is connected at once; a failure is reported and leaves it offline, for
    // Connect to try again. With `verify` every write is read back.
    ServedDevice(const host::Module& module, host::Bus bus, bool verify = false);

    DeviceJournal journal;
    // Before the chip: the instance it frees may still touch the linked figure.
    host::GraphRectangle figure;
    host::Amplifier chip;
    Pictures pictures;
    std::string replayFailure;  // why the last script stopped early, or empty

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
    // "/dev/i2c-1 at 0x40, online", for the console.
    std::string Status() const;
};

}  // namespace web
