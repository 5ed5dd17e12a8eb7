#pragma once
// The exported assets the archive benchmarks put into archives: asset i is
// <kuid:400:1000+i>, a "scenery" asset with a dependency table (one KUID
// mostly in the archive, one outside it), every tenth one an obsolete KUID,
// and a files container of two files of 256 bytes stored as they are.
#include <string>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSRawData.h"
#include "foundation/soups/SoupHandle.h"

namespace ArchiveBenchmark {

inline void SetFile(SoupHandle& files, const char* name, const std::string& bytes) {
    files.EnsureContainer();
    const ChunkRef root = files.GetRoot();
    root->AppendChild(name, root->CreateChunk(ACSKind::kRaw, MakeRawDataCopy(static_cast<int32_t>(bytes.size()),
                                                                              bytes.data())));
}

inline SoupHandle AssetSoup(int i) {
    SoupHandle soup;
    soup.SetKUID("kuid", KUID(400, 1000 + i, 0));
    soup.SetString("kind", "scenery");
    soup.SetString("username", ("Asset " + std::to_string(i)).c_str());
    SoupHandle table;
    table.SetKUID("0", KUID(400, 1000 + (i + 1) % 9000, 0));  // mostly in the archive
    table.SetKUID("1", KUID(401, i % 50, 0));                 // outside it
    soup.SetContainer("kuid-table", table);
    if (i % 10 == 0) soup.SetKUID("obsoletes-kuid", KUID(402, i, 0));
    SoupHandle files;
    const std::string bytes(256, static_cast<char>('a' + i % 26));
    SetFile(files, "notes.txt", bytes);
    SetFile(files, "mesh.im", bytes);
    soup.SetContainer("files", files);
    soup.SetString("compression", "");
    return soup;
}

}  // namespace ArchiveBenchmark
