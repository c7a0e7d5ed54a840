// Byte streams: files, memory, views of open streams, and "protocol::path" sources.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/object.h"

class TStream : public TObject {
 public:
  ~TStream() override = default;

  // Current position, or -1 when the stream cannot tell.
  virtual int64_t Pos() = 0;
  // Total size in bytes, or -1 when unknown.
  virtual int64_t Size() = 0;
  // Moves to pos; returns the new position, or -1 when the stream cannot seek.
  virtual int64_t Seek(int64_t pos) = 0;
  // Reads up to n bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t n) = 0;
  // Writes up to n bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t n) = 0;
  // True once a read has reached the end.
  virtual bool Eof() = 0;
  virtual void Close() = 0;

  // Reads exactly n bytes, stopping early without error at the end of the stream (the rest of
  // the buffer keeps what it held). A read that gets nothing before the end raises
  // "Error reading from stream". Returns how many bytes were read.
  int64_t ReadBytes(void* buffer, int64_t n);
  // Writes exactly n bytes or raises "Error writing to stream".
  void WriteBytes(const void* buffer, int64_t n);
};

using TStreamRef = std::shared_ptr<TStream>;

class TFileStream : public TStream {
 public:
  // Null when the file cannot be opened.
  static std::shared_ptr<TFileStream> Open(const std::string& path, bool read, bool write);
  ~TFileStream() override;

  int64_t Pos() override;
  int64_t Size() override;
  int64_t Seek(int64_t pos) override;
  int64_t Read(void* buffer, int64_t n) override;
  int64_t Write(const void* buffer, int64_t n) override;
  bool Eof() override;
  void Close() override;

 private:
  std::FILE* file_ = nullptr;
};

// A stream over bytes in memory: either borrowed (the owner keeps them alive) or owned.
class TMemoryStream : public TStream {
 public:
  static std::shared_ptr<TMemoryStream> Borrow(const void* data, int64_t size);
  static std::shared_ptr<TMemoryStream> Own(std::vector<uint8_t> bytes);
  // An empty stream that grows as it is written.
  static std::shared_ptr<TMemoryStream> Growing();

  int64_t Pos() override { return pos_; }
  int64_t Size() override { return size_; }
  int64_t Seek(int64_t pos) override;
  int64_t Read(void* buffer, int64_t n) override;
  int64_t Write(const void* buffer, int64_t n) override;
  bool Eof() override { return pos_ >= size_; }
  void Close() override {}

  // The bytes written to a growing or owned stream.
  const std::vector<uint8_t>& Bytes() const { return owned_; }

 private:
  const uint8_t* data_ = nullptr;
  std::vector<uint8_t> owned_;
  bool growing_ = false;
  int64_t size_ = 0;
  int64_t pos_ = 0;
};

// A view of an open stream: everything goes to the underlying stream except Close, which
// only detaches the view.
class TStreamView : public TStream {
 public:
  explicit TStreamView(TStreamRef base) : base_(std::move(base)) {}
  int64_t Pos() override { return base_ ? base_->Pos() : -1; }
  int64_t Size() override { return base_ ? base_->Size() : -1; }
  int64_t Seek(int64_t pos) override { return base_ ? base_->Seek(pos) : -1; }
  int64_t Read(void* buffer, int64_t n) override { return base_ ? base_->Read(buffer, n) : 0; }
  int64_t Write(const void* buffer, int64_t n) override {
    return base_ ? base_->Write(buffer, n) : 0;
  }
  bool Eof() override { return base_ ? base_->Eof() : true; }
  void Close() override { base_.reset(); }

 private:
  TStreamRef base_;
};

// Opens a "protocol::path" source for the protocol it is registered under; null on failure.
using TStreamProtocol = std::function<TStreamRef(const std::string& path, bool read, bool write)>;
void RegisterStreamProtocol(const std::string& protocol, TStreamProtocol open);

// Opens a source: a file path, or "protocol::path". Null when it cannot be opened.
TStreamRef OpenStream(const std::string& source, bool read = true, bool write = false);
// Opening an open stream gives a view of it, so the caller's stream survives a Close.
TStreamRef OpenStream(const TStreamRef& stream);
inline TStreamRef ReadStream(const std::string& source) {
  return OpenStream(source, true, false);
}
TStreamRef WriteStream(const std::string& path);

// Data built into the program, reachable as "incbin::name". The bytes must outlive the program.
void RegisterEmbeddedData(const std::string& name, const void* data, int64_t size);

// Reads a whole source into memory; empty when it cannot be opened.
std::vector<uint8_t> LoadBytes(const std::string& source);

// Module start-up: registers the built-in protocols.
void InitStreams();
