#pragma once
#include "BrowseFixture.h"
#include "ui/app/TreeQuery.h"
#include "ui/layouts/LayoutMetrics.h"

// The store signed in and on its main menu (configuration answered).
class StoreScreensFixture : public BrowseFixture {
protected:
    void SetUp() override {
        BrowseFixture::SetUp();
        if (HasFatalFailure()) return;
        menu = OpenMenu();
        ASSERT_EQ(Kestrum::Instance().configPending, 0);
    }

    // "config" requests the catalog has answered.
    static int Configs() { return server->Requests("config"); }

    MainMenuScene* menu = nullptr;
};
