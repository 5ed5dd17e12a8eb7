#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gsruntime/GSLibrary.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/support/GSMachineFixture.h"

namespace {

using GSRuntime::GSLibrary;
using GSRuntime::GSLibraryId;

class GSRegistry : public GSTest::MachineTest {};

TEST_F(GSRegistry, SameFileTwiceLeavesOneEntry) {
    const int32_t entries = machine->LibraryEntryCount();
    GSLibraryId first;
    GSLibraryId second;
    ASSERT_TRUE(Register("one.gsl", Header(Id(0)), &first));
    ASSERT_TRUE(machine->AddLibrary(root.Root(), "", "one.gsl", &second));
    EXPECT_EQ(first, Id(0));
    EXPECT_EQ(second, Id(0));
    EXPECT_EQ(machine->LibraryEntryCount(), entries + 1);
}

TEST_F(GSRegistry, SecondFileWithRegisteredIdsLeadsToTheFirst) {
    ASSERT_TRUE(Register("first.gsl", Simple("first.gs", Id(0), "First").Build()));
    // Same pair, other content: its name is only another way to the first.
    ASSERT_TRUE(Register("second.gsl", Simple("second.gs", Id(0), "Second").Build()));
    GSLibrary* library = machine->GetLibraryByName("second.gsl");
    ASSERT_NE(library, nullptr);
    EXPECT_STREQ(library->GetName(), "first.gs");
    EXPECT_NE(library->FindClass("First"), nullptr);
    EXPECT_EQ(machine->GetLibraryByName("first.gsl"), library);
}

TEST_F(GSRegistry, RefusesMissingShortAndForeignFilesButNotOddHeaderWords) {
    GSLibraryId out;
    EXPECT_FALSE(machine->AddLibrary(root.Root(), "", "missing.gsl", &out));
    std::vector<uint8_t> shortHeader = Header(Id(1));
    shortHeader.pop_back();
    EXPECT_FALSE(Register("short.gsl", shortHeader));
    EXPECT_FALSE(Register("magic.gsl", Header(Id(2), 0x12345678)));
    EXPECT_EQ(machine->GetLibraryByName("magic.gsl"), nullptr);
    // Neither the length word nor the version is looked at.
    EXPECT_TRUE(Register("odd.gsl", Header(Id(3), GSRuntime::kGSLibraryMagic, 0xFFFFFFFF, 0xDEADBEEF), &out));
    EXPECT_EQ(out, Id(3));
}

TEST_F(GSRegistry, NamesIgnoreCaseAndKeepTheirFolder) {
    std::filesystem::create_directory(root.Path() + "/sub");
    ASSERT_TRUE(Register("GS.GSL", Simple("gs.gs", Id(0), "GS").Build()));
    root.Write("sub/Other.gsl", Simple("other.gs", Id(1), "Other").Build());
    ASSERT_TRUE(machine->AddLibrary(root.Root(), "sub", "Other.gsl", nullptr));

    GSLibrary* library = machine->GetLibraryByName("gs.gsl");
    ASSERT_NE(library, nullptr);
    for (const char* spelling : {"GS.GSL", "Gs.gSl", "gS.GSL"}) EXPECT_EQ(machine->GetLibraryByName(spelling), library);

    EXPECT_NE(machine->GetLibraryByName("SUB\\OTHER.GSL"), nullptr);
    EXPECT_EQ(machine->GetLibraryByName("other.gsl"), nullptr);
}

TEST_F(GSRegistry, LongPathsKeepTheirNames) {
    const std::string outer(130, 'O');
    const std::string inner(130, 'I');
    std::filesystem::create_directories(root.Path() + "/" + outer + "/" + inner);
    root.Write(outer + "/" + inner + "/Long.gsl", Simple("long.gs", Id(0), "Long").Build());
    const std::string folder = outer + "\\" + inner;
    ASSERT_TRUE(machine->AddLibrary(root.Root(), folder.c_str(), "Long.gsl", nullptr));
    const std::string name = folder + "\\long.gsl";
    ASSERT_GE(name.size(), 256u);
    GSLibrary* library = machine->GetLibraryByName(name.c_str());
    ASSERT_NE(library, nullptr);
    EXPECT_STREQ(library->GetName(), "long.gs");
}

TEST_F(GSRegistry, FolderScanSortsSkipsAndReportsDuplicates) {
    root.Write("b_dup.gsl", Simple("b.gs", Id(0), "B").Build());
    root.Write("a_first.gsl", Simple("a.gs", Id(0), "A").Build());
    root.Write("C_UPPER.GSL", Simple("c.gs", Id(1), "C").Build());
    root.Write("d_magic.gsl", Header(Id(2), 0));
    root.Write("e_short.gsl", {1, 2, 3});
    root.Write("f_text.txt", Simple("f.gs", Id(3), "F").Build());
    std::filesystem::create_directory(root.Path() + "/g_folder.gsl");
    const int32_t entries = machine->LibraryEntryCount();

    ASSERT_TRUE(machine->AddLibraryDirectory(root.Root()));
    EXPECT_EQ(machine->LibraryEntryCount(), entries + 2);
    // a_first.gsl comes first in name order, so b_dup.gsl is the duplicate.
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"Could not add game script library b_dup.gsl to GSMachine"});
    GSLibrary* a = machine->GetLibraryByName("A_FIRST.GSL");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->GetName(), "a.gs");
    EXPECT_EQ(machine->GetLibraryByName("b_dup.gsl"), nullptr);
    EXPECT_NE(machine->GetLibraryByName("c_upper.gsl"), nullptr);
    EXPECT_EQ(machine->GetLibraryByName("f_text.txt"), nullptr);
}

