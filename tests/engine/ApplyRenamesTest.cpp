// Renames executed in a scratch folder: whatever the plan and whichever
// rename fails, the folder afterwards holds the same file contents as before
// (none lost, none doubled); the journal undoes a run but never a file that
// changed or a name that is taken.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/FileRows.h"
#include "rename/ApplyRenames.h"
#include "rename/RenameCheck.h"
#include "rename/RenameJournal.h"
#include "rename/ReplaceConvert.h"
#include "support/TempFolder.h"

using namespace quilto;
namespace fs = std::filesystem;

namespace {

// name -> content of every entry in the folder.
std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        out[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return out;
}

std::multiset<std::string> Multiset(const std::map<std::string, std::string>& contents) {
    std::multiset<std::string> out;
    for (const auto& [name, content] : contents) out.insert(content);
    return out;
}

class ApplyRenamesTest : public ::testing::Test {
protected:
    // Files named as given, each with its own content; one rename row each.
    void Make(const std::vector<std::string>& names) {
        rows.clear();
        rows.folder = folder.path();
        for (const std::string& name : names) {
            std::ofstream(folder.file(name), std::ios::binary) << "content of " << name;
            core::FileRecord record;
            record.text(core::FileColumn::FileName) = name;
            rows.append(std::move(record));
        }
        before = Multiset(Contents(folder.file("")));
    }
    void Plan(std::size_t row, const std::string& to) {
        rows.rename[row].to = to;
        rows.rename[row].image = core::kEditedImage;
    }
    void ExpectNothingLost() { EXPECT_EQ(Multiset(Contents(folder.file(""))), before); }

    test::TempFolder folder;
    core::FolderRows rows;
    std::multiset<std::string> before;
};

TEST_F(ApplyRenamesTest, RenamesUpdateRowsAndLeaveOthers) {
    Make({"a.mp3", "b.mp3", "c.mp3"});
    Plan(0, "x.mp3");
    Plan(2, "c.mp3");  // the same name: nothing to do
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows);
    EXPECT_FALSE(outcome.failed()) << outcome.message;
    ASSERT_EQ(outcome.applied.size(), 1u);
    EXPECT_EQ(outcome.applied[0].facts.size, std::string("content of a.mp3").size());
    EXPECT_EQ(Contents(folder.file("")).at("x.mp3"), "content of a.mp3");
    EXPECT_EQ(rows.rename[0].from, "x.mp3");
    EXPECT_EQ(rows.files[0].fileName(), "x.mp3");
    for (const core::RenameRow& row : rows.rename) EXPECT_EQ(row.image, core::kNoImage);
    ExpectNothingLost();
}

// Plans the check would refuse, run anyway: a taken target is never replaced.
struct UncheckedCase {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::pair<std::size_t, std::string>> plan;
    std::vector<std::string> after;  // the folder's names afterwards
    std::size_t failures;
};

class UncheckedPlanTest : public ApplyRenamesTest, public ::testing::WithParamInterface<UncheckedCase> {};

