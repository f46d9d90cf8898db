#include "midi/backends/audio_file_writer.h"

#include <sndfile.h>

#include <cstdio>

#include "host/file_store.h"

namespace kalo::midi {

namespace {

// A WAVE file's header before its data, with room to spare for what libsndfile may add.
constexpr uint64_t kWaveHeaderBytes = 1024;

host::SafeFileWriter& FileOf(void* user) { return *static_cast<host::SafeFileWriter*>(user); }

// libsndfile's file operations, on the file being saved.
sf_count_t Length(void* user) { return FileOf(user).Size(); }

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  host::SafeFileWriter& file = FileOf(user);
  const sf_count_t base = whence == SEEK_CUR ? file.Position() : whence == SEEK_END ? file.Size() : 0;
  return file.Seek(base + offset) ? file.Position() : -1;
}

sf_count_t Read(void* data, sf_count_t count, void* user) {
  const int64_t read = FileOf(user).Read(std::span(static_cast<uint8_t*>(data), static_cast<size_t>(count)));
  return read < 0 ? 0 : read;
}

sf_count_t WriteBytes(const void* data, sf_count_t count, void* user) {
  const bool written =
      FileOf(user).Write(std::span(static_cast<const uint8_t*>(data), static_cast<size_t>(count)));
  return written ? count : 0;
}

sf_count_t Tell(void* user) { return FileOf(user).Position(); }

SF_VIRTUAL_IO kOperations = {Length, Seek, Read, WriteBytes, Tell};

int FormatOf(AudioFileType type, bool rf64) {
  switch (type) {
    case AudioFileType::kFlac:
      return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case AudioFileType::kOgg:
      return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case AudioFileType::kWav:
      break;
  }
  return (rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
}

}  // namespace

AudioFileWriter::AudioFileWriter(const std::filesystem::path& path, AudioFileType type, int sampleRate,
                                 int channels, int64_t maxFrames)
    : path_(path), file_(std::make_unique<host::SafeFileWriter>(path)), channels_(channels) {
  if (!file_->Ok()) {
    error_ = file_->Error();
    return;
  }
  const uint64_t dataBytes = static_cast<uint64_t>(maxFrames) * static_cast<uint64_t>(channels) * 2;
  rf64_ = type == AudioFileType::kWav && dataBytes + kWaveHeaderBytes > kMaxWaveFileBytes;
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = FormatOf(type, rf64_);
  sound_ = sf_open_virtual(&kOperations, SFM_WRITE, &info, file_.get());
  if (sound_ == nullptr) Fail(sf_strerror(nullptr));
}

AudioFileWriter::~AudioFileWriter() {
  if (sound_ != nullptr) sf_close(static_cast<SNDFILE*>(sound_));
}

void AudioFileWriter::Fail(const std::string& reason) {
  if (!error_.empty()) return;
  error_ = file_->Ok() ? host::PrintableName(path_) + ": " + reason : file_->Error();
}

bool AudioFileWriter::Write(std::span<const int16_t> interleaved) {
  if (!error_.empty()) return false;
  const auto frames = static_cast<sf_count_t>(interleaved.size() / static_cast<size_t>(channels_));
  if (sf_writef_short(static_cast<SNDFILE*>(sound_), interleaved.data(), frames) != frames) {
    Fail(sf_strerror(static_cast<SNDFILE*>(sound_)));
    return false;
  }
  return true;
}

std::optional<std::string> AudioFileWriter::Finish() {
  if (!error_.empty()) return error_;
  const int closed = sf_close(static_cast<SNDFILE*>(sound_));
  sound_ = nullptr;
  if (closed != 0 || !file_->Ok()) {
    Fail(sf_error_number(closed));
    return error_;
  }
  if (auto failed = file_->Commit()) error_ = *failed;
  return error_.empty() ? std::nullopt : std::optional(error_);
}

}  // namespace kalo::midi
