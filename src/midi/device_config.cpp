#include "midi/device_config.h"

#include "midi/midi_errors.h"

namespace kalo::midi {
namespace {

void CloseQuietly(TMidiInput* input) {
  if (input == nullptr || !input->IsOpen()) {
    return;
  }
  try {
    input->Close();
  } catch (const EMidiInputError&) {
    // The input is left closed either way; the user chose another device.
  }
}

void CloseQuietly(TMidiOutput& output) {
  if (!output.IsOpen()) {
    return;
  }
  try {
    output.Close();
  } catch (const EmidioutputError&) {
  }
}

// Applies the stored position to a freshly filled list. True when the position was beyond the list.
bool SelectStored(DeviceList& list, int storedPosition) {
  if (storedPosition < 0) {
    return false;
  }
  if (static_cast<int>(list.Entries.size()) > storedPosition) {
    list.Selected = storedPosition;
    return false;
  }
  list.Selected = list.NoneIndex();
  return true;
}

// Fills the list with the product name of every input (or output) device and "<None>", with nothing
// selected. A device whose capabilities cannot be read ends the list with "<None>" and throws Error
// with the driver's text.
template <typename Caps, typename Error>
void ListDevices(const MidiDeviceRegistry& devices, int count,
                 PortResult (MidiDeviceRegistry::*getCapabilities)(int, Caps&) const,
                 bool (MidiDeviceRegistry::*find)(int, DeviceRef&) const, DeviceList& list) {
  list.Entries.clear();
  list.Selected = -1;
  for (int id = 0; id < count; ++id) {
    Caps caps;
    if (PortResult code = (devices.*getCapabilities)(id, caps); code != result::kOk) {
      DeviceRef ref;
      (devices.*find)(id, ref);
      list.Entries.push_back(kNoneEntry);
      throw Error(devices.ErrorText(code, ref.Backend));
    }
    list.Entries.push_back(caps.ProductName);
  }
  list.Entries.push_back(kNoneEntry);
}

}  // namespace

DeviceConfig::DeviceConfig(MidiSystem& system, host::Dialogs& dialogs, TMidiInput* input1, TMidiInput* input2,
                           TMidiOutput& output1, TMidiOutput& output2)
    : system_(system),
      dialogs_(dialogs),
      input1_(input1),
      input2_(input2),
      output1_(output1),
      output2_(output2) {
  for (DeviceList* list : {&outList_, &inList_, &subOutList_, &subInList_}) {
    list->Entries = {kNoneEntry};
    list->Selected = 0;
  }
}

StoredDevicePositions DeviceConfig::Positions() const {
  // "<None>" in a second list is kept as the setting's own "none", not as its place in the list:
  // that place names a real device as soon as one more is connected.
  auto second = [](const DeviceList& list) {
    return list.DeviceSelected() ? list.Selected : kNoSecondDevice;
  };
  return {outList_.Selected, inList_.Selected, second(subOutList_), second(subInList_)};
}

void DeviceConfig::FillInputList(DeviceList& list, int storedPosition, bool openNow, TMidiInput* input) {
  const MidiDeviceRegistry& devices = system_.Devices();
  ListDevices<InputCapabilities, EMidiInputError>(devices, devices.InputCount(),
                                                  &MidiDeviceRegistry::GetInputCapabilities,
                                                  &MidiDeviceRegistry::FindInput, list);
  if (SelectStored(list, storedPosition)) {
    dialogs_.Inform(kWrongInputDevice);
  }
  if (openNow) {
    OpenInput(list, input);
  }
}

void DeviceConfig::FillOutputList(DeviceList& list, int storedPosition, bool openNow, TMidiOutput& output) {
  const MidiDeviceRegistry& devices = system_.Devices();
  ListDevices<OutputCapabilities, EmidioutputError>(devices, devices.OutputCount(),
                                                    &MidiDeviceRegistry::GetOutputCapabilities,
                                                    &MidiDeviceRegistry::FindOutput, list);
  if (SelectStored(list, storedPosition)) {
    dialogs_.Inform(kWrongOutputDevice);
  }
  if (openNow) {
    OpenOutput(list, output);
  }
}

void DeviceConfig::OpenInput(DeviceList& list, TMidiInput* input) {
  if (input == nullptr) {
    return;
  }
  CloseQuietly(input);
  if (list.Selected < 0) {
    list.Selected = 0;
  }
  if (!list.DeviceSelected()) {
    return;
  }
  input->SetDeviceID(static_cast<uint16_t>(list.Selected));
  input->Open();
  try {
    input->Start();
  } catch (const EMidiInputError&) {
    CloseQuietly(input);
    throw;
  }
}

void DeviceConfig::OpenOutput(DeviceList& list, TMidiOutput& output) {
  CloseQuietly(output);
  if (list.Selected < 0) {
    list.Selected = 0;
  }
  if (list.DeviceSelected()) {
    output.SetDeviceID(list.Selected);
    output.Open();
    if (hook_ != nullptr) {
      hook_->ResetControllers();
    }
  }
  if (hook_ != nullptr) {
    hook_->ChannelSetup();
  }
}

void DeviceConfig::OpenConfigured(const StoredDevicePositions& stored) {
  try {
    FillOutputList(outList_, stored.MidiOut, true, output1_);
  } catch (const EmidioutputError& error) {
    dialogs_.Inform(error.what());
  }
  try {
    FillInputList(inList_, stored.MidiIn, true, input1_);
  } catch (const EMidiInputError& error) {
    dialogs_.Inform(error.what());
  }
  subOutList_ = outList_;
  subOutList_.Selected = subOutList_.NoneIndex();
  subInList_ = inList_;
  subInList_.Selected = subInList_.NoneIndex();
  RecomputeRoutes();

  if (stored.MidiSubOut >= 0) {
    if (stored.MidiSubOut >= static_cast<int>(subOutList_.Entries.size())) {
      dialogs_.Inform(kWrongOutputDevice);
    } else {
      try {
        SelectSecondOut(stored.MidiSubOut);
      } catch (const EmidioutputError& error) {
        dialogs_.Inform(error.what());
      }
    }
  }
  if (stored.MidiSubIn >= 0) {
    if (stored.MidiSubIn >= static_cast<int>(subInList_.Entries.size())) {
      dialogs_.Inform(kWrongInputDevice);
    } else {
      try {
        SelectExtIn(stored.MidiSubIn);
      } catch (const EMidiInputError& error) {
        dialogs_.Inform(error.what());
      }
    }
  }
}

bool DeviceConfig::SelectMidiOut(int index) {
  if (!ValidIndex(outList_, index)) {
    return false;
  }
  outList_.Selected = index;
  try {
    // One device serves one output: output 1 takes it over from output 2.
    if (outList_.DeviceSelected() && index == subOutList_.Selected) {
      CloseQuietly(output2_);
    }
    OpenOutput(outList_, output1_);  // with "<None>" this only closes output 1
  } catch (...) {
    RecomputeRoutes();
    throw;
  }
  RecomputeRoutes();
  return true;
}

bool DeviceConfig::SelectSecondOut(int index) {
  if (!ValidIndex(subOutList_, index)) {
    return false;
  }
  const bool device = index < subOutList_.NoneIndex();
  if (device && index == outList_.Selected) {
    return false;  // output 1 already uses this device
  }
  subOutList_.Selected = index;
  try {
    if (device) {
      OpenOutput(subOutList_, output2_);
    } else {
      CloseQuietly(output2_);
    }
  } catch (...) {
    RecomputeRoutes();
    throw;
  }
  RecomputeRoutes();
  return true;
}

bool DeviceConfig::SelectInput(DeviceList& list, const DeviceList& other, TMidiInput* input, int index) {
  if (!ValidIndex(list, index)) {
    return false;
  }
  if (index < list.NoneIndex() && index == other.Selected) {
    return false;  // the other input already uses this device
  }
  list.Selected = index;
  OpenInput(list, input);  // with "<None>" this only closes the input
  return true;
}

bool DeviceConfig::SelectMidiIn(int index) { return SelectInput(inList_, subInList_, input1_, index); }

bool DeviceConfig::SelectExtIn(int index) { return SelectInput(subInList_, inList_, input2_, index); }

void DeviceConfig::SetRouteChoice(const RouteChoice& choice) {
  choice_ = choice;
  RecomputeRoutes();
}

void DeviceConfig::RecomputeRoutes() {
  routes_.Midiout = choice_.Midiout;
  routes_.Clickout = choice_.Clickout;
  routes_.Chordsout = choice_.Chordsout;
  routes_.SecondSlot = output2_.IsOpen() ? OutputSlot::Second : OutputSlot::First;
}

}  // namespace kalo::midi
