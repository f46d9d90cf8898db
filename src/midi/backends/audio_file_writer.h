#pragma once
// Sound files written block by block, so that a render of any length needs only a block of memory:
// 16-bit PCM frames go through libsndfile into host::SafeFileWriter, which saves beside the target and
// puts the file in place only when it is whole. Runs on the calling thread.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace kalo::host {
class SafeFileWriter;
}

namespace kalo::midi {

enum class AudioFileType {
  kWav,   // RIFF WAVE, 16-bit PCM; RF64 when the sound would not fit a WAVE file's 4 GiB
  kFlac,  // FLAC, 16-bit, lossless
  kOgg,   // Ogg Vorbis
};

// The largest WAVE file: its sizes are 32-bit.
inline constexpr uint64_t kMaxWaveFileBytes = 0xFFFFFFFFull;

class AudioFileWriter {
 public:
  // Starts the file at `path`. maxFrames: the most frames that will be written; a WAV file whose
  // header and data could pass kMaxWaveFileBytes is written as RF64 from the start.
  AudioFileWriter(const std::filesystem::path& path, AudioFileType type, int sampleRate, int channels,
                  int64_t maxFrames);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // The first failure, naming the file; empty while all went well.
  const std::string& Error() const { return error_; }
  // Whether the WAV file is written as RF64.
  bool Rf64() const { return rf64_; }

  // Appends whole interleaved frames; false on a failure.
  bool Write(std::span<const int16_t> interleaved);
  // Completes the file and puts it in place; nullopt on success, else Error(). A writer destroyed
  // without finishing leaves the target as it was.
  std::optional<std::string> Finish();

 private:
  void Fail(const std::string& reason);

  std::filesystem::path path_;
  std::unique_ptr<host::SafeFileWriter> file_;
  void* sound_ = nullptr;  // SNDFILE*, kept out of this header
  int channels_;
  bool rf64_ = false;
  std::string error_;
};

}  // namespace kalo::midi
