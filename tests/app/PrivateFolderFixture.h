// Screen tests whose exports go to a private temporary folder inside the test's scratch folder, the
// process's temporary folder given back afterwards.
#pragma once

#include "platform/ui/Environment.h"
#include "tests/app/ScreenFixture.h"

#include <filesystem>
#include <string>

class PrivateFolderScreenTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        savedTemporary = ui::Environment::shared().temporaryFolder;
        temporary = path("private");
        std::filesystem::create_directory(temporary);
        ui::Environment::shared().temporaryFolder = temporary;
    }
    // A fixture drops what holds the workspace (its screen) before it calls this: the scratch folder
    // goes here.
    void TearDown() override {
        ui::Environment::shared().temporaryFolder = savedTemporary;
        ScreenTest::TearDown();
    }

    std::string temporary, savedTemporary;
};
