#pragma once
// The mixer: the voice of each of the 16 channels (instrument, volume, pan, effects), the
// controls that set the keyboard channel's voice, the output device volume and the solo choice.
// A GUI-free model: the mixer panel mirrors these values and calls these methods. Main thread only.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/instrument_list.h"
#include "midi/controller_memory.h"
#include "midi/voice_record.h"
#include "styles/style_seams.h"

namespace kalo::app {

// Where the mixer's messages and settings go. The arranger connects it to the outputs and the engine.
class MixerPort {
 public:
  virtual ~MixerPort() = default;
  // Whether the output of the "Midiout" route is open.
  virtual bool MidioutOpen() const = 0;
  // A message made by the mixer's controls, sent like every program-generated message.
  virtual void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // The output device volume; 0..65535 per side.
  virtual void SetOutputVolume(uint16_t left, uint16_t right) = 0;
  // The engine's solo channel: 0 = none, 1..16.
  virtual void SetSoloChannel(uint8_t soloChannel) = 0;
  // The style's channel set-ups have all been sent.
  virtual void ChannelSetupsSent() {}
};

// The current style's channel set-ups, which follow what the user sets in the mixer. The style
// applies a change only while it holds material; the mixer calls these for user changes only.
class StyleChannelSink {
 public:
  virtual ~StyleChannelSink() = default;
  virtual void SetChannelController(uint8_t channel, uint8_t controller, uint8_t value) = 0;
  virtual void SetChannelInstrument(uint8_t channel, uint8_t bankMsb, uint8_t program, uint8_t bankLsb) = 0;
};

enum class MixerSlider : uint8_t { Volume, Pan, Reverb, Chorus, Modulation, Expression, Sustain, Aftertouch };
inline constexpr size_t kMixerSliderCount = 8;

// The texts beside a selected channel row, read from the controller value memory; an empty text for
// a value never set.
struct ChannelValueTexts {
  std::string BankMsb, BankLsb, Volume, Pan, Reverb, Chorus, Expression, Program;
};

class Mixer {
 public:
  explicit Mixer(MixerPort& port);

  // The volume of an output-volume slider position 0..100: 65535 at 100, else position × 650.
  static uint16_t OutputVolume(int position);
  // " Ch. 01 : " .. " Ch. 16 : " followed by the name; channel 10 (9 inside) shows "Drums".
  static std::string ChannelRowText(uint8_t channel, const std::string& instrumentName);
  // The value display of one channel (0..15) from the controller value memory. Pan is shown as
  // value − 64.
  static ChannelValueTexts ValueTexts(const midi::ControllerMemory& memory, uint8_t channel);

  void SetStyleSink(StyleChannelSink* sink) { styleSink_ = sink; }

  // --- Voice records and sliders -------------------------------------------------------------
  const midi::VoiceRecords& Voices() const { return voices_; }
  const midi::VoiceRecord& Voice(uint8_t channel) const { return voices_.at(channel); }
  void SetVoice(uint8_t channel, const midi::VoiceRecord& record) { voices_.at(channel) = record; }
  uint8_t Slider(MixerSlider slider) const { return sliders_[static_cast<size_t>(slider)]; }
  // Moves a slider (value clamped to 0..127), sends its message on the keyboard channel, keeps
  // Volume..Modulation in the channel's voice record and, for a user move, in the style.
  void SetSlider(MixerSlider slider, int value, bool fromUser = true);

  // --- Keyboard channel ----------------------------------------------------------------------
  uint8_t KeyboardChannel() const { return keyboardChannel_; }
  // Makes `channel` (0..15) the keyboard channel and loads its stored values into the controls.
  // Refused (false) while the "Midiout" output is closed.
  bool SetKeyboardChannel(uint8_t channel);

