#pragma once
// A fresh KVEngine for each test, made through the built library's class factory on a thread
// with COM initialised, and released after it.
#include "kvobject_library.h"

#include <gtest/gtest.h>

class EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_TRUE(library_.Loaded());
        engine_ = library_.NewEngine();
        ASSERT_NE(engine_, nullptr);
    }
    void TearDown() override
    {
        if (engine_)
            engine_->Release();
        CoUninitialize();
    }

    KVObjectLibrary library_;
    IKVEngine* engine_ = nullptr;
};
