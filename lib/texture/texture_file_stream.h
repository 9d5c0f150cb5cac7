#pragma once
// The input stream through which texture headers are read: a file read in small pieces
// on demand, since a header needs only the start of the file and a few mipmap headers.
// It can open a file relative to an open folder, so that a walk does not resolve the
// whole path of every texture again.
#include <string>

#include "el/qstream/qi_stream.h"

class TextureFileStream : public QIStream {
 public:
  // Bytes read at a time.
  static constexpr QFileSize kPieceSize = 2048;

  TextureFileStream() = default;
  ~TextureFileStream() override;

  // Opens the host path `hostPath`; false when it is not a readable file.
  bool Open(const std::string& hostPath);
  // Opens `name` in the folder open as `folderFd`; false when it is not a readable file.
  bool OpenAt(int folderFd, const std::string& name);
  void Close();

 protected:
  PosQIStreamBuffer ReadBuffer(QFileSize pos) override;
  QFileSize DataSize() const override { return size_; }

 private:
  bool Adopt(int fd);

  int fd_ = -1;
  QFileSize size_ = 0;
};

// A folder open for TextureFileStream::OpenAt, closed with the object.
class OpenFolder {
 public:
  explicit OpenFolder(const std::string& hostPath);
  ~OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};
