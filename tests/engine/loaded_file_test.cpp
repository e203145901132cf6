#include "engine/loaded_file.h"

#include <gtest/gtest.h>

#include "tests/engine/temp_dir.h"

namespace varnolt {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

TEST(LoadedFile, StartsEmptyAndLoadsEmptyFiles) {
    TempDir dir;
    LoadedFile file;
    EXPECT_FALSE(file.isLoaded());
    EXPECT_EQ(file.buffer().size(), 0);

    writeBytes(dir / "empty", "");
    EXPECT_TRUE(file.load(dir / "empty"));
    EXPECT_TRUE(file.isLoaded());
    EXPECT_EQ(file.buffer().size(), 0);
}

TEST(LoadedFile, FailedLoadKeepsTheWorkingCopyAndTheFlag) {
    TempDir dir;
    LoadedFile never;
    EXPECT_FALSE(never.load(dir / "missing"));
    EXPECT_FALSE(never.isLoaded());

    writeBytes(dir / "a", "original");
    LoadedFile file;
    ASSERT_TRUE(file.load(dir / "a"));
    file.replaceBuffer(ByteString::copyOf("patched!"));
    // Several dropped paths arrive as one text naming no file.
    for (const std::string& bad : {dir / "missing", (dir / "a") + "\r\n" + (dir / "b") + "\r\n", dir.path().string(),
                                   std::string()}) {
        EXPECT_FALSE(file.load(bad)) << bad;
        EXPECT_TRUE(file.isLoaded());
        EXPECT_EQ(file.buffer().view(), "patched!") << "an unsaved patch must survive a failed drop";
    }
}

TEST(LoadedFile, LoadReplacesAndSaveKeepsTheWorkingCopy) {
    TempDir dir;
    writeBytes(dir / "a", "first");
    writeBytes(dir / "b", std::string("se\0cond", 7));
    LoadedFile file;
    ASSERT_TRUE(file.load(dir / "a"));
    file.replaceBuffer(ByteString::copyOf("FIRST"));
    ASSERT_TRUE(file.load(dir / "b"));
    EXPECT_EQ(file.buffer().view(), std::string("se\0cond", 7));

    ASSERT_TRUE(file.save(dir / "c"));
    ASSERT_TRUE(file.save(dir / "d"));
    EXPECT_EQ(readBytes(dir / "c"), std::string("se\0cond", 7));
    EXPECT_EQ(readBytes(dir / "d"), readBytes(dir / "c"));
    EXPECT_TRUE(file.isLoaded());
    EXPECT_FALSE(file.save(""));

    ASSERT_TRUE(file.save(dir / "b"));
    const ByteString saved = file.buffer();
    ASSERT_TRUE(file.load(dir / "b"));
    EXPECT_EQ(file.buffer(), saved);

    file.release();
    EXPECT_EQ(file.buffer().size(), 0);
    EXPECT_TRUE(file.isLoaded());
    ASSERT_TRUE(file.save(dir / "e"));
    EXPECT_EQ(readBytes(dir / "e"), "");
}

}  // namespace
}  // namespace varnolt
