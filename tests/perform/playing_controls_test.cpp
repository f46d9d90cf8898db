#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "perform/chord_printing.h"
#include "perform/computer_key_table.h"
#include "perform/computer_keys.h"
#include "perform/live_input_rig.h"
#include "perform/on_screen_controls.h"

namespace kalo::perform {
namespace {

using testing::Bytes;
using testing::LiveInputRig;

struct Key {
  bool Down;
  int Code;
  unsigned Modifiers = 0;
};
Key Down(int code, unsigned modifiers = 0) { return {true, code, modifiers}; }
Key Up(int code, unsigned modifiers = 0) { return {false, code, modifiers}; }

// Melody notes go out with the voice volume 90 of the fake mixer; factory control keys as in the
// dispatch tests (Ending 38, intro code 35).
struct Case {
  const char* Name;
  std::function<void(LiveInputRig&)> Setup;
  std::vector<Key> Keys;
  std::vector<Bytes> Sent = {};
  Chord Expected = {};
  std::vector<std::string> Calls = {};
};

void Melody(LiveInputRig& rig) { rig.Dispatch.SetMelodyMode(true); }

TEST(ComputerKeys, PlayNotesChordsAndCommands) {
  const Case cases[] = {
      Case("a held letter key sends one note-on however long it repeats, and one note-off", Melody,
           {Down('C'), Down('C'), Down('C'), Down('C'), Up('C')}, {{0x90, 48, 90}, {0x90, 48, 0}}),
      Case("an upper-row key plays a melody note an octave up also in chord mode", [](LiveInputRig&) {},
           {Down('T'), Down('T'), Up('T')}, {{0x90, 60, 90}, {0x90, 60, 0}}),
      Case("a lower-row key in chord mode gives its chord once while held", [](LiveInputRig&) {},
           {Down('Y'), Down('Y'), Down('C'), Up('Y')}, {}, {45, kMaj}),
      Case("Shift held, then a chord key: a minor chord", [](LiveInputRig&) {},
           {Down(vk::kShift, kShiftDown), Down('Y', kShiftDown)}, {}, {45, kMin}),
      Case("after Shift is released later chord keys are major again", [](LiveInputRig&) {},
           {Down(vk::kShift, kShiftDown), Down('Y', kShiftDown), Up('Y', kShiftDown), Up(vk::kShift),
            Down('C')},
           {}, {48, kMaj}),
      Case("a digit selects its type, or the one the ChordTypes setting names",
           [](LiveInputRig& r) { r.Settings.ChordTypes = "17"; }, {Down('1'), Down('C')}, {}, {48, kSus7}),
      Case("the second layout: the key with code Z acts as Y, slash as minus",
           [](LiveInputRig& r) { r.Settings.KLayout = 1, r.Dispatch.SetMelodyMode(true); },
           {Down('Z'), Down(vk::kOem2), Up('Z'), Up(vk::kOem2)},
           {{0x90, 45, 90}, {0x90, 60, 90}, {0x90, 45, 0}, {0x90, 60, 0}}),
      Case("Page Up releases the keyboard channel and raises melody keys an octave", Melody,
           {Down(vk::kPrior), Down('C')}, {{0xB0, 64, 0}, {0xB0, 66, 0}, {0xB0, 123, 0}, {0x90, 60, 90}}),
      Case("F4 is the ending key, F10 plays, Shift+F3 recalls and Shift+Ctrl+F3 stores preset 2",
           [](LiveInputRig&) {},
           {Down(vk::kF1 + 3), Down(vk::kF1 + 9), Down(vk::kF1 + 2, kShiftDown),
            Down(vk::kF1 + 2, kShiftDown | kCtrlDown)},
           {}, {}, {"EnterFunction 38 12", "Play", "RecallInstrumentPreset 2", "StoreInstrumentPreset 2"}),
      Case("Escape enters the intro code", [](LiveInputRig&) {}, {Down(vk::kEscape)}, {}, {},
           {"EnterFunction 35 12"}),
      Case("Escape armed for an external start starts at once", [](LiveInputRig& r) { r.Live.Sync = -1; },
           {Down(vk::kEscape)}, {}, {},
           {"SwitchSyncStart 0", "SwitchSyncStart 1", "PartSwitch", "ChordChange"}),
      Case("keys with Alt alone are left to the window", [](LiveInputRig&) {}, {Down('C', kAltDown)}),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LiveInputRig rig;
    ComputerKeys keys(rig.Dispatch);
    c.Setup(rig);
    for (const Key& key : c.Keys) {
      if (key.Down) {
        keys.FormKeyDown(key.Code, key.Modifiers);
      } else {
        keys.FormKeyUp(key.Code, key.Modifiers);
      }
    }
    EXPECT_EQ(rig.Played(), c.Sent);
    EXPECT_EQ(rig.Current(), c.Expected);
    EXPECT_EQ(rig.Live.Log, c.Calls);
  }
}

TEST(OnScreenControls, ChordButtonsGiveChordsAndStyleParts) {
  struct Button {
    const char* Name;
    const char* Button;
    unsigned Modifiers;
    bool Edit;
    Chord Expected;
    std::vector<std::string> Calls;
  } const cases[] = {
      Button("C05 plays A 7th on note 45", "C05", 0, false, {45, kSeventh}, {}),
      Button("A00 plays E maj on note 52", "A00", 0, false, {52, kMaj}, {}),
      Button("K11 plays B 6th on note 51", "K11xyz", 0, false, {51, kSixth}, {}),
      Button("rows beyond L give C maj for the Style-Creator", "M07", 0, false, {48, kMaj}, {}),
      Button("L02 is the ending key", "L02", 0, false, {}, {"EnterFunction 38 12"}),
      Button("Shift on a style-part button gives the intro", "L00", kShiftDown, false, {},
             {"EnterFunction 35 12"}),
      Button("with Edit the chord goes to the editor on release", "C05", 0, true, {}, {"TakeChord 45 3"}),
      Button("with Edit a style-part code goes to the editor as a function", "L01", 0, true, {},
             {"TakeFunction 39"}),
      Button("a column beyond the grid is no button", "A12", 0, false, {}, {}),
  };
  for (const Button& c : cases) {
    SCOPED_TRACE(c.Name);
    LiveInputRig rig;
    OnScreenControls controls(rig.Dispatch);
    rig.Live.TakesButtons = c.Edit;
    controls.ChordButtonDown(c.Button, c.Modifiers);
    controls.ChordButtonUp();
    EXPECT_EQ(rig.Current(), c.Expected);
    EXPECT_EQ(rig.Live.Log, c.Calls);
  }
}

TEST(OnScreenControls, InputModesSetTheirSwitches) {
  LiveInputRig rig;
  OnScreenControls controls(rig.Dispatch);
  rig.Live.IsPlaying = true;
  controls.SelectInputMode(InputMode::TriggeredChords);
  EXPECT_TRUE(rig.Options.PlayChords) << "refused while playing unless the mode stops first";
  controls.SelectInputMode(InputMode::NormalKeyboardInstruments);
  EXPECT_FALSE(rig.Options.Chords);
  EXPECT_TRUE(rig.Options.Instruments);
  EXPECT_TRUE(rig.Dispatch.MelodyMode());
  EXPECT_EQ(rig.Live.Sync, 1) << "left armed";
}

}  // namespace
}  // namespace kalo::perform
