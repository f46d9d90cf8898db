#pragma once
// The one owner of the session: the MIDI devices and their configuration, the output routes, the
// mixer, the chord state and recognizer, the sequencer clock, the engine, the Style-Creator (TGen)
// with the current style, the options, the settings and the instrument lists. It is built once with
// its host services; the windows, the command line and the offline driver hold a reference to it and
// call its commands. Main thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/mixer.h"
#include "config/instrument_list.h"
#include "config/options.h"
#include "config/settings.h"
#include "engine/sequencer.h"
#include "engine/sequencer_clock.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/web_links.h"
#include "midi/device_config.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"
#include "midi/port_backend.h"
#include "midi/resets.h"
#include "perform/chord_recognizer.h"
#include "perform/chord_state.h"
#include "perform/input_dispatch.h"
#include "perform/live_input_seams.h"
#include "song/chordmemory.h"
#include "song/song.h"
#include "song/song_files.h"
#include "song/song_options.h"
#include "styles/style_creator.h"

namespace kalo::app {

// The host services the arranger is built on; every one must outlive it. The tick timer decides
// where ticks come from: a timer thread for live play, or nothing at all for offline work, whose
// owner calls Clock().OnTick() itself.
struct ArrangerHost {
  host::MainLoop& Loop;
  host::Dialogs& Dialogs;
  host::Display& Display;
  host::TickTimer& Timer;
  host::ThreadPriority& Priority;
  host::WebLinks& WebLinks;
  const host::ProgramFolder& Folder;
};

// The Style-Creator's controls that loading a style or work file sets; its window mirrors them.
// The live input's services that belong to parts the session does not hold yet: the melody track
// (recording what is played), the Style-Creator's live hooks, the chord editor, the instrument presets
// and the window's keyboard commands. Each is optional; the owner of the part sets it and keeps it
// alive while it is set. Unset, the input behaves as if the part were idle: nothing records, the
// Style-Creator neither waits, records nor captures, the chord buttons play, the preset keys and the
// window's function keys do nothing.
struct LiveInputHooks {
  perform::MelodyRecorder* Melody = nullptr;
  perform::StyleCreatorHooks* Creator = nullptr;
  perform::ChordEditorInput* Editor = nullptr;
  perform::InstrumentPresets* Presets = nullptr;
  perform::KeyboardCommands* Commands = nullptr;
};

// The style-part request shown last (key or code, and its value); key 0 before the first.
struct RequestedFunction {
  int Key = 0;
  int Value = 0;
};

struct StyleCreatorControls {
  bool RestoreOriginal = false;   // "Restore Original" enabled
  bool GoToEnd = false;           // the go-to-end button enabled
  bool SetButton = true;          // the "Set" button enabled
  bool ActiveChannelBox = false;  // the "Active/Minus/Repl. Ch." box ticked
  std::string SaveStyleName;      // what the save dialog proposes next
};

class SongSide;
class StyleCreatorSide;
class StyleManagerSide;
class ChordEditorSide;

class Arranger {
 public:
  // Adds the backends to the device registry in this order (their devices are numbered in that
  // order) and creates the two inputs and two outputs; an input that cannot be created (no input
  // device at all) leaves its slot empty. Nothing is opened yet.
  Arranger(const ArrangerHost& host, std::vector<std::unique_ptr<midi::PortBackend>> backends);
  ~Arranger();
  Arranger(const Arranger&) = delete;
  Arranger& operator=(const Arranger&) = delete;

  // Start-up after the settings are read: loads the instrument list, opens the stored devices
  // (device errors are shown, the other devices still open), sends the reset of kind none and
  // readies the clock (still off).
  void Start();
  // Copies the four device lists' positions into the settings, for writing at exit.
  void StoreDevicePositions();
  // Loads the instrument list in use into the mixer's instrument box.
  void LoadInstrumentList();

