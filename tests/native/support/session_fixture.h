// The terminal host in-process, one command line at a time, for the bus and export tests.
#pragma once

#include "host/terminal/session.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

struct SessionFixture : ::testing::Test {
    std::ostringstream out;
    host::Session session{QM7140_LIBRARY, out, out};

    // The lines' output, errors included; each line expected to run or to fail.
    std::string Run(const std::string& lines, bool ok = true) {
        out.str("");
        std::istringstream in(lines);
        EXPECT_EQ(session.RunScript(in, false) == 0, ok) << lines << "\n" << out.str();
        return out.str();
    }
};
