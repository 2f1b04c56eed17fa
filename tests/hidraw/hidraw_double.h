// /dev/hidrawN nodes of the test process alone: open, ioctl, read, write, poll and close answer
// for hidraw0..hidraw3 of one directory as the kernel's hidraw driver would, with a bridge
// double behind each, and pass every other call on. Nothing waits.
#pragma once

#include "hid_bridge_double.h"

#include <string>

namespace hidraw_double {

struct Node {
    std::shared_ptr<hid_double::Bridge> bridge;  // none: a device that answers nothing
    uint16_t vendor = 0, product = 0;            // 0:0: the node does not open
    std::string serial;
    bool uniq = true;      // the kernel answers HIDIOCGRAWUNIQ
    bool numbered = true;  // the descriptor numbers its reports
    int openError = 0;     // what open gives this user (EACCES), or 0
};

extern struct State {
    std::string dir;  // files named hidraw0.. must exist there for listing
    Node nodes[4];
    bool hangup = false;  // as for an unplugged device: POLLHUP, EIO, ENODEV
    int readError = 0;
    int longestPoll = 0;  // the longest timeout poll was given, ms
    int open = 0;         // nodes open now
} state;

}  // namespace hidraw_double
