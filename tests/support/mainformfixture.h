#pragma once
// A fresh program per test: its own data directory, reset shared state,
// scripted dialogs, and the eleven windows created hidden.
#include "app/createforms.h"
#include "app/mainform.h"
#include "catalogue/appstate.h"
#include "support/recordingshell.h"
#include "support/scripteddialogs.h"
#include "support/tempdir.h"
#include "widgets/forms.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumisk::test {

struct TCamera {
    std::string Description, ImageUrl, WebPage, UpdateMinutes, LastModified;
};

class MainFormFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes orvane.dat with these cameras.
    void WriteCatalogue(const std::vector<TCamera>& cameras);
    // Cameras "Cam 1" .. "Cam n".
    void WriteNumberedCatalogue(int n);
    // Writes orvane.ini marking this version as run before (no first run).
    void WriteKnownVersion(const std::string& extraSettings = "");
    // Shows the main window, running the start-up sequence.
    void Start();
    TMainForm& Main() { return *TheMainForm(); }

    TTempDir dir;
};

} // namespace lumisk::test
