#include "midi/event_listing.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::midi {
namespace {

TEST(EventListing, EachMessageKindPrintsAsOneLineInTheOrderGiven) {
  const std::vector<CapturedMessage> messages = {
      {24, {0x9F, 36, 0}},                        // note-off as velocity 0 on channel 16
      {24, {0x90, 60, 100}},                      // a later message at the same tick
      {12, {0xC3, 17}},                           // program change: no second data byte
      {13, {0xD0, 127}},                          // channel pressure: no second data byte
      {48, {0xFC}},                               // realtime stop: one byte
      {int64_t{1} << 33, {0xB0, 7, 90}},          // a tick beyond 32 bits
      {1, {0xF0, 0x41, 0x10, 0xAB, 0x7E, 0xF7}},  // system exclusive in hex
      {7, {}},                                    // an empty message stays visible
  };
  EXPECT_EQ(ListEvents(messages),
            "24 159 36 0\n24 144 60 100\n12 195 17 0\n13 208 127 0\n48 252 0 0\n8589934592 176 7 90\n"
            "1 sysex f0 41 10 ab 7e f7\n7 0 0 0\n");
  EXPECT_EQ(ListEvents({}), "");
}

}  // namespace
}  // namespace kalo::midi
