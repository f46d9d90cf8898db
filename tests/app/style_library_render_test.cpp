// The style library as the build ships it (STYLES/ beside the program), played as a player plays it:
// over a 12-bar progression in all twelve keys through the offline driver, and rendered to sound.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "app/chart_timeline.h"
#include "app/engine_rig.h"
#include "app/offline_driver.h"
#include "app/render_output.h"
#include "config/temp_folder.h"
#include "host/file_store.h"
#include "host/time_source.h"
#include "midi/port_backend.h"
#include "midi/smf_read_back.h"
#include "midi/standard_midi_file.h"
#include "midi/wav_audio.h"
#include "styles/style_file.h"
#include "styles/style_source.h"
#include "styles/style_stream.h"

namespace kalo::app {
namespace {

namespace fs = std::filesystem;

constexpr int kDrums = 9;

struct ShippedStyle {
  std::string Name;
  std::vector<uint8_t> Bytes;
};
void PrintTo(const ShippedStyle& style, std::ostream* out) { *out << style.Name; }

std::vector<std::string> StemsIn(const fs::path& folder, const std::string& extension) {
  std::vector<std::string> stems;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == extension) stems.push_back(entry.path().stem().string());
  std::sort(stems.begin(), stems.end());
  return stems;
}

const std::vector<ShippedStyle>& Shipped() {
  static const std::vector<ShippedStyle> styles = [] {
    std::vector<ShippedStyle> out;
    for (const std::string& name : StemsIn(KALO_SHIPPED_STYLES_DIR, ".vxs")) {
      const fs::path file = fs::path(KALO_SHIPPED_STYLES_DIR) / (name + ".vxs");
      out.push_back(
          {name, host::ReadFilePrefix(file, styles::kMaxStyleFileBytes).value_or(std::vector<uint8_t>{})});
    }
    return out;
  }();
  return styles;
}

// The factory settings, Harmonic PAD included, as `kalo render` without --intro has them.
config::Settings RenderSettings() {
  config::Settings settings;
  settings.PlayIntro = false;
  return settings;
}

// An offline session that has loaded `style` and plays it at its own tempo.
std::unique_ptr<OfflineDriver> Load(const ShippedStyle& style) {
  auto driver = std::make_unique<OfflineDriver>(RenderSettings(),
                                                host::ProgramFolder("/nonexistent-kalo-program-folder"));
  EXPECT_TRUE(driver->LoadStyle(style.Name + ".vxs", style.Bytes)) << style.Name;
  driver->Session().SetTempo(driver->Session().Gen().CurrentStyle().Header.Tempo);
  return driver;
}

int BeatsPerMeasure(OfflineDriver& driver) { return driver.Session().Gen().CurrentMetre.MeasureLength / 4; }

struct ChartChord {
  int64_t Tick;
  int Root;  // pitch class
};

// Twelve bars of one chord each on I IV I I IV IV I VI II V I V of `key`, the types running through
// all seventeen from a different start in each key; a fill pressed on the second beat of bar 4 and To
// Extended in bar 8.
perform::ChordChart TwelveBars(int key, int beatsPerMeasure, std::vector<ChartChord>& chords) {
  constexpr int kDegrees[12] = {0, 5, 0, 0, 5, 5, 0, 9, 2, 7, 0, 7};
  perform::ChordChart chart;
  chart.BeatsPerMeasure = beatsPerMeasure;
  chart.Measures = 12;
  for (int m = 0; m < 12; ++m) {
    const int beat = m * beatsPerMeasure;
    if (m == 3 || m == 7) {
      perform::ChartItem request{perform::ChartItem::Kind::kRequest, m == 3 ? beat + 1 : beat};
      request.Request = m == 3 ? perform::ChartRequest::kFill : perform::ChartRequest::kToExtended;
      chart.Items.push_back(request);
    }
    const int root = (key + kDegrees[m]) % 12;
    chart.Items.push_back({perform::ChartItem::Kind::kChord, beat, root, 1 + (m + 5 * key) % 17});
    chords.push_back({int64_t{beat} * kTicksPerChartBeat, root});
  }
  return chart;
}

bool IsNoteOn(const midi::CapturedMessage& m) {
  return m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == midi::kNoteOn && m.Bytes[2] > 0;
}

// The build's `kalo style build` gives the bytes the compiler gives for the source as it is now.
TEST(ShippedStyles, EveryStyleSourceIsShippedAsItCompilesAndRock1IsAmongThem) {
  const std::vector<std::string> sources = StemsIn(KALO_STYLE_LIBRARY_DIR, ".style");
  EXPECT_GE(sources.size(), 24u);
  EXPECT_TRUE(std::count(sources.begin(), sources.end(), "rock1")) << "the style of the first start";
  std::vector<std::string> shipped;
  for (const ShippedStyle& style : Shipped()) {
    shipped.push_back(style.Name);
    const auto text =
        host::ReadFilePrefix(fs::path(KALO_STYLE_LIBRARY_DIR) / (style.Name + ".style"), 1 << 20);
    const styles::CompiledStyle compiled = styles::CompileStyleSource(
        text ? std::string_view(reinterpret_cast<const char*>(text->data()), text->size()) : "");
    const styles::StyleImage& image = compiled.Image;
    EXPECT_EQ(styles::SerializeStyleFile(image.Header, image.Parts, image.Stream), style.Bytes) << style.Name;
  }
  EXPECT_EQ(shipped, sources);
}

class ShippedStyleInEveryKey : public ::testing::TestWithParam<ShippedStyle> {};

// The style loads with a Basic. Per key: every message whole with data bytes below 128; the drums the
// same in every key and only notes of the style's drum patterns (never transposed); on every chord's
// first beat the bass plays its first note and that note is the chord's root; the run ends by itself
// (after the ending in even keys, by Stop in odd ones) with no note left sounding.
TEST_P(ShippedStyleInEveryKey, LoadsAndPlaysWellFormedWithTheBassOnTheRootAndUntransposedDrums) {
  const ShippedStyle& style = GetParam();
  std::vector<midi::CapturedMessage> drumsInC;
  for (int key = 0; key < 12; ++key) {
    const std::string row = style.Name + " in key " + std::to_string(key);
    const std::unique_ptr<OfflineDriver> driver = Load(style);
    ASSERT_FALSE(HasFailure()) << row;
    const styles::Style& loaded = driver->Session().Gen().CurrentStyle();
    ASSERT_TRUE(loaded.Parts[styles::kBasic].Exists()) << row;
    std::set<int> patternDrums;
    styles::ForEachMessage(loaded.Stream(), 0, static_cast<int32_t>(loaded.Stream().size()),
                           [&](const styles::StreamMessage& m) {
                             if (m.Status == (midi::kNoteOn | kDrums)) patternDrums.insert(m.Data1);
                           });
    std::vector<int> bassChannels;
    for (int c = 0; c < 16; ++c) {
      const int program = loaded.Header.Channels[static_cast<size_t>(c)].Values[styles::kProgramEntry];
      if (loaded.Header.Used(c) && c != kDrums && program >= 32 && program <= 39) bassChannels.push_back(c);
    }
    ASSERT_FALSE(bassChannels.empty()) << row;

    std::vector<ChartChord> chords;
    const perform::ChordChart chart = TwelveBars(key, BeatsPerMeasure(*driver), chords);
    const OfflineCapture capture =
        driver->Run(ChartTimeline(chart, driver->Session().Settings(), key % 2 == 0));
    const std::vector<midi::CapturedMessage>& sent = capture.Midiout();
    const auto broken =
        std::find_if(sent.begin(), sent.end(), [](const auto& m) { return !testing::WholeMessage(m.Bytes); });
    EXPECT_EQ(broken, sent.end()) << row << ": a broken message at tick " << broken->Tick;
    EXPECT_FALSE(capture.Cut) << row;
    EXPECT_EQ(testing::StillSounding(sent), "") << row;
    const auto exported = midi::EncodeStandardMidiFile({.Messages = sent, .EndTick = capture.Ticks});
    ASSERT_TRUE(std::holds_alternative<std::vector<uint8_t>>(exported)) << row;
    EXPECT_EQ(
        midi::testing::NotePairingProblems(midi::testing::ReadSmf(std::get<std::vector<uint8_t>>(exported))),
        "")
        << row << ": exported as MIDI";
    // Intro, Basic, Extended and Ending begin on bar lines, whenever a fill joined mid-measure.
    const int64_t measureTicks = int64_t{BeatsPerMeasure(*driver)} * kTicksPerChartBeat;
    for (const auto& [tick, part] : capture.Parts) {
      const bool main = part <= styles::kEnding;
      EXPECT_TRUE(!main || tick % measureTicks == 0) << row << ": part " << part << " at " << tick;
    }

    if (key % 2 == 0) {
      // The ending closes like a band: the final chord holds at least a beat and ends a beat before the
      // style stops, so that the cymbal struck with it rings on alone; nothing sends all sound off.
      int64_t lastOn = -1, lastOff = -1;
      for (const midi::CapturedMessage& m : sent) {
        if (m.Bytes.size() != 3 || (m.Bytes[0] & 0x0F) == kDrums) continue;
        if (IsNoteOn(m)) lastOn = m.Tick;
        if ((m.Bytes[0] & 0xE0) == midi::kNoteOff && !IsNoteOn(m)) lastOff = m.Tick;
      }
      EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [&](const auto& m) {
        return m.Tick >= lastOn && (m.Bytes[0] & 0xF0) == midi::kControlChange && m.Bytes[1] == 120;
      })) << row;
      EXPECT_GE(lastOff - lastOn, kTicksPerChartBeat) << row;
      EXPECT_GE(sent.back().Tick - lastOff, kTicksPerChartBeat) << row;
    }

