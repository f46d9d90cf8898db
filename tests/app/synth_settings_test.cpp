#include "app/synth_settings.h"

#include <gtest/gtest.h>

#include "midi/backends/fluidsynth_backend.h"

namespace kalo::app {
namespace {

TEST(SynthSettings, TheSynthesizerNamesTheSettingsKeyOfAMissingSoundFont) {
  config::Settings settings;
  settings.SoundFont = "/nonexistent/kalo-test.sf2";
  settings.SynthDriver = 4;  // "none"
  midi::FluidSynthBackend backend(SynthOptionsFrom(settings));
  ASSERT_EQ(backend.Start(), "");
  EXPECT_EQ(
      backend.Detail().find("cannot play: The soundfont \"/nonexistent/kalo-test.sf2\" (setting SoundFont)"),
      0u)
      << backend.Detail();
}

}  // namespace
}  // namespace kalo::app
