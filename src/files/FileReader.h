#pragma once

// Reads one opened file from its start to its end for hashing, one piece at a time, and tells at
// the end whether the file changed while it was read. The one way every program here takes a
// file's bytes: the window's checksum, and each file of the command-line tool, whether it goes
// through a lane of its many-files engine or on its own.
//
// - A regular file is read up to the size it had at the open, never further: a file that keeps
//   growing still ends. Its stamp, taken at the open, is compared with the one at the end, once;
//   any change (written, truncated, extended, replaced) makes the verdict Changed.
// - A regular file that reports size 0 (the kernel's pseudo-files) is read to its end, as is
//   anything that is not a regular file (a pipe, standard input).
// - With TPace::Stream, a regular file of Reading::ReadAheadFrom bytes or more is read ahead on a
//   second thread into a small ring of pieces while the caller hashes (if that thread cannot be
//   started, the caller's thread reads). Otherwise the caller's thread reads into one buffer.
// - With TPace::Mapped, a regular file of Reading::MapFrom bytes or more is mapped a window at a
//   time (MappedWindow.h) instead, with the system asked for the next window's bytes meanwhile;
//   pages lost from under a window (the file cut short) make the verdict Changed. Where a window
//   cannot be mapped, the rest is read as with TPace::Stream.
//
//   TFileReader Reader(std::move(File), TFileReader::TPace::Stream);
//   std::span<const std::uint8_t> Piece;
//   while (Reader.Next(Piece))
//     Hash.Update(Piece);
//   switch (Reader.Verdict()) { ... }

#include "files/InputFile.h"
#include "files/MappedWindow.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace Sumtide {

class TFileReader {
public:
  enum class TPace : std::uint8_t {
    Stream, // one file hashed on its own: large pieces, read ahead when it pays
    Lane,   // one of many files side by side: small pieces, on the caller's thread
    // One file hashed on its own by a hash that shares long pieces among the cores: a regular file
    // of Reading::MapFrom bytes or more is mapped window by window where the system maps it, each
    // piece a window; otherwise as Stream.
    Mapped,
  };
  enum class TVerdict : std::uint8_t {
    Reading, // not at the end yet
    Done,    // every byte was given, and the file did not change meanwhile
    Changed, // the regular file changed while it was read: no digest is right for it
    Failed,  // a read failed; Error() says why
  };

  // Buffer, when given, is used for the pieces read on the caller's thread if it holds a whole
  // piece (it must then outlive the reader); otherwise the reader allocates one of its own. Many
  // small files read one after the other can so share buffers instead of allocating each its own.
  TFileReader(TInputFile File, TPace Pace, std::span<std::uint8_t> Buffer = {});
  // Stops the reading thread, if there is one, and waits for it.
  ~TFileReader();
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  // The next piece of the file, valid until the next call of Next (or the reader's end); false
  // once there is none, with the verdict set. Reaching the end reads nothing more into the
  // buffers, so the last piece stays valid until the reader ends.
  bool Next(std::span<const std::uint8_t>& Piece);
  // True once the next call of Next will find the end without reading: a regular file gave all
  // the bytes it had at the open.
  bool AtEnd() const;

  // For a read made elsewhere (many files' reads handed to the system at once, TFileBatch): the
  // file, where the next piece goes and how many bytes to ask for; then Took with what the read
  // gave (a count, or -1 and its error), which answers as Next would have. Not for a reader that
  // reads ahead on its own thread, nor one at its end.
  const TInputFile& File() const { return FFile; }
  // The file itself, to be closed elsewhere once the reader is done with it.
  TInputFile& File() { return FFile; }
  std::span<std::uint8_t> Space();
  bool Took(std::int64_t Got, const TInputError& Error, std::span<const std::uint8_t>& Piece);

  TVerdict Verdict() const { return FVerdict; }
  const TInputError& Error() const { return FError; }
  // The size at the open, for a regular file that reported one; 0 otherwise.
  std::int64_t Total() const { return FLimit > 0 ? FLimit : 0; }
  // The bytes given so far.
  std::int64_t Done() const { return FDone; }

private:
  class TAhead;
  bool Finish(TVerdict Verdict);
  bool NextWindow(std::span<const std::uint8_t>& Piece);

  TInputFile FFile;
  std::int64_t FLimit; // bytes to read at most; -1: to the end
  std::int64_t FDone = 0;
  TVerdict FVerdict = TVerdict::Reading;
  TInputError FError;
  std::size_t FPiece;
  std::span<std::uint8_t> FBuffer;            // reading on the caller's thread
  std::unique_ptr<std::uint8_t[]> FOwnBuffer; // FBuffer when none was given
  std::unique_ptr<TAhead> FAhead;             // reading on a second thread
  bool FMapping = false;                      // mapping windows
  bool FLostPages = false;                    // a window lost pages
  std::unique_ptr<TMappedWindow> FWindow;     // the window given last
};

} // namespace Sumtide
