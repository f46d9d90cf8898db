#include "perform/input_dispatch.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "midi/midi_errors.h"
#include "midi/midi_status.h"
#include "midi/resets.h"

namespace kalo::perform {

namespace {

constexpr uint8_t kSustainController = 64;
constexpr uint8_t kSostenutoController = 66;
constexpr uint8_t kIntroMeasuresController = 21;
constexpr uint8_t kTempoController = 22;
constexpr uint8_t kPortamentoController = 84;
constexpr uint8_t kFirstChannelModeController = 120;
constexpr uint8_t kDrumChannel = 9;
constexpr int kStepRecording = 2;
constexpr int kMinTempo = 25;
constexpr int kMaxTempo = 250;
constexpr uint8_t kFirstUncapturedStatus = 0xF9;
constexpr uint8_t kTriggeredChordVelocity = 100;
constexpr uint8_t kSilentChordVelocity = 1;

bool IsNote(uint8_t kind) { return kind == midi::kNoteOn || kind == midi::kNoteOff; }

// Controller changes below 120, program changes and channel pressure: what "Suppress Controllers"
// keeps off the line. Channel-mode messages (120 and up) always pass.
bool Suppressible(uint8_t kind, uint8_t data1) {
  return (kind == midi::kControlChange && data1 < kFirstChannelModeController) ||
         kind == midi::kProgramChange || kind == midi::kChannelPressure;
}

}  // namespace

PlayChordsButton PlayChordsButtonFor(bool playChords) {
  return playChords ? PlayChordsButton{"S", "Play Style"} : PlayChordsButton{"C", "Play Chords"};
}

AccompanimentButton AccompanimentButtonFor(bool chords) {
  return chords ? AccompanimentButton{"K", "Accompaniment OFF"}
                : AccompanimentButton{"A", "Accompaniment ON"};
}

InputDispatch::InputDispatch(const LiveInputSeams& seams, ChordState& chords, config::Options& options,
                             const config::Settings& settings, midi::DeviceConfig& devices,
                             midi::ControllerMemory& controllers)
    : seams_(seams),
      chords_(chords),
      options_(options),
      settings_(settings),
      devices_(devices),
      controllers_(controllers),
      recognizer_(chords) {
  for (auto& channel : adLibNotes_) channel.fill(-1);
  melodyMode_ = !options_.Chords;
}

// --- Draining ---------------------------------------------------------------------------------------

template <typename Handle>
void InputDispatch::Drain(midi::TMidiInput& input, Handle handle) {
  sendError_ = nullptr;
  while (input.MessageCount() > 0) {
    const std::unique_ptr<midi::TMyMidiEvent> event = input.GetMidiEvent();
    if (event) (this->*handle)(*event);
  }
  if (sendError_) std::rethrow_exception(std::exchange(sendError_, nullptr));
}

void InputDispatch::MidiInput1MidiInput(midi::TMidiInput& input) { Drain(input, &InputDispatch::Input1); }

void InputDispatch::MidiInput2MidiInput(midi::TMidiInput& input) { Drain(input, &InputDispatch::Input2); }

// --- Input 1: the player's keyboard -------------------------------------------------------------------

void InputDispatch::Input1(const midi::TMyMidiEvent& event) {
  // System-exclusive and system messages pass unchanged.
  if (event.Status >= midi::kSysexStatus) {
    Forward(devices_.Midiout(), event);
    return;
  }
  const int arrivalChannel = (event.Status & 0x0F) + 1;
  const uint8_t kind = event.Status & 0xF0;
  const auto channel = static_cast<uint8_t>(
      options_.UnchangedExtIn ? event.Status & 0x0F : seams_.Session.KeyboardChannel() & 0x0F);

  if (!IsNote(kind)) {
    if (kind == midi::kControlChange &&
        (event.Data1 == kSustainController || event.Data1 == kSostenutoController)) {
      sustain_[channel] = event.Data2 > 64;
    }
    if (seams_.Session.SuppressControllers(channel) && Suppressible(kind, event.Data1)) return;
    Play(kind | channel, event.Data1, event.Data2, false);
    return;
  }
  if (options_.Chords && ChordKey(arrivalChannel, kind, event.Data1, event.Data2)) return;
  PlayNote(kind, channel, event.Data1, event.Data2);
}

bool InputDispatch::ChordKey(int arrivalChannel, uint8_t kind, uint8_t key, uint8_t velocity) {
  const int chordChannel = settings_.AccChannel;
  if (chordChannel >= 1 && chordChannel <= 16 && arrivalChannel != chordChannel) return false;
  const bool noteOn = kind == midi::kNoteOn && velocity > 0;
  if (options_.PlayChords && seams_.Transport.SyncStart() == 0) {
    TriggeredChord(key, noteOn, velocity);
    return true;
  }

  const config::ControlKeyNotes keys = Keys();
  const bool inZone = options_.UseAllKeyboardKeys || (key >= keys.SectionFirst && key <= keys.SectionLast);
  if (!inZone) {
    if (!noteOn || !IsControlKey(key)) return false;
    if (options_.PlayChords && options_.Instruments) {
      // Here sync start is armed (otherwise the key was a triggered-chord key): the preset waits for
      // the start.
      if (key >= LowestInstrumentKey) seams_.Presets.SetPendingPreset(key - LowestInstrumentKey + 1);
    } else {
      ControlKey(key, kControlKeyValue);
    }
    return true;
  }

  SyncRecognizer();
  if (noteOn) {
    if (options_.InstrumentStep && !options_.UseAllKeyboardKeys && key > keys.SectionLast - 4) {
      InstrumentKey(key, keys.SectionLast + 1, 0);
      chords_.ClearPendingChord();
      return true;
    }
    // A chord key is never heard, whether or not it completes a chord.
    recognizer_.NoteOn(key);
    if (chords_.PendingRoot > 0) recognizer_.CommonStep();
    return true;
  }
  recognizer_.NoteOff(key);
  if (chords_.PendingRoot <= 0) return false;
  recognizer_.CommonStep();
  return true;
}

void InputDispatch::TriggeredChord(uint8_t key, bool noteOn, uint8_t velocity) {
  LiveSequencer& sequencer = seams_.Sequencer;
  const int trigger = LowestTriggerKey();
  if (key >= trigger) {
    if (noteOn) {
      sequencer.SetChordSoundVelocity(velocity);
      const int type = chords_.ChordTypeOverride();
      chords_.SetChord(key + KeyboardShift(), type != 0 ? type : kMaj, kUntransposed);
    } else {
      sequencer.StopChordSound();
    }
    return;
  }
  if (!noteOn) {
    chords_.ClearChordTypeOverride();
    sequencer.StopChordSound();
    return;
  }
  if (key >= trigger - 12 && key <= trigger - 2) {
    chords_.SetChordTypeOverride(OrderedChordType(key % 12 + 1));
    return;
  }
  if (IsControlKey(key)) ControlKey(key, kControlKeyValue);
  if (options_.Instruments && key > LowestInstrumentKey && key < UpperInstrumentKey) {
    Preset(key - LowestInstrumentKey);
  }
}

void InputDispatch::PlayNote(uint8_t kind, uint8_t channel, uint8_t key, uint8_t velocity) {
  const bool noteOn = kind == midi::kNoteOn && velocity > 0;
  // Only a press selects: the release of an instrument key plays through, so that a key held while
  // the instrument boxes changed is still released.
  if (noteOn && key < UpperInstrumentKey && (options_.InstrumentStep || options_.Instruments) &&
      InstrumentKey(key, UpperInstrumentKey, LowestInstrumentKey)) {
    return;
  }
  int note = key;
  if (options_.KeyboardSplit) {
    const std::optional<SplitZone> zone = ZoneOfKey(zones_, key);
    if (zone && zone->Enabled) {
      channel = zone->Channel;
      note += zone->Transpose;
    }
  }
  seams_.Session.MarkChannelActive(channel);
  if (channel != kDrumChannel) note += KeyboardShift();
  if (note < 0 || note > 127) return;
  if (channel != kDrumChannel && options_.MelodyAdLib) {
    note = AdLibNote(channel, static_cast<uint8_t>(note), noteOn ? velocity : 0);
  }
  if (noteOn) {
    const int sum = velocity + settings_.VelOffset;
    velocity = static_cast<uint8_t>(std::min(sum > 0 ? sum : velocity, 127));
    MarkMinusOne(channel);
  }
  Play(kind | channel, static_cast<uint8_t>(note), velocity, true);
}

bool InputDispatch::InstrumentKey(int key, int upper, int lowest) {
  if (options_.InstrumentStep && key > upper - 5 && key < upper) {
    seams_.Presets.SelectInstrumentPreset(kFirstInstrumentStepCommand + (upper - 1 - key));
    return true;
  }
  if (options_.Instruments && lowest > 0 && key >= lowest) {
    Preset(key - lowest);
    return true;
  }
  return false;
}

void InputDispatch::Preset(int number) {
  if (number >= 0) seams_.Presets.SelectInstrumentPreset(number);
}

void InputDispatch::Play(uint8_t status, uint8_t data1, uint8_t data2, bool isNote) {
  if (data1 > 127) return;
  seams_.Melody.RecordPlayed(status, data1, data2, isNote);
  Send(devices_.Midiout(), status, data1, data2);
}

// --- Input 2: the external sequencer ------------------------------------------------------------------

void InputDispatch::Input2(const midi::TMyMidiEvent& event) {
  midi::TMidiOutput& output1 = devices_.Output(midi::OutputSlot::First);
  if (event.Status == midi::kSysexStatus) {
    Forward(output1, event);
    return;
  }
  uint8_t data1 = event.Data1;
  uint8_t data2 = event.Data2;
  const uint8_t kind = event.Status & 0xF0;
  if (event.Status > midi::kSysexStatus) {
    if (options_.SlaveMode) seams_.Transport.ExternalRealtime(event.Status);
  } else {
    if (kind == midi::kControlChange && !seams_.Creator.RecordingChords() && ExternalCommand(data1, data2)) {
      return;
    }
    // The channel filter is for channel messages; system messages pass it untouched.
    if (!options_.UnchangedMidiIn) {
      if (kind == midi::kControlChange && data1 == kPortamentoController) {
        const int moved = data2 + seams_.Sequencer.GlobalTranspose();
        if (moved < 0 || moved > 127) return;
        data2 = static_cast<uint8_t>(moved);
      }
      const uint8_t filtered = seams_.Sequencer.ChannelFilter(kind, event.Status & 0x0F, data1, data2);
      if (filtered == 255) return;
      data1 = filtered;
    }
  }
  if (seams_.Creator.CaptureActive()) {
    if (event.Status == midi::kMidiStart || event.Status == midi::kMidiContinue) {
      seams_.Session.CheckTransmitControllers();
    }
    if (event.Status < kFirstUncapturedStatus) seams_.Creator.Capture(event.Status, data1, data2);
  }
  Send(output1, event.Status, data1, data2);
}

bool InputDispatch::ExternalCommand(uint8_t controller, uint8_t value) {
  if (controller == kIntroMeasuresController) {
    LiveSession& session = seams_.Session;
    const int measures = -value;
    if (options_.IntroDetection && session.IntroMeasures() != measures && session.IntroMeasures() < 2) {
      session.SetIntroMeasures(measures);
      if (session.MuteNone()) session.SetSongPosition((measures - 1) * session.MeasureLength() + 8);
    }
    return true;
  }
  if (controller == kTempoController) {
    const int tempo = value * 2;
    if (options_.TempoDetection && tempo >= kMinTempo && tempo <= kMaxTempo) {
      seams_.Transport.SetTempo(tempo);
    }
    return true;
  }
  return false;
}

// --- Generated messages and the shared operations ---------------------------------------------------

void InputDispatch::SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) {
  seams_.Melody.RecordGenerated(status, data1, data2);
  const uint8_t kind = status & 0xF0;
  if (kind == midi::kControlChange || kind == midi::kProgramChange || kind == midi::kChannelPressure) {
    controllers_.Check(status, data1, data2, false);
  }
  if (options_.SendChordCodes && kind != midi::kNoteOn && kind != midi::kPolyPressure) {
    Send(devices_.Output(midi::OutputSlot::First), status, data1, data2);
    Send(devices_.Output(midi::OutputSlot::Second), status, data1, data2);
    return;
  }
  Send(devices_.Midiout(), status, data1, data2);
}