  // --- Instruments ---------------------------------------------------------------------------
  // The entries of the instrument box, the list kind and the box's selection (-1 = none). Keeps the
  // per-channel entry choices.
  void SetInstrumentList(std::vector<std::string> entries, config::PatchKind kind, int selected = 0);
  const std::vector<std::string>& InstrumentEntries() const { return entries_; }
  config::PatchKind Kind() const { return kind_; }
  // Selects entry `index` in the instrument box for the keyboard channel and sends it: gm sends the
  // program change only and zeroes the banks; gs sends controller 0 = first bank, 32 = second bank,
  // then the program; xg swaps the banks. Nothing is sent or stored for an entry that sends nothing
  // (a heading). A user choice also goes to the style and is shown beside the box.
  void ChooseInstrument(int index, bool fromUser = true);
  // The instrument box's selection (-1 = none).
  int InstrumentBoxIndex() const { return instrumentBox_; }
  // Each channel's chosen entry (-1 = none).
  int16_t InstrumentEntry(uint8_t channel) const { return instrumentEntry_.at(channel); }
  // Forgets the chosen entries of all channels (a new list file was chosen).
  void ClearInstrumentEntries();
  // Program, bank MSB and bank LSB the user last chose for the keyboard channel, shown beside the box.
  std::optional<std::array<uint8_t, 3>> ShownInstrument() const { return shownInstrument_[keyboardChannel_]; }
  // The entry the instrument box shows for `channel` playing `program`: the chosen entry when it plays
  // that program, otherwise the first entry that sends it; -1 when none does or for 255.
  int ShownEntry(uint8_t channel, uint8_t program) const;
  // Sends again the instrument chosen for each channel that has one (a reset put the device back to
  // its default voices).
  void ResendChosenInstruments();

  // --- Sending -------------------------------------------------------------------------------
  // Sends the controls' voice on `channel`: controller 121, the instrument box's entry, volume, pan,
  // reverb, chorus, then modulation (> 0), expression (< 127), sustain (> 0), aftertouch (> 0).
  // Nothing while the "Midiout" output is closed.
  void SendVoice(uint8_t channel);
  void SendKeyboardVoice() { SendVoice(keyboardChannel_); }

  // --- Output volume -------------------------------------------------------------------------
  int LeftVolume() const { return left_; }
  int RightVolume() const { return right_; }
  bool Lock() const { return lock_; }
  void SetLock(bool lock) { lock_ = lock; }
  // Moves one output-volume slider (clamped to 0..100), the other too with "Lock", and sets the
  // device volume.
  void SetLeftVolume(int position);
  void SetRightVolume(int position);

  // --- Suppress Controllers ------------------------------------------------------------------
  bool SuppressControllers(uint8_t channel) const { return suppress_.at(channel) != 0; }
  // The check box of the keyboard channel.
  void SetKeyboardSuppress(bool on) { suppress_[keyboardChannel_] = on ? 1 : 0; }
  // "All" / "None".
  void SetSuppressAll(bool on);
  const std::array<uint8_t, 16>& SuppressFlags() const { return suppress_; }

  // --- Solo ----------------------------------------------------------------------------------
  // 0 = no solo, 1..16 the solo channel. A solo channel becomes the keyboard channel; the keyboard
  // channel from before the solo comes back with 0.
  void SetSolo(uint8_t soloChannel);
  uint8_t Solo() const { return solo_; }

  // --- The style's channel set-ups ----------------------------------------------------------
  // Takes a style's channel set-up into the channel's voice record (and, with updateControls, into
  // the sliders while the channel is the keyboard channel), then sends controller 121 and every set
  // value on the channel while "Midiout" is open. `entries` holds the values of the controllers
  // 0, 32, 1, 7, 10, 11, 64, 66, 67, 91, 93, the program and the pressure; 255 = not set.
  void ApplyChannelSetup(uint8_t channel, const std::array<uint8_t, 13>& entries, bool updateControls);
  // Stores one controller value in the voice record (and the slider on the keyboard channel) and
  // sends it.
  void SetLiveController(uint8_t channel, uint8_t controller, uint8_t value);
  // The mixer as the style's loader and the Style-Creator see it.
  styles::ChannelSetupSink& StyleSetupSink() { return setupSink_; }

