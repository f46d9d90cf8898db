// The output step of a render: the file types told by name, every target written from one capture,
// failures reported without keeping the other targets from being written, and the progress shown
// only on a terminal and only for a render that lasts.

#include "app/render_output.h"

#include <gtest/gtest.h>

#include <sstream>

#include "config/temp_folder.h"
#include "host/file_store.h"
#include "midi/wav_audio.h"

namespace kalo::app {
namespace {

namespace fs = std::filesystem;

TEST(RenderOutput, TheFileTypeComesFromTheNameAndUnknownTypesAreRefusedBeforeRendering) {
  struct Row {
    RenderTargets Targets;
    const char* Problem;  // a part of the text, or "" for none
  };
  const Row rows[] = {
      {{"", {"song.mid", "Song.WAV", "take.midi", "song.Flac", "song.ogg"}}, ""},
      {{"-", {}}, ""},
      {{"", {}}, "nothing to write"},
      {{"", {"song.mid", "song.MP3"}},
       "cannot write song.MP3: KALO does not write .mp3 files; the name must"},
      {{"", {"wav"}}, "cannot tell what to write to wav: the name must end in .mid or .midi"},
      {{"", {"song.wav.txt"}}, "cannot write song.wav.txt: KALO does not write .txt files"},
  };
  for (const Row& row : rows) {
    const std::string problem = RenderTargetsProblem(row.Targets);
    const std::string name =
        row.Targets.Files.empty() ? "events " + row.Targets.Events : row.Targets.Files.back().string();
    if (*row.Problem == '\0') {
      EXPECT_EQ(problem, "") << name;
    } else {
      EXPECT_NE(problem.find(row.Problem), std::string::npos) << name << ": " << problem;
    }
  }
}

std::vector<midi::CapturedMessage> OneChord() {
  return {{0, {0xC0, 0}},      {0, {0x90, 60, 100}}, {0, {0x90, 64, 100}},
          {48, {0x90, 60, 0}}, {48, {0x80, 64, 0}},  {48, {0xB0, 123, 0}}};
}

TEST(RenderOutput, OneCaptureIsWrittenAsEventsMidiAndSoundAndAMissingSoundFontSparesTheOthers) {
  config::testing::TempFolder temp;
  const std::vector<midi::TempoChange> tempo = {{0, 120}};
  struct Row {
    const char* Name;
    bool SoundFontThere;
    bool Written;
  };
  for (const Row row : {Row{"with the soundfont", true, true}, Row{"without it", false, false}}) {
    const fs::path folder = temp.Path() / row.Name;
    fs::create_directories(folder);
    config::Settings settings;
    if (!row.SoundFontThere) settings.SoundFont = (folder / "gone.sf2").string();
    const RenderTargets targets{(folder / "events.txt").string(), {folder / "a.wav", folder / "a.mid"}};
    std::ostringstream out, err;
    host::FakeTimeSource clock;
    RenderProgress progress(clock, err, false);
    EXPECT_EQ(WriteRenderTargets(targets, OneChord(), tempo, settings, {out, err, progress}), row.Written)
        << row.Name;

    EXPECT_EQ(config::testing::ReadText(folder / "events.txt").substr(0, 10), "0 192 0 0\n") << row.Name;
    EXPECT_EQ(config::testing::ReadText(folder / "a.mid").substr(0, 4), "MThd") << row.Name;
    const midi::testing::Audio audio = midi::testing::ReadWav(folder / "a.wav");
    if (row.SoundFontThere) {
      EXPECT_EQ(audio.Rate, kRenderSampleRate);
      EXPECT_GT(audio.Rms(0.0, 0.9), 0.01) << "the chord sounds";
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_FALSE(fs::exists(folder / "a.wav"));
      EXPECT_NE(err.str().find("\"" + settings.SoundFont + "\" (setting SoundFont)"), std::string::npos)
          << err.str();
    }
  }
}

TEST(RenderOutput, ProgressIsShownOnATerminalOnlyAfterTheFirstSecondOnOneLine) {
  struct Row {
    const char* Name;
    bool Terminal;
    int64_t StartAfterMicros;
    const char* Shown;
  };
  const Row rows[] = {
      {"a quick render", true, 400'000, ""},
      {"a long render", true, 1'000'000,
       "\rkalo render: writing a.wav   0%\rkalo render: writing a.wav  50%\rkalo render: writing a.wav "
       "100%\n"},
      {"a long render into a log", false, 5'000'000, ""},
  };
  for (const Row& row : rows) {
    host::FakeTimeSource clock;
    std::ostringstream err;
    RenderProgress progress(clock, err, row.Terminal);
    clock.Advance(row.StartAfterMicros);
    for (double fraction : {0.0, 0.004, 0.5, 0.502, 1.0}) progress.Update("a.wav", fraction);
    progress.Done();
    EXPECT_EQ(err.str(), row.Shown) << row.Name;
  }
}

}  // namespace
}  // namespace kalo::app