  // --- Playing --------------------------------------------------------------------------------
  // The clock on/off button.
  void ToggleClock() { clock_->ToggleClock(); }
  // The tempo field: 25..250 quarter notes per minute; a running clock follows at once.
  void SetTempo(int bpm);
  int Tempo() const { return tempo_; }
  // The Stop command (the transport's), also the first step of the shutdown; it also ends the
  // Style-Manager's preview.
  void Stop();
  // The transport's Play and Record commands (song play or live play; recording the Chordmemory).
  void Play();
  void Record();
  // The MIDI input dispatch of both inputs, the computer keys' and on-screen controls' way in. Both
  // inputs' events are dispatched on the main loop as they arrive; a device error while forwarding is
  // shown with its text.
  perform::InputDispatch& Dispatch() { return *dispatch_; }
  // A key pressed or released in the accompaniment zone: chord recognition, then the chord state.
  void ChordKeyDown(int key);
  void ChordKeyUp(int key);
  // A control key (style-part key) or function code with its value.
  void ControlKey(int key, int value) { engine_->EnterFunction(key, value); }
  // The main window's channel box: muted by hand, which a part selection does not undo.
  void SetChannelMute(int channel, bool muted);
  // The main window's transposition, -24..24 semitones.
  void SetTransposition(int semitones);

  // --- Housekeeping commands ---------------------------------------------------------------------
  void MidiReset(midi::ResetKind kind) { resets_->MidiReset(kind); }
  // The "MIDI Reset" button: the kind of the configuration's patch mode.
  void MidiResetButton();
  void AllNotesOff() { resets_->AllNotesOff(); }
  void ResetControllers() { resets_->ResetControllers(); }
  void SendVoiceMessages() { resets_->SendVoiceMessages(); }
  void SetStartvalues() { resets_->SetStartvalues(); }
  // "Instrument Pad": when checked (and "Midiout" is open) the pad instrument is sent on the pad
  // channel and kept in its voice record.
  void SetInstrumentPad(bool on);

  // A message made by the program's own controls, as the dispatch's SendGenerated: the melody track,
  // the controller value memory, then both outputs with "Send Chord Codes" (not note-ons or polyphonic
  // aftertouch), else the "Midiout" output while it is open.
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2);

  // "Transmit Controllers": while ticked, the inputs' driver callbacks let every controller, program
  // and channel-pressure value through (their controller filter is off); cleared, they drop values
  // the controller memory already holds.
  void SetTransmitControllers(bool on);

  // --- Songs (arranger_transport.cpp) ---------------------------------------------------------------
  // "Step Record": the step panel's start button; the record start measure becomes 1 when below it.
  void StepRecord();
  // "Play && Overwrite" and "Punch in": " Edit" is ticked, then Play or Record; an empty
  // Chordmemory shows "Chordmemory is empty !" instead.
  void PlayAndOverwrite();
  void PunchIn();
  // Play pressed in the chord editor: the song plays with SongState -2.
  void PlayFromEditor();
  // "Metronome", "Count in", "Master Mode", "Slave Mode", "Play Chords" and the intro voices choice.
  void SetMetronome(bool on);
  void SetCountIn(bool on) { songOptions_.CountIn = on; }
  void SetMasterMode(bool on);
  void SetSlaveMode(bool on);
  void SetPlayChords(bool on);
  void SetIntroVoices(song::IntroVoices voices) { songOptions_.Voices = voices; }
  // The input dispatch's melody seam: a message played on the melody part, recorded into the melody
  // track while its "Record" is on and a song plays or records.
  void RecordMelodyEvent(uint8_t status, uint8_t data1, uint8_t data2);
  perform::MelodyRecorder& MelodyRecorder();
  // "&New" and "&Clear": the transport stops; over a song, "Clear Chordmemory ?" (No changes
  // nothing); then the song, its melody and memo are cleared and the caption is the title's again.
  bool ClearSong();
  // The melody menu: "Record" (ignored while a song or style runs; over a melody it asks "Replace
  // current melody ?"; on, the melody takes the keyboard's channel and plays), "Play", "Delete",
  // "Restore", and "Quantize" with a grid (the transport stops first; "None" restores).
  void ToggleMelodyRecord();
  void SetMelodyPlay(bool on);
  void DeleteMelody();
  void RestoreMelody() { song_.Melody.Restore(); }
  void QuantizeMelody(song::QuantizeGrid grid);
  song::Song& Song() { return song_; }
  // Open, the demo song, Save and Save as.
  song::SongFiles& SongFiles() { return *songFiles_; }
  song::SongOptions& SongOptions() { return songOptions_; }
  app::SongSide& SongEngine() { return *songSide_; }
  // The Style-Manager and the main window's ways to a style (style_manager_side.h).
  app::StyleManagerSide& StyleManager() { return *styleManager_; }
  // The chord editor's commands; it is the live input's chord editor.
  app::ChordEditorSide& ChordEditor() { return *editorSide_; }

