#pragma once
// A chord host that writes what the chord state asks of it into a log.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "perform/chord_state.h"

namespace kalo::perform::testing {

class LoggingChordHost final : public ChordHost {
 public:
  bool StylePlaying() const override { return Playing; }
  bool StartOnChord() const override { return StartsOnChord; }
  void StartStyleOnChord() override { Log.push_back("start"); }
  void SetChordTones(const std::array<int, 4>& t) override {
    Log.push_back("tones " + std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
                  " " + std::to_string(t[3]));
  }
  bool ChordsoutOpen() const override { return Chordsout; }
  void SendChordsout(uint8_t status, uint8_t d1, uint8_t d2) override {
    Log.push_back("chordsout " + std::to_string(status) + " " + std::to_string(d1) + " " +
                  std::to_string(d2));
  }

  bool Playing = true;
  bool StartsOnChord = false;
  bool Chordsout = true;
  std::vector<std::string> Log;
};

}  // namespace kalo::perform::testing
