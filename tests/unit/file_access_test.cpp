#include "codecs/file_access.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/texts.h"
#include "save_test_support.h"

namespace kresbon {
namespace {

using namespace kresbon::testing;
using FileAccessTest = ScratchFolder;

TEST_F(FileAccessTest, AFileOfExactlyTheLimitIsReadAndOneByteMoreIsRefusedNamingTheLimit)
{
    const std::string path = file("limit.krs");
    const std::string contents(5000, 'x');
    { std::ofstream(path, std::ios::binary) << contents; }
    EXPECT_EQ(ReadWholeFile(path, 5000), contents);
    try {
        ReadWholeFile(path, 4999);
        FAIL() << "a file of 5000 bytes read with the limit 4999";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.tooLarge());
        EXPECT_EQ(std::string(e.what()), "Cannot read file \"" + path + "\": it is larger than 4999 B.");
    }
}

TEST(FileError, TheTooLargeMessageNamesTheLimitInEitherLanguage)
{
    const FileError pictures(FileError::Access::Read, "a.bmp", TooLargeToRead(std::uint64_t{4} << 30));
    EXPECT_EQ(pictures.message(EnglishBase), "Cannot read file \"a.bmp\": it is larger than 4 GiB.");
    EXPECT_EQ(pictures.message(CzechBase), "Nelze přečíst soubor \"a.bmp\": je větší než 4 GiB.");
    const FileError scripts(FileError::Access::Read, "a.krs", TooLargeToRead(LargestTextFile));
    EXPECT_EQ(scripts.message(EnglishBase), "Cannot read file \"a.krs\": it is larger than 1 GiB.");
    EXPECT_EQ(FileError(FileError::Access::Read, "a.ini", TooLargeToRead(1 << 20)).message(EnglishBase),
              "Cannot read file \"a.ini\": it is larger than 1 MiB.");
    EXPECT_FALSE(FileError(FileError::Access::Read, "a.krs", NotRegularForReading).tooLarge());
}

}  // namespace
}  // namespace kresbon
