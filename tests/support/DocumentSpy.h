// A document observer for tests: keeps what the document told it, from its
// construction to its destruction (declare it after the document).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "doc/TubescanDoc.h"

struct DocumentSpy : AttachedObserver {
    explicit DocumentSpy(CTubescanDoc& doc) : AttachedObserver(doc) {}

    std::vector<std::string> messages;
    std::vector<std::string> titles;
    int viewUpdates = 0;
    int parameterRefreshes = 0;
    int playbackBarShown = 0;
    // The shutdown steps, in order: L links closed, C COM ports closed,
    // W worker stopped, D modeless windows destroyed.
    std::string shutdown;
    // The settings panel the document asks about; none by default.
    std::optional<WindowRect> panel;

    void OnUpdateViews(int) override { ++viewUpdates; }
    void OnRefreshParameterTexts() override { ++parameterRefreshes; }
    void OnWindowTitle(const std::string& title) override { titles.push_back(title); }
    bool OnMessage(const std::string& text) override {
        messages.push_back(text);
        return true;
    }
    void OnShowPlaybackBar(bool show) override { playbackBarShown += show ? 1 : 0; }
    void OnCloseLinks() override { shutdown += "L"; }
    void OnCloseComPorts() override { shutdown += "C"; }
    void OnStopWorker() override { shutdown += "W"; }
    void OnDestroyWindows() override { shutdown += "D"; }
    std::optional<WindowRect> SettingsPanelRect() const override { return panel; }
};
