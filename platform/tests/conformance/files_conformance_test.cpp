// Files through the kernel (CreateFileA, ReadFile, WriteFile, file pointer
// and size, end of file, deletion, last errors) and RIFF navigation through
// WinMM's mmio functions, on small files the cases write themselves.
#include "conformance.h"

#include <mmsystem.h>

#include <cstring>

namespace {

using conformance::PutU16;
using conformance::PutU32;
using conformance::ScratchFile;

HANDLE Open(const char *path, DWORD access, DWORD disposition) {
  return CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadAll(HANDLE file, DWORD size) {
  std::string bytes(size, '\0');
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, &bytes[0], size, &read, nullptr));
  bytes.resize(read);
  return bytes;
}

TEST(FilesConformance, WriteSeekReadTruncateAndDelete) {
  ScratchFile scratch("data");
  HANDLE file = Open(scratch.path(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "0123456789", 10, &written, nullptr));
  EXPECT_EQ(written, 10u);
  EXPECT_EQ(GetFileSize(file, nullptr), 10u);
  EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
  EXPECT_EQ(ReadAll(file, 4), "3456");
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
  EXPECT_EQ(ReadAll(file, 100), "89") << "a read past the end stops at the end";
  EXPECT_EQ(ReadAll(file, 5), "") << "a read at the end succeeds with nothing";
  EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
  ASSERT_TRUE(SetEndOfFile(file));
  EXPECT_EQ(GetFileSize(file, nullptr), 6u);
  EXPECT_EQ(SetFilePointer(file, 12, nullptr, FILE_BEGIN), 12u) << "the pointer may pass the end";
  ASSERT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 13u) << "a write past the end extends the file";
  ASSERT_TRUE(CloseHandle(file));

  file = Open(scratch.path(), GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(file, 13), std::string("012345\0\0\0\0\0\0x", 13)) << "the gap reads as zeros";
  CloseHandle(file);
  ASSERT_TRUE(DeleteFileA(scratch.path()));
}

TEST(FilesConformance, FailuresSetTheLastError) {
  ScratchFile missing("missing");
  SetLastError(0);
  EXPECT_EQ(Open(missing.path(), GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(missing.path()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ScratchFile existing("existing");
  ASSERT_TRUE(existing.Write("abc"));
  SetLastError(0);
  EXPECT_EQ(Open(existing.path(), GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

  // A file opened for reading refuses writes and keeps its content.
  HANDLE file = Open(existing.path(), GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 1;
  EXPECT_FALSE(WriteFile(file, "zz", 2, &written, nullptr));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadAll(file, 3), "abc");
  CloseHandle(file);

  // TRUNCATE_EXISTING empties the file; OPEN_ALWAYS keeps it.
  file = Open(existing.path(), GENERIC_WRITE, TRUNCATE_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  CloseHandle(file);
}

// A RIFF file: 'RIFF' <size> 'WAVE', then the given chunks.
std::string Riff(const char *form, const std::string &chunks) {
  std::string out = "RIFF";
  PutU32(out, static_cast<unsigned>(4 + chunks.size()));
  out += form;
  return out + chunks;
}

// One chunk with its pad byte when the data's size is odd.
std::string Chunk(const char *id, const std::string &data) {
  std::string out = id;
  PutU32(out, static_cast<unsigned>(data.size()));
  out += data;
  if (data.size() % 2 != 0) out.push_back('\0');
  return out;
}

std::string WaveFormat() {
  std::string fmt;
  PutU16(fmt, 1);      // PCM
  PutU16(fmt, 1);      // mono
  PutU32(fmt, 8000);   // samples per second
  PutU32(fmt, 16000);  // bytes per second
  PutU16(fmt, 2);      // block alignment
  PutU16(fmt, 16);     // bits per sample
  return fmt;
}

TEST(FilesConformance, MmioFindsChunksInsideARiffForm) {
  ScratchFile scratch("wave");
  // An odd-sized chunk before 'fmt ' checks that ascending honours the pad.
  ASSERT_TRUE(scratch.Write(
      Riff("WAVE", Chunk("junk", "abc") + Chunk("fmt ", WaveFormat()) + Chunk("data", std::string(6, '\x11')))));
  HMMIO mmio = mmioOpenA(const_cast<LPSTR>(scratch.path()), nullptr, MMIO_READ);
  ASSERT_NE(mmio, nullptr);

  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(mmio, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.dwDataOffset, 8u);

  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(mmioDescend(mmio, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 16u);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 12u + 8u) << "after the padded 'junk' chunk";
  char format[16];
  ASSERT_EQ(mmioRead(mmio, format, sizeof format), 16);
  EXPECT_EQ(std::string(format, 16), WaveFormat());
  ASSERT_EQ(mmioAscend(mmio, &chunk, 0), MMSYSERR_NOERROR);

  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioDescend(mmio, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(data.cksize, 6u);
  char samples[16];
  EXPECT_EQ(mmioRead(mmio, samples, sizeof samples), 6) << "a read stops at the end of the file";
  ASSERT_EQ(mmioAscend(mmio, &data, 0), MMSYSERR_NOERROR);

  // Searching from the start of the form again: a missing chunk.
  ASSERT_EQ(mmioSeek(mmio, static_cast<LONG>(riff.dwDataOffset + 4), SEEK_SET),
            static_cast<LONG>(riff.dwDataOffset + 4));
  MMCKINFO list{};
  list.ckid = mmioFOURCC('L', 'I', 'S', 'T');
  EXPECT_EQ(mmioDescend(mmio, &list, &riff, MMIO_FINDCHUNK), static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
  EXPECT_EQ(mmioClose(mmio, 0), MMSYSERR_NOERROR);
}

TEST(FilesConformance, MmioRefusesWhatIsNotTheFormAskedFor) {
  ScratchFile scratch("avi");
  ASSERT_TRUE(scratch.Write(Riff("AVI ", Chunk("data", "xy"))));
  HMMIO mmio = mmioOpenA(const_cast<LPSTR>(scratch.path()), nullptr, MMIO_READ);
  ASSERT_NE(mmio, nullptr);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  EXPECT_EQ(mmioDescend(mmio, &riff, nullptr, MMIO_FINDRIFF), static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
  mmioClose(mmio, 0);

  ScratchFile missing("missing");
  MMIOINFO info{};
  EXPECT_EQ(mmioOpenA(const_cast<LPSTR>(missing.path()), &info, MMIO_READ), nullptr);
  EXPECT_NE(info.wErrorRet, 0u) << "the reason is reported";
}

}  // namespace