  // --- State -------------------------------------------------------------------------------------
  config::Options& Options() { return options_; }
  config::Settings& Settings() { return settings_; }
  config::InstrumentLists& Instruments() { return instruments_; }
  midi::MidiSystem& Midi() { return system_; }
  midi::DeviceConfig& Devices() { return *devices_; }
  midi::MidiResets& Resets() { return *resets_; }
  app::Mixer& Mixer() { return *mixer_; }
  perform::ChordState& Chords() { return *chords_; }
  perform::ChordRecognizer& Recognizer() { return *recognizer_; }
  engine::SequencerClock& Clock() { return *clock_; }
  engine::Sequencer& Engine() { return *engine_; }
  styles::TGen& Gen() { return *gen_; }
  midi::TMidiInput* Input1() { return input1_.get(); }
  midi::TMidiInput* Input2() { return input2_.get(); }
  midi::TMidiOutput& Output1() { return *output1_; }
  midi::TMidiOutput& Output2() { return *output2_; }
  host::MainLoop& Loop() { return host_.Loop; }
  host::Dialogs& Dialogs() { return host_.Dialogs; }
  host::Display& Display() { return host_.Display; }
  const host::ProgramFolder& Folder() const { return host_.Folder; }
  app::StyleCreatorSide& Creator() { return *creatorSide_; }

  // Sync start: 0 off, 1 armed with the internal clock, -1 armed for an external start.
  int SyncStart = 0;
  // The main window's "Solo" choice: 0 none, 1..16.
  uint8_t SoloChannel = 0;
  // The Harmonic PAD's channel (1..16) and octave.
  uint8_t PadChannel = 16;
  int PadOctave = 1;
  // The main window's channel boxes: muted by hand.
  std::array<bool, 16> HandMuted{};
  // Channels that played a note since the style was loaded (their boxes show the activity).
  std::array<bool, 16> ChannelActive{};
  StyleCreatorControls StyleControls;
  LiveInputHooks LiveHooks;
  RequestedFunction LastRequest;

 private:
  class MixerLink;
  class HousekeepingLink;
  class ClockLink;
  class ChordLink;
  class EngineLink;
  class SongLink;
  class SongFilesLink;
  class StyleLink;
  class LiveLink;
  // An input's OnMidiInput: the dispatch of input 1 (the keyboard) or input 2.
  void DrainInput(midi::TMidiInput& input, bool keyboard);

  void StartPlay(bool fromEditor);
  // The song's play range follows the measure length of the metrum in force.
  void SyncSongMeasureLength();

  const ArrangerHost host_;
  config::Options options_;
  config::Settings settings_;
  config::InstrumentLists instruments_;
  int tempo_ = 120;

  midi::MidiSystem system_;
  std::unique_ptr<midi::TMidiInput> input1_;
  std::unique_ptr<midi::TMidiInput> input2_;
  std::unique_ptr<midi::TMidiOutput> output1_;
  std::unique_ptr<midi::TMidiOutput> output2_;
  std::unique_ptr<midi::DeviceConfig> devices_;
  std::unique_ptr<MixerLink> mixerLink_;
  std::unique_ptr<app::Mixer> mixer_;
  std::unique_ptr<ChordLink> chordLink_;
  std::unique_ptr<perform::ChordState> chords_;
  std::unique_ptr<perform::ChordRecognizer> recognizer_;
  std::unique_ptr<HousekeepingLink> housekeepingLink_;
  std::unique_ptr<midi::MidiResets> resets_;
  std::unique_ptr<ClockLink> clockLink_;
  std::unique_ptr<engine::SequencerClock> clock_;
  std::unique_ptr<StyleLink> styleLink_;
  std::unique_ptr<styles::TGen> gen_;
  std::unique_ptr<EngineLink> engineLink_;
  song::Song song_;
  song::SongOptions songOptions_;
  std::unique_ptr<SongLink> songLink_;
  std::unique_ptr<app::SongSide> songSide_;
  std::unique_ptr<SongFilesLink> songFilesLink_;
  std::unique_ptr<song::SongFiles> songFiles_;
  std::unique_ptr<engine::Sequencer> engine_;
  std::unique_ptr<LiveLink> liveLink_;
  std::unique_ptr<app::StyleCreatorSide> creatorSide_;
  std::unique_ptr<perform::InputDispatch> dispatch_;
  std::unique_ptr<app::ChordEditorSide> editorSide_;
  bool clockStarted_ = false;
  // Last: its preview output is closed before the devices go.
  std::unique_ptr<app::StyleManagerSide> styleManager_;
};

}  // namespace kalo::app
