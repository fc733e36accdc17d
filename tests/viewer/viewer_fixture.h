// A viewer started in the test process on a synthetic map: the same start-up
// as the program's, with the window headless and message boxes recorded.
#pragma once

#include "map_fixture.h"
#include "platform_testing.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/windows/ui_record.h"
#include "platform/windows/window.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

class ViewerTest : public ::testing::Test {
protected:
    // 16 x 8 tiles, 1/1024 degree per pixel, from (30, 50) to (34, 48).
    static constexpr testsupport::MapShape kMap{4096, 2048, 30.0, 50.0, 34.0, 48.0};

    void SetUp() override;
    void TearDown() override;

    // Starts the viewer; false when start-up stopped.
    bool start();
    // Destroys the window as "Exit" does and runs the loop to its WM_QUIT.
    int exitViewer();

    LRESULT key(int vk);
    LRESULT command(unsigned id);
    std::unique_ptr<platform::OffscreenDC> capture();
    std::string settingsPath() const { return dir.file("settings.dat"); }

    testsupport::TempDir dir;
    platform::testing::UiRecording recording;
    bool started = false;
};