TEST_P(UncheckedPlanTest, NoFileIsLostOrReplaced) {
    const UncheckedCase& c = GetParam();
    Make(c.files);
    for (const auto& [row, to] : c.plan) Plan(row, to);
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows);
    EXPECT_EQ(outcome.failures.size(), c.failures) << outcome.message;
    std::vector<std::string> names;
    for (const auto& [name, content] : Contents(folder.file(""))) names.push_back(name);
    EXPECT_EQ(names, c.after);
    ExpectNothingLost();
    for (const rename::RenameFailure& f : outcome.failures) {
        EXPECT_NE(outcome.message.find(f.from + " => " + f.to + " (" + std::to_string(f.error) + ")"),
                  std::string::npos);
        EXPECT_EQ(rows.rename[f.row].image, core::kEditedImage);
        EXPECT_EQ(rows.files[f.row].icon, core::FileIcon::CannotOpen);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, UncheckedPlanTest,
    ::testing::Values(
        // A taken target stops the whole run before any rename.
        UncheckedCase{"Swap", {"a.mp3", "b.mp3"}, {{0, "b.mp3"}, {1, "a.mp3"}}, {"a.mp3", "b.mp3"}, 2},
        UncheckedCase{"Chain", {"a.mp3", "b.mp3"}, {{0, "b.mp3"}, {1, "c.mp3"}}, {"a.mp3", "b.mp3"}, 1},
        UncheckedCase{"TwoOntoOne", {"a.mp3", "b.mp3"}, {{0, "c.mp3"}, {1, "c.mp3"}}, {"b.mp3", "c.mp3"}, 1},
        UncheckedCase{"TargetOutsideTheList", {"a.mp3", "z.txt"}, {{0, "z.txt"}}, {"a.mp3", "z.txt"}, 1},
        UncheckedCase{"CaseOnlyOnACaseSensitiveDisk", {"a.mp3"}, {{0, "A.mp3"}}, {"A.mp3"}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

// A folder that ignores letter case, as vfat does: every path is looked up
// by its folded name, so "A.mp3" finds "a.mp3".
class CaseBlindFileSystem : public rename::RenameFileSystem {
public:
    int renameNoReplace(const std::string& from, const std::string& to) const override {
        ++renames;
        // The target's lookup finds the source itself when only the case
        // differs, so a no-replace rename refuses that too.
        if (fs::exists(Resolve(to))) return EEXIST;
        return rename::DiskFileSystem().renameNoReplace(Resolve(from), to);
    }
    std::optional<rename::FileFacts> facts(const std::string& path) const override {
        return rename::DiskFileSystem().facts(Resolve(path));
    }
    int openForReading(const std::string& path) const override {
        return rename::DiskFileSystem().openForReading(Resolve(path));
    }
    mutable int renames = 0;

private:
    static std::string Resolve(const std::string& path) {
        const fs::path p(path);
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(p.parent_path(), ec)) {
            if (rename::EqualIgnoringCase(entry.path().filename().string(), p.filename().string())) {
                return entry.path().string();
            }
        }
        return path;
    }
};

TEST_F(ApplyRenamesTest, CaseOnlyRenameOnACaseBlindFolderGoesThroughATemporaryName) {
    Make({"song.mp3", "other.mp3"});
    Plan(0, "SONG.mp3");
    Plan(1, "OTHER.MP3");
    const CaseBlindFileSystem caseBlind;
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows, caseBlind);
    EXPECT_FALSE(outcome.failed()) << outcome.message;
    EXPECT_EQ(caseBlind.renames, 4);  // two steps each
    const auto names = Contents(folder.file(""));
    EXPECT_EQ(names.count("SONG.mp3"), 1u);
    EXPECT_EQ(names.count("OTHER.MP3"), 1u);
    ExpectNothingLost();
    // A name of another file is still refused there, whatever its case.
    Plan(0, "other.mp3");
    EXPECT_EQ(rename::ApplyRenames(rows, caseBlind).failures.size(), 1u);
    ExpectNothingLost();
}

// Every rename call fails in turn: nothing is lost, and the failed row is
// named in the message with its error number.
class FailingRename : public rename::RenameFileSystem {
public:
    explicit FailingRename(int failing) : failing_(failing) {}
    int renameNoReplace(const std::string& from, const std::string& to) const override {
        if (++calls_ == failing_) return EIO;
        return rename::RenameFileSystem::renameNoReplace(from, to);
    }
    int calls() const { return calls_; }

private:
    int failing_;
    mutable int calls_ = 0;
};

TEST_F(ApplyRenamesTest, EachFailedRenameCostsOnlyItsRow) {
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        fs::remove_all(folder.file(""));
        fs::create_directory(folder.file(""));
        Make({"a.mp3", "b.mp3", "c.mp3"});
        Plan(0, "x.mp3");
        Plan(1, "B.mp3");
        Plan(2, "z.mp3");
        const FailingRename failing(k);
        const rename::ApplyOutcome outcome = rename::ApplyRenames(rows, failing);
        ExpectNothingLost();
        if (failing.calls() < k) {
            EXPECT_FALSE(outcome.failed());
            EXPECT_GE(k, 4);
            break;
        }
        ASSERT_EQ(outcome.failures.size(), 1u);
        const rename::RenameFailure& f = outcome.failures[0];
        EXPECT_EQ(outcome.message, "Rename Error - " + f.from + " => " + f.to + " (5)");
        EXPECT_EQ(outcome.applied.size(), 2u);
        EXPECT_EQ(rows.rename[f.row].image, core::kEditedImage);
    }
}

