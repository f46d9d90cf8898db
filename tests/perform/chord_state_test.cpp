#include "perform/chord_state.h"

#include <gtest/gtest.h>

#include "perform/chord_printing.h"
#include "perform/fake_chord_host.h"

#include <string>
#include <vector>

namespace kalo::perform {
namespace {

// A chord state whose host and observers write what they are asked into one log.
class ChordStateTest : public ::testing::Test {
 protected:
  ChordStateTest() {
    chords.Observers().MelodyAdLibSwitched = [this](bool on) {
      log.push_back(on ? "adlib on" : "adlib off");
    };
    chords.Observers().ChordSet = [this](Chord c) {
      log.push_back("set " + std::to_string(c.Root) + " " + std::to_string(c.Type));
    };
  }

  Chord Current() const { return {chords.CurrentRoot, chords.CurrentType}; }
  Chord Pending() const { return {chords.PendingRoot, chords.PendingType}; }

  testing::LoggingChordHost host;
  std::vector<std::string>& log = host.Log;
  bool& playing = host.Playing;
  bool& startOnChord = host.StartsOnChord;
  bool& chordsoutOpen = host.Chordsout;
  config::Options options;
  host::RecordingDisplay display;
  ChordState chords{options, display, host};
};

TEST_F(ChordStateTest, SetChordAppliesTriadMajorMinorAndTranspositionInThatOrder) {
  struct Case {
    bool Triad, MajorMinor, PlayChords;
    int Root, Type, Transpose;
    Chord Expected;
  };
  const Case cases[] = {
      {false, false, false, 60, kMaj, kUntransposed, {60, kMaj}},
      {false, true, false, 60, kSeventh, kUntransposed, {60, kMin7}},  // C min7
      {false, true, false, 60, kMin, kUntransposed, {60, kMaj}},
      {false, true, false, 60, kDim, kUntransposed, {60, kDim}},
      {true, false, false, 64, kMaj, kUntransposed, {64, kMin}},          // E of C major: Em
      {true, false, false, 71, kMaj, kUntransposed, {71, kDim}},          // Bdim
      {true, true, false, 64, kMaj, kUntransposed, {63, kMaj}},           // Eb maj
      {true, true, false, 71, kMaj, kUntransposed, {70, kMaj}},           // Bb maj
      {true, true, false, 69, kMaj, kUntransposed, {68, kMaj}},           // Ab maj
      {true, true, false, 62, kMaj, kUntransposed, {62, kDim}},           // Ddim
      {true, false, false, 62, kSeventh, kUntransposed, {62, kSeventh}},  // only type 1 is a triad key
      {true, true, false, 62, kSeventh, kUntransposed, {62, kMin7}},
      {true, false, false, 64, kMaj, 2, {66, kMin}},  // the triad follows the key, then the transposition
      {false, false, false, 60, kMaj, 5, {65, kMaj}},
      {false, false, false, 60, kMaj, -11, {49, kMaj}},
      {false, false, false, 60, kMaj, 13, {61, kMaj}},  // remainder keeps the sign of the offset
      {false, false, false, 60, kMaj, -13, {59, kMaj}},
      {false, false, false, 60, kMaj, 24, {60, kMaj}},
      {false, false, true, 60, kMaj, 13, {73, kMaj}},  // "Play Chords" moves by the whole offset
      {false, false, true, 60, kMaj, -13, {47, kMaj}},
      {false, false, false, 0, kMaj, kUntransposed, {12, kMaj}},  // root 0 would read as "none pending"
      {false, false, true, 127, kMaj, 5, {120, kMaj}},            // kept below 128 by octaves
      {false, false, false, 5, kMaj, -7, {10, kMaj}},
  };
  for (const Case& c : cases) {
    options.TriadChords = c.Triad;
    options.MajorMinor = c.MajorMinor;
    options.PlayChords = c.PlayChords;
    chords.SetChord(c.Root, c.Type, c.Transpose);
    EXPECT_EQ(Current(), c.Expected) << c.Root << " " << c.Type << " " << c.Transpose;
    EXPECT_EQ(Pending(), c.Expected) << c.Root << " " << c.Type << " " << c.Transpose;
  }
}

TEST_F(ChordStateTest, SetChordHandsTheFourChordTonesAndReportsTheChord) {
  chords.SetChord(60, kAdd9, kUntransposed);
  chords.SetChord(57, kMin, 0);
  chords.SetChord(60, kFlatFive, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"tones 60 64 67 74", "set 60 7", "tones 57 60 64 69", "set 57 2",
                                           "tones 60 64 66 72", "set 60 8"}));
}

