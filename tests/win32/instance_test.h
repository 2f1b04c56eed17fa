// A test with the DLL loaded and one instance made through its exports, freed afterwards.
#pragma once

#include "tests/module.h"

#include <gtest/gtest.h>

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(module.handle, nullptr);
        instance = module.New();
        ASSERT_NE(instance, nullptr);
    }
    void TearDown() override {
        if (instance != nullptr) module.FreeCodecInstance(instance);
    }

    Module module;
    QM7140Instance instance = nullptr;
};
