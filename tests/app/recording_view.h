// A MainView that records what the flows show, for headless tests.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "app/main_view.h"

struct RecordingView : MainView {
    struct Item {
        std::string text;
        bool enabled = true;
        bool checked = false;
    };
    std::string title;
    std::string status[3];
    std::map<int, Item> items;
    int previewCount = 0;
    std::optional<Image> lastPreview;

    void SetTitle(const std::string& t) override { title = t; }
    void SetStatusField(int field, const std::string& text) override { status[field] = text; }
    void SetMenuItem(int id, const std::string& text, bool enabled) override {
        items[id].text = text;
        items[id].enabled = enabled;
    }
    void SetMenuCheck(int id, bool checked) override { items[id].checked = checked; }
    void ShowPreview(const Image& composed) override {
        ++previewCount;
        lastPreview = CopyImage(composed);
    }
};