    const int64_t chartEnd = int64_t{chart.Beats()} * kTicksPerChartBeat;
    std::vector<midi::CapturedMessage> drums;
    for (const midi::CapturedMessage& m : sent) {
      if (!IsNoteOn(m) || (m.Bytes[0] & 0x0F) != kDrums) continue;
      EXPECT_TRUE(patternDrums.count(m.Bytes[1])) << row << ": drum " << int{m.Bytes[1]} << " at " << m.Tick;
      if (m.Tick < chartEnd) drums.push_back(m);
    }
    if (key == 0) drumsInC = drums;
    EXPECT_TRUE(
        std::equal(drums.begin(), drums.end(), drumsInC.begin(), drumsInC.end(),
                   [](const auto& a, const auto& b) { return a.Tick == b.Tick && a.Bytes == b.Bytes; }))
        << row << ": the drums differ from those in C";

    for (size_t i = 0; i < chords.size(); ++i) {
      const auto first = std::find_if(sent.begin(), sent.end(), [&](const midi::CapturedMessage& m) {
        return m.Tick >= chords[i].Tick && IsNoteOn(m) &&
               std::count(bassChannels.begin(), bassChannels.end(), m.Bytes[0] & 0x0F);
      });
      ASSERT_NE(first, sent.end()) << row << ": no bass from bar " << i + 1;
      EXPECT_LT(first->Tick, chords[i].Tick + kTicksPerChartBeat) << row << ": bar " << i + 1;
      EXPECT_EQ(first->Bytes[1] % 12, chords[i].Root) << row << ": bar " << i + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Library, ShippedStyleInEveryKey, ::testing::ValuesIn(Shipped()),
                         [](const auto& row) { return row.param.Name; });

// The metre of a style source's header ("metre 6/8") as a time signature event's numerator and the
// power of two of its denominator.
std::pair<int, int> SourceMetre(const std::string& name) {
  const std::string text = config::testing::ReadText(fs::path(KALO_STYLE_LIBRARY_DIR) / (name + ".style"));
  const size_t at = text.find("\nmetre ") + 7;
  return {std::atoi(text.c_str() + at), text[text.find('/', at) + 1] == '8' ? 3 : 2};
}

// Each style with its intro over a chart that plays every part, encoded as a Standard MIDI File and
// read back with libsmf: the style's time signature first, every note-on followed by its note-off in
// its track, no note of zero length. (`kalo render -o` writes the same, see the command tests.)
void ExpectEveryPartExportedWithPairedNotes(const ShippedStyle& style) {
  config::Settings settings = RenderSettings();
  settings.PlayIntro = true;
  OfflineDriver driver(settings, host::ProgramFolder("/nonexistent-kalo-program-folder"));
  ASSERT_TRUE(driver.LoadStyle(style.Name + ".vxs", style.Bytes)) << style.Name;
  const auto chart = perform::ParseChordChart(
      "C | C | C | C | C | C | [Fill] F | C | C | C | [ToExtended] G | C | C | C | [Fill] F | C | C | C | "
      "[ToBasic] G | C | C | C",
      BeatsPerMeasure(driver));
  ASSERT_TRUE(std::holds_alternative<perform::ChordChart>(chart)) << style.Name;
  const OfflineCapture capture =
      driver.Run(ChartTimeline(std::get<perform::ChordChart>(chart), driver.Session().Settings(), true));
  std::set<int> parts;
  for (const auto& [tick, part] : capture.Parts) parts.insert(part);
  EXPECT_EQ(parts.size(), size_t{styles::kPartCount}) << style.Name << ": not every part played";
  const RenderedMusic music = MusicOf(capture);
  const auto bytes = midi::EncodeStandardMidiFile(
      {.Messages = music.Messages, .Tempos = music.Tempo, .TimeSignatures = music.TimeSignatures});
  ASSERT_TRUE(std::holds_alternative<std::vector<uint8_t>>(bytes)) << style.Name;
  const midi::testing::SmfReadBack file = midi::testing::ReadSmf(std::get<std::vector<uint8_t>>(bytes));
  ASSERT_FALSE(file.Events.empty()) << style.Name;
  const auto [numerator, denominator] = SourceMetre(style.Name);
  EXPECT_EQ(std::vector<uint8_t>(file.Events[0].Bytes.begin(), file.Events[0].Bytes.begin() + 5),
            (std::vector<uint8_t>{0xFF, 0x58, 4, static_cast<uint8_t>(numerator),
                                  static_cast<uint8_t>(denominator)}))
      << style.Name;
  EXPECT_EQ(midi::testing::NotePairingProblems(file), "") << style.Name;
}

// Four bars of each style rendered to a WAV file through the render's output step and read back with
// libsndfile: sound well above silence, no sample at full scale, the sound dying away soon after Stop
// (a cymbal's last whisper may keep the file going, but nothing audible is left), and the loudest
// style within 3 dB of the quietest. Each style's every part exported as MIDI, too.
TEST(ShippedStyles, SoundAtALikeLoudnessWithoutClippingAndFallSilentAfterStop) {
  constexpr double kMinRms = 0.015;            // -36.5 dB of full scale
  constexpr double kMaxLoudnessRatio = 1.413;  // 3 dB
  constexpr double kMaxTailSeconds = 5.0;      // a note left sounding rings for the longest tail, 10 s
  constexpr double kMaxTailRms = 0.0005;       // -66 dB of full scale
  config::testing::TempFolder temp;
  std::vector<std::pair<double, std::string>> loudness;
  for (const ShippedStyle& style : Shipped()) {
    const std::unique_ptr<OfflineDriver> driver = Load(style);
    ASSERT_FALSE(HasFailure());
    std::vector<ChartChord> chords;
    perform::ChordChart chart = TwelveBars(0, BeatsPerMeasure(*driver), chords);
    chart.Measures = 4;
    chart.Items.resize(5);  // I IV I, the fill and I
    const OfflineCapture capture = driver->Run(ChartTimeline(chart, driver->Session().Settings(), false));

    const fs::path wav = temp.Path() / (style.Name + ".wav");
    std::ostringstream out, err;
    host::FakeTimeSource clock;
    RenderProgress progress(clock, err, false);
    ASSERT_TRUE(WriteRenderTargets({"", {wav}}, capture.Midiout(), capture.Tempi, RenderSettings(),
                                   {out, err, progress}))
        << style.Name << ": " << err.str();
    const midi::testing::Audio audio = midi::testing::ReadWav(wav);
    ASSERT_EQ(audio.Channels, 2) << style.Name;
    const double music = 4.0 * BeatsPerMeasure(*driver) * 60.0 / driver->Session().Tempo();
    const double rms = audio.Rms(0, music);
    EXPECT_GT(rms, kMinRms) << style.Name;
    EXPECT_LT(audio.Peak(), 32767) << style.Name;
    EXPECT_LT(audio.Rms(music + kMaxTailSeconds, audio.Seconds()), kMaxTailRms)
        << style.Name << ": sound left after Stop";
    loudness.push_back({rms, style.Name});
    ExpectEveryPartExportedWithPairedNotes(style);
  }
  ASSERT_FALSE(loudness.empty());
  const auto [quietest, loudest] = std::minmax_element(loudness.begin(), loudness.end());
  EXPECT_LE(loudest->first / quietest->first, kMaxLoudnessRatio)
      << loudest->second << " (RMS " << loudest->first << ") against " << quietest->second << " (RMS "
      << quietest->first << ")";
}

}  // namespace
}  // namespace kalo::app
