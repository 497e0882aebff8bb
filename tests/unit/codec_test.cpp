// The scrambling of data files and the safe writing of the player's files.
#include <filesystem>

#include "data/files.h"
#include "harness.h"

namespace {

class Codec : public test::Headless {};

TEST_F(Codec, ScramblingTwiceGivesTheFileBackWithItsLength) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += char(i * 7);
    const std::string plain = tempDir + "/a.txt", scrambled = tempDir + "/a.znd", back = tempDir + "/b.txt";
    data::WriteFileAtomically(plain, bytes);
    data::ScrambleFile(plain, scrambled, "Duke Ormand");
    const std::string s = data::ReadWholeFile(scrambled);
    ASSERT_EQ(s.size(), bytes.size());
    EXPECT_NE(s, bytes);
    // The key repeats every 11 bytes: byte 12 is combined with the key's first.
    EXPECT_EQ(char(s[0] ^ bytes[0]), 'D');
    EXPECT_EQ(char(s[11] ^ bytes[11]), 'D');
    EXPECT_EQ(char(s[12] ^ bytes[12]), 'u');
    data::ScrambleFile(scrambled, back, "Duke Ormand");
    EXPECT_EQ(data::ReadWholeFile(back), bytes);
}

TEST_F(Codec, MissingOrEmptySourceIsAFatalErrorNamingTheFile) {
    try {
        data::ScrambleFile(tempDir + "/nothere.znd", tempDir + "/x", "k");
        FAIL();
    } catch (const data::FatalError& e) {
        EXPECT_NE(std::string(e.what()).find("nothere.znd: missing"), std::string::npos);
    }
    data::WriteFileAtomically(tempDir + "/empty.znd", "");
    EXPECT_THROW(data::ScrambleFile(tempDir + "/empty.znd", tempDir + "/x", "k"), data::FatalError);
}

TEST_F(Codec, PlainCopyIsGoneWhenDone) {
    data::WriteFileAtomically(tempDir + "/s.znd", "abc");
    std::string plainPath;
    {
        data::PlainCopy plain(tempDir + "/s.znd", "s.txt");
        plainPath = plain.Path();
        EXPECT_TRUE(data::FileExists(plainPath));
        EXPECT_EQ(plain.Contents().size(), 3u);
    }
    EXPECT_FALSE(data::FileExists(plainPath));
}

TEST_F(Codec, AFailedWriteKeepsTheOldFile) {
    const std::string path = userDir + "/keep.znd";
    data::WriteFileAtomically(path, "old");
    // The destination's folder vanishes: the write fails and says so.
    EXPECT_THROW(data::WriteFileAtomically(userDir + "/no/such/folder.znd", "new"), data::FatalError);
    EXPECT_EQ(data::ReadWholeFile(path), "old");
    EXPECT_FALSE(data::FileExists(path + ".part"));
}

}  // namespace
