#pragma once
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "form1.h"
#include "startup/run_mode.h"

// A Form1 over fresh fakes, in the run mode a test names.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override { SetMode(false, false); }
    void TearDown() override { SetMode(false, false); }
    static void SetMode(bool preview, bool config) {
        PreviewMode = preview;
        ConfigMode = config;
    }
    // Ends the saver from inside the n-th DoEvents, as a key press would.
    void EndAtPass(std::size_t n) {
        f.window.script.assign(n - 1, [] {});
        f.window.script.push_back([this] { f.window.events->OnKeyPress(); });
    }

    fakes::FakePlatform f;
    Form1 form{f.platform};
};
