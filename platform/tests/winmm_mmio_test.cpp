// The platform's multimedia file I/O: RIFF chunk walks over sound and broken
// files, buffered reads, and bad handles and arguments refused.
#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "support/test_machine.h"
#include "support/wave_builder.h"

namespace {

class MmioTest : public MachineTest {
 protected:
  HMMIO Open(const std::string &name, const std::string &content) {
    WriteWholeFile(name, content);
    return mmioOpenA(const_cast<LPSTR>(name.c_str()), nullptr, MMIO_ALLOCBUF | MMIO_READ);
  }
};

TEST_F(MmioTest, DescendFindsChunksAndHonoursPadBytes) {
  WaveRecipe recipe;
  recipe.listBeforeFormat = true;  // an odd-sized chunk before "fmt "
  recipe.data = "abc";             // odd data, padded
  HMMIO file = Open("w.wav", BuildWave(recipe));
  ASSERT_NE(file, nullptr);
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(chunk.cksize, 16u);
  EXPECT_EQ(chunk.dwDataOffset, 12u + 14u + 8u);
  ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  char data[8] = {};
  EXPECT_EQ(mmioRead(file, data, 8), 4);  // "abc" and the pad byte: the file ends
  EXPECT_STREQ(data, "abc");
  chunk.ckid = mmioFOURCC('n', 'o', 'n', 'e');
  mmioSeek(file, riff.dwDataOffset + 4, SEEK_SET);
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
  EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, BrokenFilesFailOrReadShortNeverPastTheEnd) {
  struct Case {
    const char *name;
    std::string content;
    UINT flags;
    MMRESULT expected;
  } cases[] = {
      {"empty", "", 0, MMIOERR_CHUNKNOTFOUND},
      {"truncated header", "RIFF\x10\0", 0, MMIOERR_CHUNKNOTFOUND},
      {"truncated form", std::string("RIFF\x10\0\0\0WA", 10), MMIO_FINDRIFF, MMIOERR_CHUNKNOTFOUND},
      {"other form", std::string("RIFF\x04\0\0\0AVI ", 12), MMIO_FINDRIFF, MMIOERR_CHUNKNOTFOUND},
      {"huge chunk", std::string("abcd\xff\xff\xff\xff", 8), 0, MMSYSERR_NOERROR},
  };
  for (const Case &c : cases) {
    HMMIO file = Open("broken", c.content);
    ASSERT_NE(file, nullptr) << c.name;
    MMCKINFO chunk{};
    chunk.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    EXPECT_EQ(mmioDescend(file, &chunk, nullptr, c.flags), c.expected) << c.name;
    // A failed search leaves the file where it was; reads stop at its end.
    char buffer[64];
    const LONG left = c.expected == MMSYSERR_NOERROR ? 0 : static_cast<LONG>(c.content.size());
    EXPECT_EQ(mmioRead(file, buffer, sizeof buffer), left) << c.name;
    mmioClose(file, 0);
  }
  // A chunk that claims more than the file holds: its search stops at the end.
  HMMIO file = Open("past", std::string("RIFF\xff\xff\0\0WAVEjunk\xf0\xff\0\0", 20));
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
  mmioClose(file, 0);
}

TEST_F(MmioTest, FilesWithoutAnEndAreRefused) {
  // A character device never ends and a pipe ends when its writer says so:
  // neither has a size to bound a chunk search, so neither is opened. The
  // pipe has no writer, which must not hold the open either.
  ASSERT_EQ(mkfifo("pipe.wav", 0600), 0);
  for (const char *name : {"/dev/zero", "pipe.wav"}) {
    MMIOINFO info{};
    EXPECT_EQ(mmioOpenA(const_cast<LPSTR>(name), &info, MMIO_ALLOCBUF | MMIO_READ), nullptr) << name;
    EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_CANNOTOPEN)) << name;
  }
  HANDLE device = CreateFileA("/dev/zero", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE pipe = CreateFileA("pipe.wav", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  WriteWholeFile("plain", "RIFF");
  HANDLE plain = CreateFileA("plain", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(GetFileType(device), static_cast<DWORD>(FILE_TYPE_CHAR));
  EXPECT_EQ(GetFileType(pipe), static_cast<DWORD>(FILE_TYPE_PIPE));
  EXPECT_EQ(GetFileType(plain), static_cast<DWORD>(FILE_TYPE_DISK));
  EXPECT_EQ(GetFileType(reinterpret_cast<HANDLE>(0x1234)), static_cast<DWORD>(FILE_TYPE_UNKNOWN));
  for (HANDLE each : {device, pipe, plain}) CloseHandle(each);
}

TEST_F(MmioTest, SearchesEndAtTheEndOfTheFileWhateverTheChunksClaim) {
  // Empty chunks after a form that claims 4 GiB: the search walks 8 bytes
  // at a time and must stop where the file does.
  std::string content("RIFF\xff\xff\xff\xffWAVE", 12);
  content += std::string(64 * 1024, '\0');
  HMMIO file = Open("endless.wav", content);
  ASSERT_NE(file, nullptr);
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), static_cast<MMRESULT>(MMIOERR_CHUNKNOTFOUND));
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 12) << "a failed search leaves the file where it was";
  mmioClose(file, 0);
}

