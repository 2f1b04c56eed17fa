// The log saved for other tools: CSV for a spreadsheet, and a pcap capture (link type 209,
// Linux I2C) that Wireshark and tshark decode, one packet per I2C message.
#pragma once

#include "host/common/log/transfer.h"

#include <filesystem>
#include <span>
#include <string>

namespace host {

// One row per transfer under a header: time (UTC, to the microsecond), duration (seconds),
// device, address, register, direction, value, result ("done" or the errno's name and the
// bus's words), source, and last the start by the monotonic clock (seconds, to the
// nanosecond) for lining the log up with the kernel's trace or an analyser's capture.
std::string TransfersCsv(std::span<const Transfer> transfers);

// A write is one write message [reg, value] at its start; a read is the write message [reg]
// at its start and the read message [value] at its end (without the byte when it failed).
std::string TransfersPcap(std::span<const Transfer> transfers);

// By the file's extension, .csv or .pcap (any case), replacing the file whole or not at all;
// CommandError for another extension or a file that cannot be written.
void SaveTransfers(const std::filesystem::path& path, std::span<const Transfer> transfers);

}  // namespace host
