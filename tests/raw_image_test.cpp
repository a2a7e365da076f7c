// The raw image loader: lengths it accepts and rejects, the row stride, and
// the sizes it refuses before touching the file.
#include "raw_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RawImageTest : public testing::Test {
protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("raw_image_test_" + std::to_string(::getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  // Writes `size` bytes counting up from 0 and returns the file's path.
  std::string writeFile(const char* name, std::size_t size) {
    const fs::path path = folder / name;
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
      bytes[i] = static_cast<unsigned char>(i);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (size > 0) {
      std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::fclose(file);
    return path.string();
  }

  fs::path folder;
};

TEST(RawImageStride, PadsRowsOfThreeBytePixelsToFourBytes) {
  EXPECT_EQ(rawImageStride(1), 4u);
  EXPECT_EQ(rawImageStride(2), 8u);
  EXPECT_EQ(rawImageStride(3), 12u);
  EXPECT_EQ(rawImageStride(4), 12u);
  EXPECT_EQ(rawImageStride(5), 16u);
  EXPECT_EQ(rawImageStride(32), 96u);
}

TEST_F(RawImageTest, LoadsAFileOfExactlyStrideTimesHeightBytesAsItIs) {
  RawImage image;
  ASSERT_TRUE(loadRawImage(writeFile("sprite", 3072).c_str(), 32, 32, image));
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.height, 32);
  ASSERT_NE(image.pixels, nullptr);
  // Bytes keep their file order: the first row stays the bottom row.
  EXPECT_EQ(image.pixels[0], 0);
  EXPECT_EQ(image.pixels[96], 96);
  EXPECT_EQ(image.pixels[3071], 3071 % 256);

  // A padded row: width 5 takes 16 bytes a row, 15 of them pixels.
  EXPECT_TRUE(loadRawImage(writeFile("padded", std::size_t{16} * 3).c_str(), 5, 3, image));
  EXPECT_FALSE(loadRawImage(writeFile("unpadded", std::size_t{15} * 3).c_str(), 5, 3, image));
}

TEST_F(RawImageTest, RejectsEveryOtherLengthAndWhatIsNotAFile) {
  struct Case {
    const char* name;
    std::size_t size;
  };
  // 3126 bytes is a 32 × 32 24-bit bitmap with its 54-byte header.
  for (const Case c : {Case{"short", 3071}, Case{"long", 3073}, Case{"bitmap", 3126}, Case{"empty", 0}}) {
    RawImage image;
    EXPECT_FALSE(loadRawImage(writeFile(c.name, c.size).c_str(), 32, 32, image)) << c.name;
    EXPECT_STREQ(rawImageFailure, "wrong file length") << c.name;
    EXPECT_EQ(image.pixels, nullptr) << c.name;
    EXPECT_EQ(image.width, 32) << c.name; // the requested size is stored even then
  }

  RawImage image;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(loadRawImage((folder / "missing").c_str(), 32, 32, image));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); // the caller decides what to say
  EXPECT_STREQ(rawImageFailure, "cannot open file");

  fs::create_directory(folder / "directory");
  EXPECT_FALSE(loadRawImage((folder / "directory").c_str(), 32, 32, image));
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(RawImageShortRead, FailsWhenTheFileHoldsLessThanItsLength) {
  // sysfs files report a length of 4096 but hold only a few bytes: the
  // length check passes and only the read can tell.
  const char* path = "/sys/devices/system/cpu/online";
  if (access(path, R_OK) != 0) {
    GTEST_SKIP() << path << " is not readable here";
  }
  RawImage image;
  EXPECT_FALSE(loadRawImage(path, 1, 1024, image)); // 4 × 1024 = 4096 bytes
  EXPECT_STREQ(rawImageFailure, "short read");
  EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(RawImageTest, RefusesSizesThatAreNotPositiveOrOverflow) {
  // An empty file would match a wrapped size of 0; none of these may load it.
  const std::string empty = writeFile("empty", 0);
  struct Case {
    std::int32_t width, height;
  };
  for (const Case c : {Case{0, 32}, Case{32, 0}, Case{-1, 32}, Case{32, -4}, Case{1431655765, 1}, Case{1431655764, 2},
                       Case{65536, 65536}}) {
    RawImage image;
    EXPECT_FALSE(loadRawImage(empty.c_str(), c.width, c.height, image)) << c.width << " x " << c.height;
    EXPECT_STREQ(rawImageFailure, "image size out of range");
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
  }
}

} // namespace
