#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class NetworkCore;
class UnitHost;

// Program-wide state of the unit network. Everything here is used on the
// GUI thread only; the receive thread reaches the GUI through the queue of
// NetworkCore.

extern UnitHost* g_pUnitHost;     // the program around the network
extern NetworkCore* g_pNetwork;   // sockets and receive thread once started

// One sequence number for every state and control datagram to any unit,
// incremented before each.
extern std::uint32_t g_PcSequence;
// Metering/report period in ms carried by every state datagram.
extern int g_MeterPeriodMs;
// 1 only while a control or network-configuration datagram is being sent.
extern int g_SendInProgress;
// Bit 0 set while a unit is asked to identify itself.
extern std::uint8_t g_IdentifyUnit;
// Dotted address of this computer, for the operator.
extern std::string g_LocalIpString;

// Puts the whole network state (unit lists, tables, counters) back to its
// start values. The network itself must not be running.
void ResetProtocolState();

// Tells the receive thread which unit holds the slot now (its MAC), or that
// none does, after a unit came or went. The receive thread keeps the
// reports of the units on line when the queue to this thread is full.
void PublishSlotHolder(int slot);
// The same for every slot, when the network starts.
void PublishAllSlotHolders();

// Routes one control change of a channel to the senders of the models asked
// for, KR-9X first, then KR-960/8, then KR-960. slot is the unit's slot,
// channel the channel within the unit, value the gain code or 0/1 of a switch.
void SendControlToModels(bool toKR9X, bool toKR960_8, bool toKR960, int slot,
                         std::string_view name, float value, int channel);

// The 4-second poll: once a unit datagram has been received, the state to
// every unit of every model, and once more to each unit with a MIDI card.
void PollAllUnits();
// The state to every unit of every model, once.
void SendAllModels();

// Makes sure a send socket exists; tells the operator "Error in socket" when
// it cannot. Every model's senders ask before each datagram.
bool HaveSendSocket();

// The value of a control as a unit takes it: truncated toward zero; a value
// that is no number gives 0.
int ControlValue(float value);

// Time of the program's clock as the unit nodes keep it.
std::uint32_t NetworkNowMs();
