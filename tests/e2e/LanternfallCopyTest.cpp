// The extras' copies on a documents disk that fills up part-way: the player is told how many of the wallpapers
// and of the soundtrack's files could not be copied and why, and what the documents folder holds afterwards
// is whole files only.
// The disk is a small tmpfs mounted over the run's documents folder in a mount namespace of the game's own.

#include "tests/e2e/LanternfallFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace lfe2e;

// Runs the rest of its arguments with a tmpfs of 140 KB over the folder $1 (two of the six wallpapers fit,
// the third and the soundtrack's first file fail part-way), then copies what the folder holds into $2,
// since the tmpfs goes with the namespace. Status 97: nothing could be mounted.
constexpr char kOnASmallDisk[] = "folder=$1 kept=$2; shift 2\n"
                                 "mount -t tmpfs -o size=140k lanternfall-documents \"$folder\" || exit 97\n"
                                 "\"$@\"; status=$?\n"
                                 "cp -R \"$folder/.\" \"$kept/\" && exit $status";

// The command run in a mount namespace of its own with the small disk over the documents; empty when no
// tmpfs can be mounted so here.
std::vector<std::string> onASmallDisk(const fs::path &documents, const fs::path &kept,
                                      const std::vector<std::string> &line) {
    const std::string namespaces = namespacesToMountIn(documents);
    if (namespaces.empty())
        return {};
    std::vector<std::string> wrapped = {"unshare", namespaces, "sh", "-c", kOnASmallDisk, "sh",
                                        documents.string(), kept.string()};
    wrapped.insert(wrapped.end(), line.begin(), line.end());
    return wrapped;
}

// From the profiles to the extras, then Wallpapers and Soundtrack (design units, at 100 ms a frame).
TEST_F(LanternfallFixture, CopiesThatFillTheDocumentsDiskLeaveOnlyWholeFilesThere) {
    const std::string sceneFile = "data/menus/extras/extras.scene";
    auto click = [](int frame, DesignPoint at) {
        return std::to_string(frame) + " point " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)) +
               "\n" + std::to_string(frame + 1) + " press left\n" + std::to_string(frame + 2) + " release left\n";
    };
    lftest::writeFileText(temp / "copy.input",
                          click(150, placeOf("data/menus/profiles/profiles.scene", "button_extras")) +
                              click(175, placeOf(sceneFile, "button_wallpapers")) +
                              click(190, placeOf(sceneFile, "button_soundtrack")));
    const fs::path documents = temp / "home/Documents", kept = temp / "kept";
    fs::create_directories(documents);
    fs::create_directories(kept);
    const std::vector<std::string> line =
        onASmallDisk(documents, kept, command("copy.log", 210, "", (temp / "copy.input").string()));
    if (line.empty())
        GTEST_SKIP() << "no tmpfs can be mounted in a namespace of the test's own on this machine";
    ASSERT_EQ(lftest::runProgram(line), 0);

    // What the player reads under the buttons: how many were not copied (all, or a count), and why.
    const fs::path game = "Brightmoor_Ambercrest", wallpapers = "Brightmoor_AmbercrestVelt";
    auto notCopied = [&](const fs::path &copies, const fs::path &sources, const std::string &all,
                         const std::string &some) {
        const auto count = [](const fs::path &folder) {
            return fs::is_directory(folder) ? std::distance(fs::directory_iterator(folder), fs::directory_iterator())
                                            : 0;
        };
        const auto there = count(kept / copies), missing = count(gameFolder / sources) - there;
        return "said " + (there == 0 ? all : std::to_string(missing) + some) +
               " could not be copied. There is no room left on the disk.";
    };
    const std::string log = readText(temp / "copy.log");
    EXPECT_TRUE(hasInOrder(stateLines(log),
                           {"entered c'extras", "wallpaper saved",
                            notCopied(wallpapers, "Velt/wallpapers", "The wallpapers", " of the wallpapers"),
                            "wallpapers not copied",
                            notCopied(game / "soundtrack", "Velt/soundtrack", "The soundtrack",
                                      " of the soundtrack’s files"),
                            "soundtrack not copied"}))
        << log;
    EXPECT_NE(log.find("Game: cannot copy '"), std::string::npos) << log;
    // Each file there is the same bytes as its source beside the program; a copy that failed left nothing.
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(kept)) {
        if (!entry.is_regular_file())
            continue;
        const fs::path relative = fs::relative(entry.path(), kept);
        const fs::path folder = relative.parent_path();
        const fs::path source = folder == wallpapers               ? gameFolder / "Velt/wallpapers"
                                : folder == game / "soundtrack" ? gameFolder / "Velt/soundtrack"
                                                                   : fs::path();
        EXPECT_FALSE(source.empty()) << relative << " is no copy of the extras";
        const std::vector<unsigned char> original = lftest::readFileBytes(source / relative.filename());
        EXPECT_TRUE(lftest::readFileBytes(entry.path()) == original)
            << relative << " is not whole: " << entry.file_size() << " bytes of " << original.size();
    }
    // The smallest wallpaper fits on the small disk before it fills: the copies did reach the disk.
    EXPECT_TRUE(fs::is_regular_file(kept / wallpapers / "lighthouse_wallpaper01_800x600.jpg"));
}

} // namespace
