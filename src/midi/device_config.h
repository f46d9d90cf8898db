#pragma once
// Connects the two inputs and two outputs to the devices chosen in the four device lists of the MIDI
// panel, and decides which output carries which traffic (the output routes). Main thread only.
//
// Device numbers are positions in the MidiDeviceRegistry's lists, so every backend's devices (and a
// built-in synthesizer, which is one more output) appear in the lists the same way. Each real entry
// opens the device of its own number; the default output (-1) has no entry.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/dialogs.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kalo::midi {

inline constexpr const char* kNoneEntry = "<None>";
inline constexpr const char* kWrongInputDevice =
    "Wrong MIDI-Input-Device: Please check MIDI IN/OUT configuration !";
inline constexpr const char* kWrongOutputDevice =
    "Wrong MIDI-Output-Device: Please check MIDI IN/OUT configuration !";

// A GUI-free selection list: the product names in device-number order, then "<None>". The window
// mirrors Entries and Selected.
struct DeviceList {
  std::vector<std::string> Entries;
  int Selected = -1;  // -1 = nothing selected

  int NoneIndex() const { return static_cast<int>(Entries.size()) - 1; }
  bool NoneSelected() const { return !Entries.empty() && Selected == NoneIndex(); }
  // A device entry (not "<None>") is selected; its position is the device number.
  bool DeviceSelected() const { return Selected >= 0 && Selected < NoneIndex(); }
  bool operator==(const DeviceList&) const = default;
};

enum class OutputSlot : uint8_t { First, Second };

// Which output each kind of traffic goes to.
struct OutputRoutes {
  OutputSlot Midiout =
      OutputSlot::First;  // accompaniment, metronome, played-through and generated messages, resets
  OutputSlot Clickout = OutputSlot::Second;   // MIDI clock, Start, Stop in "Master Mode"
  OutputSlot Chordsout = OutputSlot::Second;  // chord codes
  OutputSlot SecondSlot = OutputSlot::First;  // output 2 while it is open, else output 1
  bool operator==(const OutputRoutes&) const = default;
};

// The three radio groups "Midiout", "Clickout", "Chordsout".
struct RouteChoice {
  OutputSlot Midiout = OutputSlot::First;
  OutputSlot Clickout = OutputSlot::Second;
  OutputSlot Chordsout = OutputSlot::Second;
};

// What opening an output sets off: "Reset Controllers" after a device opened, and the channel set-up
// in every case. Implemented by the housekeeping commands (MidiResets).
class OutputOpenedHook {
 public:
  virtual ~OutputOpenedHook() = default;
  virtual void ResetControllers() = 0;
  virtual void ChannelSetup() = 0;
};

// The stored second device of a slot that has none.
inline constexpr int kNoSecondDevice = -2;

// The stored list positions (settings keys MIDI-OUT, MIDI-IN, MIDISUB-OUT, MIDISUB-IN): the device
// number chosen, or kNoSecondDevice for a second slot left at "<None>".
struct StoredDevicePositions {
  int MidiOut = 0;
  int MidiIn = 0;
  int MidiSubOut = kNoSecondDevice;
  int MidiSubIn = kNoSecondDevice;
  bool operator==(const StoredDevicePositions&) const = default;
};

class DeviceConfig {
 public:
  // input1/input2 may be null: an input that could not be created leaves its slot empty.
  DeviceConfig(MidiSystem& system, host::Dialogs& dialogs, TMidiInput* input1, TMidiInput* input2,
               TMidiOutput& output1, TMidiOutput& output2);

  void SetOpenedHook(OutputOpenedHook* hook) { hook_ = hook; }

  // --- The four lists ("MIDI out", "MIDI in", second output, "Ext. MIDI in") -------------------
  const DeviceList& MidiOutList() const { return outList_; }
  const DeviceList& MidiInList() const { return inList_; }
  const DeviceList& SecondOutList() const { return subOutList_; }
  const DeviceList& ExtInList() const { return subInList_; }
  // What the settings keep of the four lists.
  StoredDevicePositions Positions() const;

  // Fills `list` with the input devices and "<None>" and selects the stored position; a position
  // beyond the list selects "<None>" and shows kWrongInputDevice. A negative position selects
  // nothing. With openNow, runs OpenInput.
  void FillInputList(DeviceList& list, int storedPosition, bool openNow, TMidiInput* input);
  // The same for outputs, with kWrongOutputDevice.
  void FillOutputList(DeviceList& list, int storedPosition, bool openNow, TMidiOutput& output);
  // Closes the input (errors ignored) and opens and starts the selected device unless "<None>" is
  // selected; selects the first entry when nothing is selected. A failure to open or start throws
  // EMidiInputError and leaves the input closed.
  void OpenInput(DeviceList& list, TMidiInput* input);
  // Closes the output (errors ignored), opens the selected device unless "<None>" is selected and
  // then runs "Reset Controllers"; in every case ends with the channel set-up. A failure to open
  // throws EmidioutputError and leaves the output closed.
  void OpenOutput(DeviceList& list, TMidiOutput& output);

  // Start-up: fills and opens "MIDI out" and "MIDI in", gives the second lists copies with
  // "<None>" selected, then chooses the stored second devices through their selection handlers.
  // Device errors are shown through Dialogs::Inform and leave that device closed.
  void OpenConfigured(const StoredDevicePositions& stored);

  // --- Selection handlers: the user picks entry `index` of a list ------------------------------
  // Each returns false when the choice was refused (the list keeps its previous selection). Device
  // errors propagate as exceptions after the routes are recomputed.
  bool SelectMidiOut(int index);
  bool SelectSecondOut(int index);
  bool SelectMidiIn(int index);
  bool SelectExtIn(int index);

  // --- Routes ------------------------------------------------------------------------------------
  const OutputRoutes& Routes() const { return routes_; }
  const RouteChoice& Choice() const { return choice_; }
  // A radio group changed; the routes follow at once.
  void SetRouteChoice(const RouteChoice& choice);
  void RecomputeRoutes();
  TMidiOutput& Output(OutputSlot slot) { return slot == OutputSlot::First ? output1_ : output2_; }
  TMidiOutput& Midiout() { return Output(routes_.Midiout); }
  TMidiOutput& Clickout() { return Output(routes_.Clickout); }
  TMidiOutput& Chordsout() { return Output(routes_.Chordsout); }
  TMidiOutput& SecondSlot() { return Output(routes_.SecondSlot); }

 private:
  bool SelectInput(DeviceList& list, const DeviceList& other, TMidiInput* input, int index);
  static bool ValidIndex(const DeviceList& list, int index) {
    return index >= 0 && index < static_cast<int>(list.Entries.size());
  }

  MidiSystem& system_;
  host::Dialogs& dialogs_;
  TMidiInput* input1_;
  TMidiInput* input2_;
  TMidiOutput& output1_;
  TMidiOutput& output2_;
  OutputOpenedHook* hook_ = nullptr;

  DeviceList outList_;
  DeviceList inList_;
  DeviceList subOutList_;
  DeviceList subInList_;
  RouteChoice choice_;
  OutputRoutes routes_;
};

}  // namespace kalo::midi