void InputDispatch::ControlKey(int key, int value) {
  // The intro code is -1 when the lowest part key is note 0: there is no intro key then.
  if (key < 0) return;
  if (options_.PlayChords && seams_.Sequencer.SongState() != kStepRecording) return;
  if (seams_.Creator.WaitsForChord()) {
    seams_.Creator.Play();
    return;
  }
  seams_.Sequencer.EnterFunction(key, value);
  seams_.Session.ShowRequestedFunction(key, value);
}

uint8_t InputDispatch::AdLibNote(uint8_t channel, uint8_t note, uint8_t velocity) {
  channel &= 0x0F;
  const int root = chords_.CurrentRoot & 0xFF;
  if (sustain_[channel] && adLibRoot_ >= 0 && root != adLibRoot_) {
    const auto status = static_cast<uint8_t>(midi::kControlChange | channel);
    Send(devices_.Midiout(), status, kSustainController, 0);
    Send(devices_.Midiout(), status, kSostenutoController, 0);
  }
  adLibRoot_ = root;

  int16_t& pressed = adLibNotes_[channel][note];
  if (velocity == 0) {
    const uint8_t released = pressed >= 0 ? static_cast<uint8_t>(pressed) : note;
    pressed = -1;
    return released;
  }
  uint8_t result = note;
  if (chords_.CurrentRoot >= 0 && chords_.CurrentRoot < kNoRoot) {
    const int degree = PitchClass(note % 12 - transpose_);
    const int rootClass = chords_.CurrentRoot % 12;
    int moved = note + rootClass - transpose_ + seams_.Sequencer.HeldScaleShift(chords_.CurrentType, degree);
    if (rootClass > 6) moved -= 12;
    result = static_cast<uint8_t>(moved);
  }
  pressed = result;
  return result;
}

