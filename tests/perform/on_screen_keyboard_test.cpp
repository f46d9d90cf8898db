#include "perform/on_screen_keyboard.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kalo::perform {
namespace {

// The default piano: white keys 10 pixels wide and 50 deep from C3 (note 36); black keys 7 wide, 30 deep.
TEST(TKeys, HitTestsFindWhiteAndBlackKeysAndTheVelocityOfTheTouch) {
  struct Case {
    const char* Name;
    KeysOrientation Orientation;
    int X, Y;
    std::optional<KeyHit> Hit;
  } const cases[] = {
      {"lower part of C: white key, velocity from the depth", KeysOrientation::kbHorizontal, 5, 40,
       KeyHit{36, 101}},
      {"upper right of C: C#, velocity over the black key's length", KeysOrientation::kbHorizontal, 9, 10,
       KeyHit{37, 42}},
      {"upper left of D: C#", KeysOrientation::kbHorizontal, 12, 10, KeyHit{37, 42}},
      {"just right of C#: D", KeysOrientation::kbHorizontal, 13, 10, KeyHit{38, 25}},
      {"upper left of F: F, no black key before it", KeysOrientation::kbHorizontal, 30, 10, KeyHit{41, 25}},
      {"upper right of E: E, no black key after it", KeysOrientation::kbHorizontal, 29, 10, KeyHit{40, 25}},
      {"the very top edge still sounds", KeysOrientation::kbHorizontal, 0, 0, KeyHit{36, 1}},
      {"beyond the control: nothing", KeysOrientation::kbHorizontal, 200, 10, std::nullopt},
      {"vertical keys count from the bottom", KeysOrientation::kbVertical, 40, 194, KeyHit{36, 101}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TKeys keys;
    keys.Orientation = c.Orientation;
    if (c.Orientation == KeysOrientation::kbVertical) keys.Width = 50, keys.Height = 200;
    const auto hit = keys.HitTest(c.X, c.Y);
    ASSERT_EQ(hit.has_value(), c.Hit.has_value());
    if (hit) {
      EXPECT_EQ(hit->Note, c.Hit->Note);
      EXPECT_EQ(hit->Velocity, c.Hit->Velocity);
    }
  }
}

TEST(TKeys, EveryDrawnKeyIsHitAtItsOwnCentre) {
  for (const KeysOrientation orientation : {KeysOrientation::kbHorizontal, KeysOrientation::kbVertical}) {
    TKeys keys;
    keys.Orientation = orientation;
    keys.NoteWidth = 14, keys.Width = 300, keys.Height = 300;
    for (int note = 36; note < 36 + 12 * 3; ++note) {
      const KeyRect r = *keys.KeyRectOf(note);
      // White keys are tested below the black keys, where nothing covers them.
      const int depth = TKeys::NotePlace(note).Black ? r.Height / 2 : r.Height - 1;
      const int x = orientation == KeysOrientation::kbHorizontal ? r.X + r.Width / 2 : r.X + r.Width - 1;
      const int y = orientation == KeysOrientation::kbHorizontal ? r.Y + depth : r.Y + r.Height / 2;
      const auto hit = keys.HitTest(x, y);
      ASSERT_TRUE(hit) << note;
      EXPECT_EQ(hit->Note, note) << (orientation == KeysOrientation::kbHorizontal ? "horizontal "
                                                                                  : "vertical ")
                                 << note;
    }
  }
}

TEST(TKeys, AGlissandoReleasesEachNoteBeforeThePressOfTheNext) {
  TKeys keys;
  std::vector<std::string> events;
  keys.OnNoteOn = [&](TKeys&, int note, int) { events.push_back("on " + std::to_string(note)); };
  keys.OnNoteOff = [&](TKeys&, int note, int velocity) {
    events.push_back("off " + std::to_string(note) + " " + std::to_string(velocity));
  };
  keys.MouseDown(5, 40, false);  // only the left button plays
  keys.MouseDown(5, 40, true);
  keys.MouseMove(7, 45, true);  // still C
  keys.MouseMove(15, 40, true);
  keys.MouseUp(true);
  EXPECT_EQ(events, (std::vector<std::string>{"on 36", "off 36 0", "on 38", "off 38 0"}));
  EXPECT_FALSE(keys.Pressed(38));
}

}  // namespace
}  // namespace kalo::perform