  // --- Channel list --------------------------------------------------------------------------
  // The name shown for `program` on `channel`: the channel's chosen entry when it plays that
  // program, otherwise the first entry of the list that sends it; empty when none does or for 255.
  std::string InstrumentName(uint8_t channel, uint8_t program) const;
  // Rebuilds the row of `channel` when `program` differs from the program last shown there (or
  // always with `force`); true when the row was rebuilt. An unknown program (255: the memory was
  // reset, which leaves the device's programs as they were) keeps a row that names an instrument.
  bool UpdateRow(uint8_t channel, uint8_t program, bool force = false);
  // Rebuilds all rows from the programs of the 16 channels.
  void RefreshRows(std::span<const uint8_t, 16> programs);
  // Brings the rows up to date with the programs in the controller value memory (only rows whose
  // program changed are rebuilt); true when any row was rebuilt.
  bool UpdateRows(const midi::ControllerMemory& memory);
  const std::array<std::string, 16>& Rows() const { return rows_; }
  // The program the rows last learnt for `channel`; 255 before any.
  uint8_t KnownProgram(uint8_t channel) const { return knownPrograms_.at(channel & 0x0F); }

 private:
  class SetupSink final : public styles::ChannelSetupSink {
   public:
    explicit SetupSink(Mixer& mixer) : mixer_(mixer) {}
    uint8_t KeyboardChannel() const override { return mixer_.KeyboardChannel(); }
    void SetKeyboardChannel(uint8_t channel) override { mixer_.SelectChannel(channel); }
    void ApplyChannelSetup(uint8_t channel, const std::array<uint8_t, 13>& entries,
                           bool updateControls) override {
      mixer_.ApplyChannelSetup(channel, entries, updateControls);
    }
    void SetLiveController(uint8_t channel, uint8_t controller, uint8_t value) override {
      mixer_.SetLiveController(channel, controller, value);
    }
    void ChannelSetupsSent() override { mixer_.port_.ChannelSetupsSent(); }

   private:
    Mixer& mixer_;
  };

  // Makes `channel` the keyboard channel and loads its stored values into the controls.
  void SelectChannel(uint8_t channel);
  // Keeps a value in the voice record and, on the keyboard channel, in the slider; sends nothing.
  void StoreLiveValue(uint8_t channel, uint8_t entry, uint8_t value, bool updateSlider);
  void SendChannel(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2);
  void SendInstrument(uint8_t channel, const config::InstrumentMessages& messages);
  void ApplyOutputVolume();

  MixerPort& port_;
  StyleChannelSink* styleSink_ = nullptr;
  midi::VoiceRecords voices_{};
  std::array<uint8_t, kMixerSliderCount> sliders_{105, 64, 64, 0, 0, 127, 0, 0};
  uint8_t keyboardChannel_ = 0;
  bool loading_ = false;

  std::vector<std::string> entries_;
  config::PatchKind kind_ = config::PatchKind::Gm;
  int instrumentBox_ = -1;
  std::array<int16_t, 16> instrumentEntry_;
  std::array<std::optional<std::array<uint8_t, 3>>, 16> shownInstrument_{};

  int left_ = 100;
  int right_ = 100;
  bool lock_ = false;

  std::array<uint8_t, 16> suppress_{};
  uint8_t solo_ = 0;
  uint8_t channelBeforeSolo_ = 0;

  std::array<std::string, 16> rows_;
  std::array<int16_t, 16> shownPrograms_;
  // The last program known to play on each channel; 255 before any.
  std::array<uint8_t, 16> knownPrograms_;
  SetupSink setupSink_{*this};
};

}  // namespace kalo::app
