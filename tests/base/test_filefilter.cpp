// The file dialogs' filters and the name a save dialog's answer stands for.
#include <gtest/gtest.h>

#include "base/filefilter.h"

using namespace quedral;

namespace {

const char kGraphFilter[] = "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                            "EXCEL file format(*.CSV,seperated by comma)|*.CSV";
const char kGhf[] = "Graph file(*.ghf,only for KV4471)|*.GHF";
const char kTxt[] = "TXT file(*.txt,data seperated by tab)|*.TXT";
const char kCsv[] = "EXCEL file format(*.CSV,seperated by comma)|*.CSV";

TEST(FileFilter, EntriesAndTheirExtensions)
{
    EXPECT_EQ(filterEntries(kGraphFilter), QStringList({kGhf, kTxt, kCsv}));
    EXPECT_EQ(filterEntries(" TXT file(*.txt,data seperated by tab)|*.TXT"),
              QStringList({" TXT file(*.txt,data seperated by tab)|*.TXT"}));
    EXPECT_EQ(filterEntries("Graph files (*.ghf);;All (*)"), QStringList({"Graph files (*.ghf)", "All (*)"}));

    struct Case {
        const char* entry;
        const char* extension;
    };
    for (const Case& c : {Case{kGhf, "ghf"}, Case{kTxt, "txt"}, Case{kCsv, "csv"},
                          Case{"EXCEL file format(*.csv,seperated by comma) |*.CSV", "csv"},
                          Case{"|*.txt", "txt"}, Case{"Several|*.Wav;*.mp3", "wav"},
                          // The file dialog's own form, as a dialog shows the entry.
                          Case{"TXT file(*.txt,data seperated by tab) (*.txt *.TXT)", "txt"},
                          Case{"Graph files (*.ghf)", "ghf"},
                          // No single extension.
                          Case{"All|*.*", ""}, Case{"All|*", ""}, Case{"All (*)", ""}, Case{"", ""}}) {
        EXPECT_EQ(filterExtension(c.entry), c.extension) << c.entry;
    }
}

TEST(FileFilter, ANameWithoutExtensionTakesTheChosenEntrysAndATypedOneDecides)
{
    struct Case {
        const char* what;
        const char* typed;
        const char* entry;
        const char* saved;
    };
    const Case cases[] = {
        {"no extension, TXT chosen", "/data/REPORT", kTxt, "/data/REPORT.txt"},
        {"no extension, CSV chosen", "/data/Report", kCsv, "/data/Report.csv"},
        {"no extension, graph file chosen", "/data/Report", kGhf, "/data/Report.ghf"},
        {"a typed extension wins over the entry", "/data/Report.CSV", kTxt, "/data/Report.CSV"},
        {"a typed extension the program does not write is kept", "/data/Report.dat", kTxt, "/data/Report.dat"},
        {"a trailing dot is a typed (empty) extension", "/data/Report.", kTxt, "/data/Report."},
        {"a dotted folder is no extension", "/data/v1.2/Report", kCsv, "/data/v1.2/Report.csv"},
        {"no entry reported: the default suffix, in lower case", "/data/Report", "", "/data/Report.ghf"},
        {"an entry without an extension: the default suffix", "/data/Report", "All|*.*", "/data/Report.ghf"},
        {"a cancelled dialog stays cancelled", "", kTxt, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(savedFileName(c.typed, c.entry, "GHF"), c.saved) << c.what;
    EXPECT_EQ(savedFileName("/data/Report", "", ""), "/data/Report") << "no suffix to add";
}

} // namespace
