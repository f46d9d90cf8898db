#include "app/synth_settings.h"

#include <gtest/gtest.h>

#include "midi/backends/fluidsynth_backend.h"

namespace kalo::app {
namespace {

TEST(SynthSettings, TheSynthesizerNamesTheSettingsKeyOfAMissingSoundFontAndFollowsTheDriverChoice) {
  config::Settings settings;
  settings.SoundFont = "/nonexistent/kalo-test.sf2";
  settings.SynthDriver = 4;  // "none"
  midi::FluidSynthBackend backend(SynthOptionsFrom(settings));
  ASSERT_EQ(backend.Start(), "");
  EXPECT_EQ(backend.SilentReason(), "the audio driver is set to none");
  struct Ignore final : midi::OutputCallback {
    void OnLongDone(uintptr_t) noexcept override {}
  } ignore;
  std::unique_ptr<midi::OutputPort> port;
  const midi::PortResult code = backend.OpenOutput(0, ignore, port);
  EXPECT_EQ(port, nullptr);
  const std::string text = backend.ErrorText(code);
  EXPECT_NE(text.find("/nonexistent/kalo-test.sf2"), std::string::npos) << text;
  EXPECT_NE(text.find("(setting SoundFont)"), std::string::npos) << text;
}

}  // namespace
}  // namespace kalo::app
