// The synthesizer over the real FluidSynth and the system's soundfont, without a sound device.

#include "midi/backends/fluidsynth_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "config/temp_folder.h"
#include "host/main_loop.h"
#include "midi/backends/jack_probe.h"
#include "midi/midi_errors.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kalo::midi {
namespace {

using Bytes = std::vector<uint8_t>;

struct SynthRig {
  explicit SynthRig(SynthOptions options) {
    auto owned = std::make_unique<FluidSynthBackend>(std::move(options));
    Backend = owned.get();
    System.Devices().AddBackend(std::move(owned));
  }

  host::StdMainLoop Loop;
  MidiSystem System{Loop};
  FluidSynthBackend* Backend = nullptr;
};

SynthOptions SilentOptions(std::filesystem::path soundFont = kDefaultSoundFont) {
  SynthOptions options;
  options.SoundFont = std::move(soundFont);
  options.Driver = SynthDriver::None;
  options.SoundFontSetting = "SoundFont";
  return options;
}

TEST(FluidSynthBackend, ASilentSynthesizerIsListedOpensAndTakesEveryMessage) {
  config::testing::TempFolder temp;
  std::filesystem::create_symlink(kDefaultSoundFont, temp.Path() / "link.sf2");
  SynthRig rig(SilentOptions(temp.Path() / "link.sf2"));
  ASSERT_TRUE(rig.System.Devices().Backends()[0].Working);
  const std::string& detail = rig.System.Devices().Backends()[0].Detail;
  EXPECT_NE(detail.find("silent"), std::string::npos);
  EXPECT_NE(detail.find("link.sf2, the file " + std::filesystem::canonical(kDefaultSoundFont).string()),
            std::string::npos)
      << detail;
  EXPECT_EQ(rig.System.Devices().InputCount(), 0);
  ASSERT_EQ(rig.System.Devices().OutputCount(), 1);

  TMidiOutput output(rig.System);
  output.SetProductName(kSynthName);
  ASSERT_TRUE(output.Open());
  int done = 0;
  output.Onmidioutput = [&done](TMidiOutput&) { ++done; };

  struct ShortCase {
    const char* Name;
    uint8_t Status, Data1, Data2;
    PortResult Expected;
  };
  const ShortCase shorts[] = {
      {"program change", 0xC0, 24, 0, result::kOk},
      {"note on", 0x90, 60, 100, result::kOk},
      {"note on of velocity 0", 0x90, 60, 0, result::kOk},
      {"note off of a silent key", 0x81, 61, 0, result::kOk},
      {"drum note", 0x99, 36, 127, result::kOk},
      {"pitch bend", 0xE0, 0, 64, result::kOk},
      {"MIDI clock", 0xF8, 0, 0, result::kOk},
      {"system reset", 0xFF, 0, 0, result::kOk},
      {"a data byte as status", 0x40, 0, 0, result::kInvalidParam},
      {"a lone system-exclusive start", 0xF0, 0x7E, 0xF7, result::kInvalidParam},
  };
  for (const ShortCase& row : shorts) {
    output.PutShort(row.Status, row.Data1, row.Data2);
    EXPECT_EQ(output.Error(), row.Expected) << row.Name;
  }
  // Without a sound device the synthesizer still renders the time that passes, so notes end.
  output.PutShort(0x99, 42, 100);  // a closed hi-hat lasts a fraction of a second
  EXPECT_GE(rig.Backend->ActiveVoices(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  output.PutShort(0xB0, 1, 0);
  EXPECT_EQ(rig.Backend->ActiveVoices(), 0);

  struct LongCase {
    const char* Name;
    Bytes Message;
    bool Accepted;
  };
  const LongCase longs[] = {
      {"GM reset", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, true},
      {"GS reset", {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, true},
      {"XG reset", {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, true},
      {"a message of another maker", {0xF0, 0x47, 0x01, 0x02, 0xF7}, true},
      {"an empty message", {0xF0, 0xF7}, true},
      {"no end byte", {0xF0, 0x7E, 0x7F, 0x09, 0x01}, false},
      {"a status byte inside", {0xF0, 0x7E, 0x90, 0xF7}, false},
  };
  for (const LongCase& row : longs) {
    done = 0;
    bool threw = false;
    try {
      output.PutLong(row.Message.data(), row.Message.size());
    } catch (const EmidioutputError&) {
      threw = true;
    }
    rig.Loop.RunPending();
    EXPECT_EQ(threw, !row.Accepted) << row.Name;
    EXPECT_EQ(done, row.Accepted ? 1 : 0) << row.Name << ": completions reported";
    EXPECT_EQ(output.PendingLongMessages(), 0u) << row.Name;
  }

  output.SetVolume(0x8000, 0x8000);  // the device has a volume, open or not
  TMidiOutput second(rig.System);
  second.SetDeviceID(0);
  EXPECT_THROW(second.Open(), EmidioutputError) << "one port at a time";
  output.Close();
  output.SetVolume(0xFFFF, 0xFFFF);
  EXPECT_TRUE(second.Open()) << "free again after closing";
}

TEST(FluidSynthBackend, ASoundFontThatCannotBeUsedIsNamedWithItsSettingWhenOpening) {
  config::testing::TempFolder temp;
  struct Case {
    const char* Name;
    std::filesystem::path SoundFont;
    const char* Says;
  };
  const Case cases[] = {
      {"missing", temp.Path() / "gone.sf2", "does not exist"},
      {"a folder", temp.Path(), "is a folder"},
      {"a link loop", temp.Path() / "loop.sf2", "cannot be read: Too many levels of symbolic links"},
      {"not a soundfont", temp.Write("text.sf2", "RIFF but not really"), "is not a SoundFont 2"},
      {"none chosen", "", "No soundfont is chosen"},
  };
  std::filesystem::create_symlink("loop.sf2", temp.Path() / "loop.sf2");
  for (const Case& row : cases) {
    SynthRig rig(SilentOptions(row.SoundFont));
    ASSERT_EQ(rig.System.Devices().OutputCount(), 1) << row.Name << ": the device stays listed";
    EXPECT_NE(rig.System.Devices().Backends()[0].Detail.find(row.Says), std::string::npos) << row.Name;
    TMidiOutput output(rig.System);
    output.SetDeviceID(0);
    std::string text;
    try {
      output.Open();
    } catch (const EmidioutputError& e) {
      text = e.what();
    }
    EXPECT_FALSE(output.IsOpen()) << row.Name;
    EXPECT_NE(text.find(row.Says), std::string::npos) << row.Name << ": " << text;
    EXPECT_NE(text.find("(setting SoundFont)"), std::string::npos) << row.Name << ": " << text;
    EXPECT_NE(text.find(row.SoundFont.string()), std::string::npos) << row.Name << ": " << text;
  }
}

TEST(FluidSynthBackend, WithoutTheChosenSoundSystemItSaysWhyAndPlaysSilentlyWithoutStartingAJackServer) {
  // A server nobody runs, and nothing but the synthesizer's own care to keep libjack from starting it.
  const std::string server = std::getenv("JACK_DEFAULT_SERVER") ? std::getenv("JACK_DEFAULT_SERVER") : "";
  const bool noStart = std::getenv("JACK_NO_START_SERVER") != nullptr;
  setenv("JACK_DEFAULT_SERVER", "kalo-synth-test-no-such-server", 1);
  unsetenv("JACK_NO_START_SERVER");
  SynthOptions options = SilentOptions();
  options.Driver = SynthDriver::Jack;
  SynthRig rig(options);
  EXPECT_EQ(rig.Backend->AudioDriver(), "");
  EXPECT_EQ(rig.Backend->SilentReason(), "no sound device (jack: no JACK server is running)");
  TMidiOutput output(rig.System);
  output.SetDeviceID(0);
  ASSERT_TRUE(output.Open());
  output.PutShort(0x90, 60, 100);
  EXPECT_EQ(output.Error(), result::kOk);
  EXPECT_FALSE(JackServerAnswers("kalo-test")) << "a JACK server was started";
  server.empty() ? unsetenv("JACK_DEFAULT_SERVER") : setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  if (noStart) setenv("JACK_NO_START_SERVER", "1", 1);
}

}  // namespace
}  // namespace kalo::midi
