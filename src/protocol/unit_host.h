#pragma once

#include <cstdint>
#include <string>

class UnitFamily132;

// What the unit network needs of the program around it: time, the operator's
// message boxes and notices, and the views, names and links that follow a
// unit coming and going. The main window implements it; tests record it.
class UnitHost {
public:
    virtual ~UnitHost() = default;

    // Milliseconds of the program's monotonic clock, wrapping at 2^32.
    virtual std::uint32_t NowMs() = 0;

    // The unit status strip shows g_UnitStatus again.
    virtual void RepaintUnitStatus() = 0;
    // A plain modal message box.
    virtual void ShowMessage(const std::string& text) = 0;
    // The skinned modal message box.
    virtual void ShowMessageBox(const std::string& text) = 0;
    // A plain message about the unit in slot that a datagram raised. Later
    // datagrams must go on being handled while it is up, so the window shows
    // it without waiting for the operator; by default it is a ShowMessage.
    virtual void ShowDatagramMessage(int slot, const std::string& text)
    {
        (void)slot;
        ShowMessage(text);
    }
    // The modeless notice, with or without its "Restart Now" button.
    virtual void ShowNotice(const std::string& caption, const std::string& text,
                            bool restartNow) = 0;

    // A 132-byte unit has been added in slot (its node, tables and counts
    // stand): link records, name, strips from its first datagram, views.
    virtual void OnUnitAdded132(const UnitFamily132& family, int slot) = 0;
    // A KR-9X has been added in slot (its node, tables and counts stand):
    // link records, name, faders, switches and gain read-outs from the first
    // datagram that the node stores. The main window overrides it.
    virtual void OnUnitAddedKR9X(int slot) { (void)slot; }
    // The unit in slot has gone (its node is about to be removed).
    virtual void OnUnitRemoved(int slot, int model) = 0;
    // The unit in slot has been taken off line after silence; its channelCount
    // channels from the slot's first channel get no more levels.
    virtual void OnUnitOffline(int slot, int channelCount)
    {
        (void)slot;
        (void)channelCount;
    }
    // A 132-byte unit left slot for a new unit ID: names, channel strips and
    // links of the slot go back to unused. nodeRemoved says whether a node
    // held the slot (then the operator is told).
    virtual void OnSlotSetUnused132(const UnitFamily132& family, int slot, bool nodeRemoved) = 0;
    // A meter level in dB for a channel of the view that is shown.
    virtual void DrawMeterDb(int channel, float levelDb) = 0;

    // Main-window timers. kTimerSettle marks the settling period after a
    // unit was added; the handlers re-arm it for 2000 ms.
    static constexpr int kTimerSettle = 5;
    virtual void ArmTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
};
