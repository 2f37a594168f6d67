#pragma once

// A unit host that records what the network layer asks of the program, with
// a clock the test sets.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "protocol/unit_host.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_network.h"

class FakeHost : public UnitHost {
public:
    FakeHost() { g_pUnitHost = this; }
    ~FakeHost() override
    {
        if (g_pUnitHost == this)
            g_pUnitHost = nullptr;
    }

    std::uint32_t NowMs() override { return now; }
    void RepaintUnitStatus() override { ++repaints; }
    void ShowMessage(const std::string& text) override
    {
        messages.push_back(text);
        // A modal box runs a nested event loop, in which timers may fire.
        if (duringBox)
            duringBox();
    }
    void ShowMessageBox(const std::string& text) override { messages.push_back(text); }
    void ShowNotice(const std::string& caption, const std::string& text, bool restartNow) override
    {
        notices.push_back({caption, text});
        lastNoticeRestart = restartNow;
    }
    void OnUnitAdded132(const UnitFamily132& family, int slot) override
    {
        added.emplace_back(family.model(), slot);
    }
    void OnUnitAddedKR9X(int slot) override { added.emplace_back(UNIT_TYPE_KR9X, slot); }
    void OnUnitRemoved(int slot, int model) override { removed.emplace_back(model, slot); }
    void OnSlotSetUnused132(const UnitFamily132& family, int slot, bool nodeRemoved) override
    {
        setUnused.emplace_back(family.model(), slot);
        if (nodeRemoved)
            messages.push_back("set unused " + std::to_string(slot));
    }
    void DrawMeterDb(int channel, float levelDb) override { meters[channel] = levelDb; }
    void ArmTimer(int id, int periodMs) override { timers[id] = periodMs; }
    void KillTimer(int id) override { timers.erase(id); }

    std::uint32_t now = 1000;
    int repaints = 0;
    std::vector<std::string> messages;
    std::vector<std::pair<std::string, std::string>> notices;
    bool lastNoticeRestart = false;
    std::vector<std::pair<int, int>> added;     // model, slot
    std::vector<std::pair<int, int>> removed;   // model, slot
    std::vector<std::pair<int, int>> setUnused; // model, slot
    std::map<int, float> meters;
    std::map<int, int> timers;
    std::function<void()> duringBox;

    // The "Error in socket" boxes: one per datagram that a sender tried to
    // send while no network runs.
    long SocketErrors() const
    {
        return std::count(messages.begin(), messages.end(), std::string("Error in socket"));
    }
};