TEST_F(MmioTest, BufferAccessReadsTheWholeFile) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content += static_cast<char>(i * 7);
  HMMIO file = Open("big", content);
  MMIOINFO info;
  ASSERT_EQ(mmioGetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(info.cchBuffer, MMIO_DEFAULTBUFFER);
  std::string read;
  for (;;) {
    if (info.pchNext == info.pchEndRead) {
      ASSERT_EQ(mmioAdvance(file, &info, MMIO_READ), MMSYSERR_NOERROR);
      if (info.pchNext == info.pchEndRead) break;  // the end of the file
    }
    read += *info.pchNext++;
  }
  ASSERT_EQ(mmioSetInfo(file, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(read, content);
  EXPECT_EQ(mmioSeek(file, 0, SEEK_CUR), 20000);
  EXPECT_EQ(mmioSeek(file, -10, SEEK_END), 19990);
  char tail[16];
  EXPECT_EQ(mmioRead(file, tail, 16), 10);
  EXPECT_EQ(std::string(tail, 10), content.substr(19990));
  // A pointer outside the buffer is refused.
  info.pchNext = info.pchBuffer - 1;
  EXPECT_EQ(mmioSetInfo(file, &info, 0), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  mmioClose(file, 0);
}

TEST_F(MmioTest, BadHandlesAndArgumentsAreRefused) {
  HMMIO bogus = reinterpret_cast<HMMIO>(0x1234);
  char buffer[4];
  MMCKINFO chunk{};
  MMIOINFO info;
  EXPECT_EQ(mmioRead(bogus, buffer, 4), -1);
  EXPECT_EQ(mmioSeek(bogus, 0, SEEK_SET), -1);
  EXPECT_EQ(mmioDescend(bogus, &chunk, nullptr, 0), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  EXPECT_EQ(mmioAscend(bogus, &chunk, 0), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  EXPECT_EQ(mmioGetInfo(bogus, &info, 0), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  EXPECT_EQ(mmioClose(bogus, 0), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
  info.cchBuffer = 0;
  EXPECT_EQ(mmioOpenA(const_cast<LPSTR>("absent"), &info, MMIO_READ), nullptr);
  EXPECT_EQ(info.wErrorRet, static_cast<UINT>(MMIOERR_FILENOTFOUND));
  EXPECT_EQ(mmioOpenA(nullptr, nullptr, MMIO_READ), nullptr);
  HMMIO file = Open("f", "12345678");
  EXPECT_EQ(mmioRead(file, nullptr, 4), -1);
  EXPECT_EQ(mmioDescend(file, nullptr, nullptr, 0), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
  mmioClose(file, 0);
  EXPECT_EQ(mmioRead(file, buffer, 4), -1);  // closed
  void *block = GlobalAlloc(GPTR, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);  // already freed
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 16), nullptr);
}

}  // namespace
