#pragma once
// A form on screen with the program's own player mapped, for the controls
// that host it; freeing the form ends every movie on it.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Forms.h"
#include "MappedPlayer.h"

class PlayerHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        tvmtest::MapPlayerFromProgram();
        form = new tvmtest::TTestForm(nullptr, 320, 240);
        form->Show();
    }
    void TearDown() override { form->Free(); }

    TForm* form = nullptr;
};
