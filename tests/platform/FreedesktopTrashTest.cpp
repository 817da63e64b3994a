#include "platform/real/FreedesktopTrash.h"

#include <gtest/gtest.h>
#include <QDir>

#include <filesystem>

#include "ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace pelko::testing {
namespace {

TEST(FreedesktopTrash, MovesIntoTheHomeTrashCreatingItsFoldersOnDemand) {
  // An existing data folder, and one whose parents do not exist yet (a fresh account).
  for (const std::string sub : {"share", "new/deeper/share"}) {
    SCOPED_TRACE(sub);
    TempFolder temp;
    std::filesystem::create_directories(temp.file("work"));
    if (sub == "share") std::filesystem::create_directories(temp.file(sub));
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", temp.file(sub));
    // Qt once dropped such files into "files" beside the working directory: work somewhere watchable.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(temp.file("work"));
    writeWholeFile(temp.file("notes.txt"), "hello");

    real::FreedesktopTrash trash;
    // A missing file is a failure, yet the files folder is made on demand.
    const auto error = trash.moveToTrash(temp.file("absent.txt"));
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->localizedDescription.empty());
    EXPECT_TRUE(std::filesystem::is_directory(trash.filesFolder()));
    EXPECT_EQ(trash.moveToTrash(temp.file("notes.txt")), std::nullopt);
    std::filesystem::current_path(previous);

    const std::string trashFolder = temp.file((sub + "/Trash"));
    EXPECT_FALSE(std::filesystem::exists(temp.file("notes.txt")));
    EXPECT_EQ(readWholeFile(trashFolder + "/files/notes.txt"), "hello");
    EXPECT_TRUE(std::filesystem::exists(trashFolder + "/info/notes.txt.trashinfo"));
    EXPECT_FALSE(std::filesystem::exists(temp.file("work/files")));
    EXPECT_EQ(std::filesystem::status(trashFolder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(trash.filesFolder(), trashFolder + "/files");
  }
}

}  // namespace
}  // namespace pelko::testing
