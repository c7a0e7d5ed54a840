#include "runtime/stream.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "runtime/runtime_error.h"

int64_t TStream::ReadBytes(void* buffer, int64_t n) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t got = 0;
  while (got < n) {
    int64_t r = Read(out + got, n - got);
    if (r > 0) {
      got += r;
      continue;
    }
    if (Eof()) break;
    RuntimeError("Error reading from stream");
  }
  return got;
}

void TStream::WriteBytes(const void* buffer, int64_t n) {
  auto* in = static_cast<const uint8_t*>(buffer);
  int64_t put = 0;
  while (put < n) {
    int64_t w = Write(in + put, n - put);
    if (w <= 0) RuntimeError("Error writing to stream");
    put += w;
  }
}

// ---- files

std::shared_ptr<TFileStream> TFileStream::Open(const std::string& path, bool read, bool write) {
  const char* mode = write ? (read ? "r+b" : "wb") : "rb";
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (!f) return nullptr;
  auto s = std::shared_ptr<TFileStream>(new TFileStream());
  s->file_ = f;
  return s;
}

TFileStream::~TFileStream() {
  Close();
}

int64_t TFileStream::Pos() {
  return file_ ? static_cast<int64_t>(std::ftell(file_)) : -1;
}

int64_t TFileStream::Size() {
  if (!file_) return -1;
  long here = std::ftell(file_);
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return size;
}

int64_t TFileStream::Seek(int64_t pos) {
  if (!file_ || pos < 0) return -1;
  if (std::fseek(file_, static_cast<long>(pos), SEEK_SET) != 0) return -1;
  return Pos();
}

int64_t TFileStream::Read(void* buffer, int64_t n) {
  if (!file_ || n <= 0) return 0;
  return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(n), file_));
}

int64_t TFileStream::Write(const void* buffer, int64_t n) {
  if (!file_ || n <= 0) return 0;
  return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(n), file_));
}

bool TFileStream::Eof() {
  return !file_ || std::feof(file_) != 0;
}

void TFileStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

// ---- memory

std::shared_ptr<TMemoryStream> TMemoryStream::Borrow(const void* data, int64_t size) {
  auto s = std::make_shared<TMemoryStream>();
  s->data_ = static_cast<const uint8_t*>(data);
  s->size_ = std::max<int64_t>(size, 0);
  return s;
}

std::shared_ptr<TMemoryStream> TMemoryStream::Own(std::vector<uint8_t> bytes) {
  auto s = std::make_shared<TMemoryStream>();
  s->owned_ = std::move(bytes);
  s->data_ = s->owned_.data();
  s->size_ = static_cast<int64_t>(s->owned_.size());
  return s;
}

std::shared_ptr<TMemoryStream> TMemoryStream::Growing() {
  auto s = std::make_shared<TMemoryStream>();
  s->growing_ = true;
  return s;
}

int64_t TMemoryStream::Seek(int64_t pos) {
  pos_ = std::clamp<int64_t>(pos, 0, size_);
  return pos_;
}

int64_t TMemoryStream::Read(void* buffer, int64_t n) {
  int64_t count = std::clamp<int64_t>(size_ - pos_, 0, std::max<int64_t>(n, 0));
  if (count) std::memcpy(buffer, data_ + pos_, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t n) {
  if (n <= 0) return 0;
  if (!growing_) {
    // Borrowed bytes are read-only; owned bytes can be overwritten in place.
    if (data_ != owned_.data()) return 0;
    int64_t count = std::min<int64_t>(n, size_ - pos_);
    std::memcpy(owned_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
  }
  if (pos_ + n > static_cast<int64_t>(owned_.size())) owned_.resize(pos_ + n);
  std::memcpy(owned_.data() + pos_, buffer, static_cast<size_t>(n));
  pos_ += n;
  size_ = std::max(size_, pos_);
  data_ = owned_.data();
  return n;
}

// ---- sources

namespace {

std::map<std::string, TStreamProtocol>& Protocols() {
  static std::map<std::string, TStreamProtocol> protocols;
  return protocols;
}

struct EmbeddedData {
  const void* data;
  int64_t size;
};

std::map<std::string, EmbeddedData>& Embedded() {
  static std::map<std::string, EmbeddedData> embedded;
  return embedded;
}

}  // namespace

void RegisterStreamProtocol(const std::string& protocol, TStreamProtocol open) {
  Protocols()[protocol] = std::move(open);
}

TStreamRef OpenStream(const std::string& source, bool read, bool write) {
  size_t sep = source.find("::");
  if (sep != std::string::npos) {
    auto it = Protocols().find(source.substr(0, sep));
    if (it == Protocols().end()) return nullptr;
    return it->second(source.substr(sep + 2), read, write);
  }
  return TFileStream::Open(source, read, write);
}

TStreamRef OpenStream(const TStreamRef& stream) {
  if (!stream) return nullptr;
  return std::make_shared<TStreamView>(stream);
}

TStreamRef WriteStream(const std::string& path) {
  return OpenStream(path, false, true);
}

void RegisterEmbeddedData(const std::string& name, const void* data, int64_t size) {
  Embedded()[name] = EmbeddedData{data, size};
}

std::vector<uint8_t> LoadBytes(const std::string& source) {
  std::vector<uint8_t> bytes;
  TStreamRef s = ReadStream(source);
  if (!s) return bytes;
  uint8_t chunk[16384];
  for (;;) {
    int64_t n = s->Read(chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  s->Close();
  return bytes;
}

void InitStreams() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterStreamProtocol("incbin",
                         [](const std::string& path, bool read, bool write) -> TStreamRef {
                           if (write) return nullptr;
                           auto it = Embedded().find(path);
                           if (it == Embedded().end()) return nullptr;
                           return TMemoryStream::Borrow(it->second.data, it->second.size);
                         });
}
