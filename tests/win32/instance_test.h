// A test with the DLL loaded and one instance made through its exports, freed afterwards.
#pragma once

#include "host/common/module/module.h"

#include <gtest/gtest.h>

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        instance = module.Init(0, 0, 0, 0);
        ASSERT_NE(instance, nullptr);
    }
    void TearDown() override {
        if (instance != nullptr) module.FreeCodecInstance(instance);
    }

    host::Module module{host::DefaultModulePath()};
    QM7140Instance instance = nullptr;
};
