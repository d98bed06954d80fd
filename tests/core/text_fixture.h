// The runtime heap and the temporary string stack, made and ended around each test.
#pragma once

#include <gtest/gtest.h>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"

class TextFacilities : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeHeapCreate();
        TempStringStart();
    }
    void TearDown() override {
        TempStringEnd();
        RuntimeHeapDestroy();
    }
};
