#include "midi/event_listing.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::midi {
namespace {

struct LineCase {
  const char* Name;
  CapturedMessage Message;
  const char* Line;
};

TEST(EventListing, EachMessageKindPrintsAsOneLine) {
  const LineCase cases[] = {
      {"note-on", {0, {0x90, 60, 100}}, "0 144 60 100\n"},
      {"note-off as velocity 0 on channel 16", {95, {0x9F, 36, 0}}, "95 159 36 0\n"},
      {"program change has no second data byte", {12, {0xC3, 17}}, "12 195 17 0\n"},
      {"channel pressure has no second data byte", {13, {0xD0, 127}}, "13 208 127 0\n"},
      {"realtime stop is one byte", {48, {0xFC}}, "48 252 0 0\n"},
      {"a tick beyond 32 bits", {int64_t{1} << 33, {0xB0, 7, 90}}, "8589934592 176 7 90\n"},
      {"GM reset sysex", {1, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}, "1 sysex f0 7e 7f 09 01 f7\n"},
      {"sysex with high nibbles", {2, {0xF0, 0x41, 0x10, 0xAB, 0xF7}}, "2 sysex f0 41 10 ab f7\n"},
      {"an empty message stays visible", {7, {}}, "7 0 0 0\n"},
  };
  for (const LineCase& c : cases) {
    std::string out;
    AppendEventLine(out, c.Message);
    EXPECT_EQ(out, c.Line) << c.Name;
  }
}

TEST(EventListing, KeepsTheOrderGivenEvenWhenTicksRepeat) {
  const std::vector<CapturedMessage> messages = {
      {24, {0x90, 64, 0}}, {24, {0x90, 64, 80}}, {0, {0xB9, 7, 100}}};
  EXPECT_EQ(ListEvents(messages), "24 144 64 0\n24 144 64 80\n0 185 7 100\n");
  EXPECT_EQ(ListEvents({}), "");
}

}  // namespace
}  // namespace kalo::midi