TEST_F(GSRegistry, FolderScanOfAnEmptyRootFails) { EXPECT_FALSE(machine->AddLibraryDirectory(root.Root())); }

TEST_F(GSRegistry, UnknownPairIsReportedWithSimilarLibraries) {
    ASSERT_TRUE(Register("loaded.gsl", Simple("loaded.gs", Id(0, 7), "Loaded").Build()));
    ASSERT_NE(machine->GetLibraryByName("loaded.gsl"), nullptr);
    log.Clear();

    const GSLibraryId unknown = Id(1, 7);  // same b, other source
    EXPECT_EQ(machine->GetLibrary(unknown), nullptr);
    char expected[128];
    std::snprintf(expected, sizeof expected, "GSMachine::GetLibrary> library '0x%X 0x%X' not found in link table",
                  unknown.a, unknown.b);
    ASSERT_EQ(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0], expected);
    EXPECT_EQ(log.Lines()[1], "  Similar library found with matching filename hash but built from different source: loaded.gs");
}

TEST_F(GSRegistry, FailedLoadIsRetriedAndReportedEachTime) {
    std::vector<uint8_t> broken = Simple("retry.gs", Id(0), "Retry").Build();
    broken.resize(broken.size() - 4);
    ASSERT_TRUE(Register("retry.gsl", broken));
    for (int attempt = 0; attempt < 2; ++attempt) {
        log.Clear();
        EXPECT_EQ(machine->GetLibraryByName("retry.gsl"), nullptr);
        EXPECT_EQ(log.Lines(), std::vector<std::string>{"GSMachine: Error -1 loading library retry.gsl (retry.gs)"});
    }
    // Mended on disk, the next request loads it.
    root.Write("retry.gsl", Simple("retry.gs", Id(0), "Retry").Build());
    EXPECT_NE(machine->GetLibraryByName("retry.gsl"), nullptr);
}

TEST_F(GSRegistry, VanishedFileGivesNullQuietlyUntilItIsBack) {
    const std::vector<uint8_t> image = Simple("gone.gs", Id(0), "Gone").Build();
    ASSERT_TRUE(Register("gone.gsl", image));
    std::filesystem::remove(root.Path() + "/gone.gsl");
    log.Clear();
    EXPECT_EQ(machine->GetLibrary(Id(0)), nullptr);
    EXPECT_TRUE(log.Lines().empty());
    root.Write("gone.gsl", image);
    EXPECT_NE(machine->GetLibrary(Id(0)), nullptr);
}

TEST_F(GSRegistry, LoadedLibrariesAreKeptInCompletionOrder) {
    ASSERT_TRUE(Register("x.gsl", Simple("x.gs", Id(0), "X").Build()));
    ASSERT_TRUE(Register("y.gsl", Simple("y.gs", Id(1), "Y").Build()));
    GSLibrary* y = machine->GetLibrary(Id(1));
    GSLibrary* x = machine->GetLibrary(Id(0));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(machine->GetLibrary(Id(0)), x);  // loaded once
    EXPECT_EQ(machine->LoadedLibraries().Last(), x);
    EXPECT_EQ(machine->LoadedLibraries().Last()->Previous(), y);
}

}  // namespace