void InputDispatch::IntroCommand() {
  LiveTransport& transport = seams_.Transport;
  if (seams_.Sequencer.SongState() != 0 || transport.SyncStart() != -1) {
    ControlKey(Keys().Intro, kControlKeyValue);
    return;
  }
  transport.SwitchSyncStart();  // off
  transport.SwitchSyncStart();  // armed again
  chords_.SetChord(chords_.CurrentRoot, chords_.CurrentType, kUntransposed);
  seams_.Sequencer.PartSwitch();
  seams_.Sequencer.ChordChange();
}

void InputDispatch::MarkMinusOne(uint8_t channel) {
  if (options_.MinusOne && channel == (seams_.Session.KeyboardChannel() & 0x0F)) {
    seams_.Sequencer.MinusOnePlayed();
  }
}

// --- Switches ---------------------------------------------------------------------------------------

bool InputDispatch::SetPlayChords(bool on) {
  if (seams_.Transport.Playing()) return false;
  options_.PlayChords = on;
  seams_.Sequencer.ResetEngine();
  seams_.Sequencer.SetChordSoundVelocity(on ? kTriggeredChordVelocity : kSilentChordVelocity);
  return true;
}

void InputDispatch::SetChords(bool on) {
  options_.Chords = on;
  melodyMode_ = !on;
  seams_.Session.AllNotesOff();
}