TEST_F(ApplyRenamesTest, ACaseOnlyRenameWhoseSecondStepFailsPutsTheFileBack) {
    Make({"song.mp3"});
    Plan(0, "SONG.mp3");
    struct SecondFails : CaseBlindFileSystem {
        int renameNoReplace(const std::string& from, const std::string& to) const override {
            if (++n == 2) return EIO;
            return CaseBlindFileSystem::renameNoReplace(from, to);
        }
        mutable int n = 0;
    } fileSystem;
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows, fileSystem);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].keptAs, "");
    EXPECT_EQ(Contents(folder.file("")).count("song.mp3"), 1u);
    ExpectNothingLost();
}

// ------------------------------------------------------------------ journal

TEST_F(ApplyRenamesTest, JournalRoundTripsAnyName) {
    rename::RenameJournal journal;
    journal.entries.push_back({"/a b/%c\t/", "old\nname%.mp3", "new\x7F.mp3", {1, 2, 3, -4}});
    journal.entries.push_back({"/x/", "ü.mp3", "ö.mp3", {5, 6, 7, 8}});
    const std::string path = folder.file("data/quilto/rename-journal").string();
    std::string error;
    ASSERT_TRUE(rename::WriteJournal(path, journal, error)) << error;
    EXPECT_EQ(rename::ReadJournal(path, error), journal);
    ASSERT_TRUE(rename::WriteJournal(path, {}, error)) << error;  // replaces the previous one
    EXPECT_EQ(rename::ReadJournal(path, error), rename::RenameJournal{});

    std::ofstream(path) << "quilto rename journal 1\n/x/\ta\tb\t1\t2\n";
    EXPECT_FALSE(rename::ReadJournal(path, error));
    EXPECT_NE(error.find("damaged"), std::string::npos);
    EXPECT_NE(error.find(path), std::string::npos);
}

TEST(JournalText, ReadsWhatIsWrittenAndRefusesTheRest) {
    rename::RenameJournal journal;
    journal.entries.push_back({"/a/", "x%y.mp3", "z\r.mp3", {1, 2, 3, 4}});
    const std::string text = rename::JournalText(journal);
    std::string problem;
    EXPECT_EQ(rename::ParseJournal(text, problem), journal);
    // The last line may lack its line break.
    EXPECT_EQ(rename::ParseJournal(text.substr(0, text.size() - 1), problem), journal);
    for (const std::string& bad : {std::string(), std::string("quilto rename journal 2\n"), text + "\n",
                                  text + "/a/\tb\tc%4\t1\t2\t3\t4\n"}) {
        EXPECT_FALSE(rename::ParseJournal(bad, problem)) << bad;
        EXPECT_FALSE(problem.empty());
    }
}

TEST_F(ApplyRenamesTest, UndoRevertsButRefusesChangedFilesAndTakenNames) {
    Make({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    const std::vector<std::string> original = {"a.mp3", "b.mp3", "c.mp3", "d.mp3"};
    Plan(0, "A1.mp3");
    Plan(1, "B1.mp3");
    Plan(2, "C1.mp3");
    Plan(3, "D.mp3");
    const rename::ApplyOutcome outcome = rename::ApplyRenames(rows);
    ASSERT_FALSE(outcome.failed()) << outcome.message;
    rename::RenameJournal journal;
    rename::AddToJournal(journal, rows.folder, outcome);
    ASSERT_EQ(journal.entries.size(), 4u);

    std::ofstream(folder.file("B1.mp3"), std::ios::app) << " edited";  // changed since
    std::ofstream(folder.file("c.mp3")) << "a new file";              // old name taken
    const rename::UndoOutcome undone = rename::UndoRenames(journal);
    EXPECT_EQ(undone.reverted, 2u);
    ASSERT_EQ(undone.refused.size(), 2u);
    EXPECT_EQ(undone.refused[0].newName, "B1.mp3");
    EXPECT_EQ(undone.refused[1].newName, "C1.mp3");
    ASSERT_EQ(undone.messages.size(), 2u);
    EXPECT_NE(undone.messages[0].find("C1.mp3: c.mp3 is taken"), std::string::npos);
    EXPECT_NE(undone.messages[1].find("B1.mp3: has changed"), std::string::npos);
    const auto names = Contents(folder.file(""));
    EXPECT_EQ(names.at("a.mp3"), "content of a.mp3");
    EXPECT_EQ(names.at("d.mp3"), "content of d.mp3");
    EXPECT_EQ(names.at("c.mp3"), "a new file");
    EXPECT_EQ(names.at("C1.mp3"), "content of c.mp3");
}

}  // namespace
