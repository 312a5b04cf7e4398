// The digests an experiment records: the published test vectors, fed whole
// and piece by piece, and a file's digest as sha256sum prints it.
#include <string>

#include <gtest/gtest.h>

#include "experiment/Sha256.h"
#include "io/RunError.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

const char* const kTwoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const char* const kTwoBlocksDigest = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";

TEST(Sha256, GivesThePublishedDigests) {
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(kTwoBlocks), kTwoBlocksDigest);
}

TEST(Sha256, PiecesAcrossBlockEndsGiveTheWholeDigest) {
  const std::string text = kTwoBlocks;
  Sha256 digest;
  for (std::size_t at = 0; at < text.size(); at += 7) digest.add(text.substr(at, 7));
  EXPECT_EQ(digest.hex(), kTwoBlocksDigest);
}

TEST(Sha256, AFileDigestIsItsBytesAndAMissingFileIsNamed) {
  testing::TempDir dir;
  dir.write("in.txt", kTwoBlocks);
  EXPECT_EQ(sha256OfFile(dir.file("in.txt")), kTwoBlocksDigest);
  try {
    sha256OfFile(dir.file("none.txt"));
    ADD_FAILURE() << "a missing file was hashed";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace vk