void InputDispatch::SetKeyboardSplit(bool on) {
  options_.KeyboardSplit = on;
  ReleaseKeyboardChannel();
}

void InputDispatch::SetValuesAndActivateSplit() {
  KeyboardSplitSetup();
  options_.KeyboardSplit = true;
  seams_.Session.AllNotesOff();
}

void InputDispatch::DeactivateKeyboardSplit() {
  options_.KeyboardSplit = false;
  seams_.Session.AllNotesOff();
}

void InputDispatch::SetKeyboardOctave(int octave) {
  octave = std::clamp(octave, -3, 4);
  if (octave == octave_) return;
  octave_ = octave;
  ReleaseKeyboardChannel();
}

void InputDispatch::SetKeyboardTranspose(int transpose) {
  transpose = std::clamp(transpose, -11, 11);
  if (transpose == transpose_) return;
  transpose_ = transpose;
  ReleaseKeyboardChannel();
}

// --- Helpers ----------------------------------------------------------------------------------------

int InputDispatch::LowestTriggerKey() const { return Keys().SectionFirst / 12 * 12 + 24; }

bool InputDispatch::IsControlKey(int key) const {
  const config::ControlKeyNotes keys = Keys();
  return key == keys.FillIn || key == keys.Ending || key == keys.ToExtended || key == keys.ToBasic;
}

void InputDispatch::SyncRecognizer() {
  recognizer_.KSmart = settings_.KSmart ? kStaticReaction : kSmartReaction;
  recognizer_.LowestAccompanimentKey = Keys().SectionFirst;
  recognizer_.Transpose = transpose_;
}

void InputDispatch::ReleaseKeyboardChannel() {
  midi::MidiResets::ReleaseChannel(devices_.Midiout(), seams_.Session.KeyboardChannel() & 0x0F);
}

void InputDispatch::Send(midi::TMidiOutput& output, uint8_t status, int data1, int data2) {
  if (!output.IsOpen() || data1 < 0 || data1 > 127 || data2 < 0 || data2 > 127) return;
  output.PutShort(status, static_cast<uint8_t>(data1), static_cast<uint8_t>(data2));
}

void InputDispatch::Forward(midi::TMidiOutput& output, const midi::TMyMidiEvent& event) {
  if (!output.IsOpen()) return;
  if (event.Status != midi::kSysexStatus) {
    Send(output, event.Status, event.Data1, event.Data2);
    return;
  }
  // An empty system-exclusive buffer carries nothing to send.
  if (!event.IsSysex()) return;
  try {
    output.PutMidiEvent(event);
  } catch (const midi::EmidioutputError&) {
    if (!sendError_) sendError_ = std::current_exception();
  }
}

}  // namespace kalo::perform