TEST_F(ChordStateTest, TypeZeroAndTypesBeyondTheTableChangeNothing) {
  chords.SetChord(60, kMaj, kUntransposed);
  log.clear();
  chords.SetChord(62, 0, kUntransposed);
  chords.SetChord(62, 18, kUntransposed);
  chords.SetChord(62, -1, kUntransposed);
  EXPECT_EQ(Current(), (Chord{60, kMaj}));
  EXPECT_EQ(Pending(), (Chord{60, kMaj}));
  EXPECT_TRUE(log.empty());
}

TEST_F(ChordStateTest, TypeZeroDoesNotUseUpAOneShotOverride) {
  chords.SetChordTypeOverride(kMin, true);
  chords.SetChord(62, 0, kUntransposed);
  EXPECT_EQ(Current(), (Chord{kNoRoot, 0}));
  EXPECT_EQ(chords.ChordTypeOverride(), kMin);
  EXPECT_TRUE(display.Lines().empty());
}

TEST_F(ChordStateTest, AOneShotOverrideIsUsedOnceAndTurnsThePanelWhite) {
  chords.SetChordTypeOverride(kMin7, true);
  chords.SetChord(60, kMaj, kUntransposed);
  EXPECT_EQ(Current(), (Chord{60, kMin7}));
  EXPECT_EQ(display.Lines(), std::vector<std::string>{"ChordPanelColour: 00FFFFFF"});
  EXPECT_EQ(chords.ChordTypeOverride(), 0);
  EXPECT_FALSE(chords.ChordTypeOverrideIsOneShot());
  chords.SetChord(62, kMaj, kUntransposed);
  EXPECT_EQ(Current(), (Chord{62, kMaj}));
  EXPECT_EQ(display.Lines().size(), 1u);
}

TEST_F(ChordStateTest, AHeldOverrideStaysAndPassesThroughTheOptions) {
  chords.SetChordTypeOverride(kSeventh);
  chords.SetChord(60, kMaj, kUntransposed);
  chords.SetChord(65, kMin, kUntransposed);
  EXPECT_EQ(Current(), (Chord{65, kSeventh}));
  options.MajorMinor = true;
  chords.SetChord(67, kMaj, kUntransposed);
  EXPECT_EQ(Current(), (Chord{67, kMin7}));
  EXPECT_TRUE(display.Lines().empty());
  chords.ClearChordTypeOverride();
  chords.SetChord(67, kSus4, kUntransposed);
  EXPECT_EQ(Current(), (Chord{67, kSus4}));
}

TEST_F(ChordStateTest, TheFirstChordStartsTheStyleOnlyWhenStoppedArmedAndNotPlayingChords) {
  struct Case {
    bool Playing, StartOnChord, PlayChords;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {false, true, false, {"start"}},
      {true, true, false, {}},
      {false, false, false, {}},
      {false, true, true, {}},
  };
  for (const Case& c : cases) {
    playing = c.Playing;
    startOnChord = c.StartOnChord;
    options.PlayChords = c.PlayChords;
    log.clear();
    chords.SetChord(60, kMaj, kUntransposed);
    std::vector<std::string> starts;
    for (const std::string& line : log)
      if (line == "start") starts.push_back(line);
    EXPECT_EQ(starts, c.Expected) << c.Playing << c.StartOnChord << c.PlayChords;
    // The chord is stored before the style starts, so the start sees it.
    EXPECT_EQ(Current(), (Chord{60, kMaj}));
  }
}

TEST_F(ChordStateTest, ReassertingThePendingChordAppliesNoOptionAgain) {
  options.MajorMinor = true;
  options.TriadChords = true;
  chords.SetChord(64, kMaj, kUntransposed);  // Eb maj
  log.clear();
  chords.ReassertPendingChord();
  chords.ReassertPendingChord();
  EXPECT_EQ(Pending(), (Chord{63, kMaj}));
  EXPECT_EQ(Current(), (Chord{63, kMaj}));
  EXPECT_EQ(log, (std::vector<std::string>{"tones 63 67 70 75", "tones 63 67 70 75"}));

  chords.ClearPendingChord();
  log.clear();
  chords.ReassertPendingChord();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Current(), (Chord{63, kMaj}));
}

TEST_F(ChordStateTest, ChordCodesAreSentOncePerChordOnTheChosenChannel) {
  options.SendChordCodes = true;
  chords.ChordCodeChannel = 2;
  chords.CurrentRoot = 64;
  chords.CurrentType = kMin7;
  EXPECT_TRUE(chords.SendChordCode());
  EXPECT_FALSE(chords.SendChordCode());
  chords.CurrentRoot = 76;  // the same pitch class an octave up is the same chord
  EXPECT_FALSE(chords.SendChordCode());
  chords.CurrentRoot = 70;
  chords.CurrentType = kSus7;
  EXPECT_TRUE(chords.SendChordCode());
  chords.CurrentType = kSus4;
  EXPECT_TRUE(chords.SendChordCode());
  EXPECT_EQ(log,
            (std::vector<std::string>{"chordsout 178 20 40", "chordsout 178 19 82", "chordsout 178 20 70"}));
  EXPECT_EQ(display.Last("Caption"), "KALO  -  Chord : Bb sus4  -  Channel 3");
  EXPECT_EQ(display.Last("ChordPanel"), "");
}

