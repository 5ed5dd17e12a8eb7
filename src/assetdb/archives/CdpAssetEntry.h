#pragma once
// One asset of a content archive: the asset's configuration tags together
// with
//   "files"        (container) the asset folder: a container is a
//                  subfolder, a raw-bytes tag a file, named as the tag;
//   "compression"  (text) how the raw-bytes tags under "files" are stored:
//                  "LZSS", "filepath" or raw (missing or empty);
//   "dsid"         (text, optional) the content signature of "files".
//
// An entry holds its soup through one SoupHandle. A new entry holds a soup
// with the single tag "compression" = "LZSS"; whoever fills it (an export
// from the daemon, a read from an archive stream) replaces that soup. An
// entry whose filling failed therefore has no "kuid" and is refused by
// CdpArchive::AddAsset.
#include "assetdb/signatures/ContentSignature.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class TStream;

class CdpAssetEntry {
public:
    CdpAssetEntry();
    // Shares the given soup.
    explicit CdpAssetEntry(const SoupHandle& soup) : m_soup(soup) {}

    const SoupHandle& GetSoup() const { return m_soup; }
    SoupHandle& GetSoup() { return m_soup; }
    // The entry takes (shares) another soup, e.g. an exported one.
    void SetSoup(const SoupHandle& soup) { m_soup = soup; }

    // The "files" container, or a null handle.
    SoupHandle GetFiles() const;
    // The "compression" text; empty when missing.
    Vek::PString GetCompression() const;
    // The "kuid", or the null KUID.
    KUID GetKUID() const;
    // "kuid" is present and not the null KUID.
    bool HasValidKUID() const;

    // Reads one binary soup at the stream's position; its root becomes the
    // entry's soup. A root that is missing or empty leaves the entry
    // without a soup. Always true.
    bool ReadBinary(TStream& stream);
    // Writes the entry's soup as a binary soup at the stream's position.
    // True unless the stream reports an error afterwards.
    bool WriteBinary(TStream& stream) const;

    // The content signature of "files": each raw-bytes tag contributes the
    // block signature of its bytes, each container the signature of its own
    // walk; other kinds contribute nothing. Contributions add with 32-bit
    // wraparound (a sum of 0 becomes 1). Empty contributions are not added,
    // so files of 4 bytes or less and folders without such files leave the
    // signature empty: {0, 0}, "0:0".
    ContentSignature ComputeSignature() const;
    // Stores the text form of ComputeSignature as "dsid".
    void SetSignature();
    // True when the stored "dsid" equals the text form of a fresh
    // computation; a missing "dsid" never matches.
    bool CheckSignature() const;

private:
    SoupHandle m_soup;
};