TEST_F(ChordStateTest, NoChordCodeIsSentWithoutTheOptionOrWithoutAChord) {
  chords.CurrentRoot = 60;
  chords.CurrentType = kMaj;
  EXPECT_FALSE(chords.SendChordCode());
  options.SendChordCodes = true;
  chords.CurrentRoot = kNoRoot;
  chords.CurrentType = 0;
  EXPECT_FALSE(chords.SendChordCode());
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(display.Lines().empty());
}

TEST_F(ChordStateTest, AChordSentWhileChordsoutIsClosedIsShownAndRememberedButNotTransmitted) {
  options.SendChordCodes = true;
  chordsoutOpen = false;
  chords.CurrentRoot = 60;
  chords.CurrentType = kMaj;
  EXPECT_TRUE(chords.SendChordCode());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(display.Last("Caption"), "KALO  -  Chord : C maj  -  Channel 1");
  chordsoutOpen = true;
  EXPECT_FALSE(chords.SendChordCode());
  EXPECT_TRUE(log.empty());
}

TEST_F(ChordStateTest, ClearingTheChordCodeOptionsRestoresTheCaptionAndSendingStartsAfresh) {
  options.SendChordCodes = true;
  chords.CurrentRoot = 60;
  chords.CurrentType = kMaj;
  chords.SendChordCode();
  chords.SetSendChordCodes(false);
  EXPECT_EQ(display.Last("Caption"), "KALO");
  chords.SetSendChordCodes(true);
  EXPECT_TRUE(chords.SendChordCode());
  EXPECT_EQ(log.size(), 2u);

  display.Clear();
  chords.SetReceiveChordCodes(true);
  EXPECT_TRUE(display.Lines().empty());
  chords.SetReceiveChordCodes(false);
  EXPECT_EQ(display.Lines(), std::vector<std::string>{"Caption: KALO"});
  EXPECT_FALSE(options.ReceiveChordCodes);
}

TEST_F(ChordStateTest, AReceivedChordCodeBecomesTheCurrentChordDirectly) {
  options.ReceiveChordCodes = true;
  display.SetChordPanelVisible(true);
  chords.SetChord(60, kMaj, kUntransposed);
  log.clear();
  EXPECT_EQ(chords.ReceiveChordCode(19, 13, 4, 36), ChordCodeKind::kChord);
  EXPECT_EQ(Current(), (Chord{49, kMinMajor7}));
  EXPECT_EQ(Pending(), (Chord{60, kMaj}));
  EXPECT_TRUE(log.empty());  // no SetChord: no tones, no start
  EXPECT_EQ(display.Last("Caption"), "KALO  -  Chord : C# mM7  -  Channel 5");
  EXPECT_EQ(display.Last("ChordPanel"), "C# mM7");

  display.SetChordPanelVisible(false);
  display.Clear();
  chords.ReceiveChordCode(20, 40, 0, 36);
  EXPECT_EQ(display.Lines(), std::vector<std::string>{"Caption: KALO  -  Chord : E min7  -  Channel 1"});
}

TEST_F(ChordStateTest, CommandCodesSwitchMelodyAdLibAndLeaveTheChord) {
  options.ReceiveChordCodes = true;
  chords.ReceiveChordCode(20, 40, 0, 36);
  EXPECT_EQ(chords.ReceiveChordCode(20, 121, 0, 36), ChordCodeKind::kAdLibOn);
  EXPECT_TRUE(options.MelodyAdLib);
  EXPECT_EQ(chords.ReceiveChordCode(19, 120, 0, 36), ChordCodeKind::kAdLibOff);
  EXPECT_FALSE(options.MelodyAdLib);
  EXPECT_EQ(chords.ReceiveChordCode(19, 100, 0, 36), ChordCodeKind::kIgnored);
  EXPECT_EQ(Current(), (Chord{52, kMin7}));
  EXPECT_EQ(log, (std::vector<std::string>{"adlib on", "adlib off"}));
}

TEST_F(ChordStateTest, ChordCodesAreNotDecodedWhileReceivingIsOff) {
  EXPECT_EQ(chords.ReceiveChordCode(20, 40, 0, 36), ChordCodeKind::kNotACode);
  EXPECT_EQ(chords.ReceiveChordCode(20, 121, 0, 36), ChordCodeKind::kNotACode);
  EXPECT_EQ(Current(), (Chord{kNoRoot, 0}));
  EXPECT_FALSE(options.MelodyAdLib);
  options.ReceiveChordCodes = true;
  EXPECT_EQ(chords.ReceiveChordCode(7, 40, 0, 36), ChordCodeKind::kNotACode);
}

}  // namespace
}  // namespace kalo::perform
